// A few threads kept for the length of an export, to split pure CPU work of a grid row
// (stretching, grey and nearest-colour conversion) between the processor's cores.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tw {

class WorkerTeam {
  public:
    // `size` parts in all, the calling thread included; 0 picks one per core (at most 8).
    explicit WorkerTeam(unsigned size = 0);
    ~WorkerTeam();
    WorkerTeam(const WorkerTeam&) = delete;
    WorkerTeam& operator=(const WorkerTeam&) = delete;

    unsigned size() const { return static_cast<unsigned>(threads_.size()) + 1; }

    // Runs part(0) .. part(size() - 1) at once, part 0 on the calling thread, and returns
    // when all are done; the first exception thrown by a part is rethrown here.
    void run(const std::function<void(unsigned part)>& part);

  private:
    void serve(unsigned part);

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(unsigned)>* job_ = nullptr;
    std::uint64_t generation_ = 0;
    unsigned pending_ = 0;
    bool stopping_ = false;
    std::exception_ptr failure_;
};

// Splits [0, count) into `parts` near-equal ranges; returns range `part`.
struct Range {
    std::size_t begin, end;
};
inline Range splitRange(std::size_t count, unsigned parts, unsigned part) {
    return {count * part / parts, count * (part + 1) / parts};
}

} // namespace tw

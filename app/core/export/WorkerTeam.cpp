#include "WorkerTeam.h"

#include <algorithm>

namespace tw {

WorkerTeam::WorkerTeam(unsigned size) {
    if (size == 0) size = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    threads_.reserve(size - 1);
    for (unsigned part = 1; part < size; ++part)
        threads_.emplace_back([this, part] { serve(part); });
}

WorkerTeam::~WorkerTeam() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_)
        t.join();
}

void WorkerTeam::serve(unsigned part) {
    std::uint64_t seen = 0;
    for (;;) {
        const std::function<void(unsigned)>* job = nullptr;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            job = job_;
        }
        std::exception_ptr failure;
        try {
            (*job)(part);
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(mutex_);
        if (failure && !failure_) failure_ = failure;
        if (--pending_ == 0) done_.notify_one();
    }
}

void WorkerTeam::run(const std::function<void(unsigned part)>& part) {
    {
        std::lock_guard lock(mutex_);
        job_ = &part;
        pending_ = static_cast<unsigned>(threads_.size());
        failure_ = nullptr;
        ++generation_;
    }
    wake_.notify_all();
    std::exception_ptr mine;
    try {
        part(0);
    } catch (...) {
        mine = std::current_exception();
    }
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return pending_ == 0; });
    if (mine) std::rethrow_exception(mine);
    if (failure_) std::rethrow_exception(failure_);
}

} // namespace tw

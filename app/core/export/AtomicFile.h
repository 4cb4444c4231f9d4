// A file that is either the old one or the complete new one: bytes go to a temporary
// file beside the target, which replaces the target only on commit().
#pragma once

#include "ByteSink.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace tw {

class AtomicFile : public ByteSink {
  public:
    // Creates the temporary file in the target's folder; fails when it cannot.
    explicit AtomicFile(std::string target);
    // Without a commit the temporary file is removed and the target left as it was.
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(const std::uint8_t* data, std::size_t size) override;

    // Flushes, syncs to the disk, closes and renames the file over the target. Any
    // failure on the way is an error, and the temporary file is removed.
    void commit();

    const std::string& target() const { return target_; }
    const std::string& temporaryPath() const { return temporary_; }

  private:
    void flushBuffer();
    void writeAll(const std::uint8_t* data, std::size_t size);
    [[noreturn]] void fail(const std::string& what, int error);
    void discard() noexcept;

    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
    std::size_t buffered_ = 0;
    off_t written_ = 0;    // bytes in the file so far
    off_t handedOver_ = 0; // bytes whose writing to the disk has been started
    bool committed_ = false;
};

} // namespace tw

#include "AtomicFile.h"

#include "Error.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tw {
namespace {

constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
// Written data is handed to the disk every this many bytes, so that the sync at the end
// waits for little more than the last stretch rather than for the whole file.
constexpr off_t kWritebackBytes = off_t{8} << 20;

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string describe(int error) {
    return std::strerror(error);
}

// A hidden name beside the target that no other writer picks: the process id, a counter
// and a random part; O_EXCL makes a clash an error to retry rather than a shared file.
std::string candidateName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    const std::string folder = folderOf(target);
    return (folder == "/" ? std::string() : folder) + "/." + nameOf(target) + "." +
           std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(random() % 1000000) + ".tmp";
}

} // namespace

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {
    if (target_.empty() || target_.back() == '/')
        throw Error("Could not create the file \"" + target_ + "\": no file name.");
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = candidateName(target_);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST && errno != EINTR)
            throw Error("Could not create a file in the folder \"" + folderOf(target_) +
                        "\": " + describe(errno) + ".");
    }
    if (fd_ < 0) throw Error("Could not create a temporary file beside \"" + target_ + "\".");
    buffer_.resize(kBufferBytes);
}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::discard() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!committed_ && !temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

void AtomicFile::fail(const std::string& what, int error) {
    discard();
    throw Error(what + " \"" + target_ + "\": " + describe(error) + ".");
}

void AtomicFile::write(const std::uint8_t* data, std::size_t size) {
    if (fd_ < 0) throw Error("The file \"" + target_ + "\" is no longer open for writing.");
    while (size > 0) {
        if (buffered_ == buffer_.size()) flushBuffer();
        if (buffered_ == 0 && size >= buffer_.size()) {
            // A large block goes to the file as it is, without a copy into the buffer.
            writeAll(data, size);
            return;
        }
        const std::size_t n = std::min(size, buffer_.size() - buffered_);
        std::memcpy(buffer_.data() + buffered_, data, n);
        buffered_ += n;
        data += n;
        size -= n;
    }
}

void AtomicFile::flushBuffer() {
    writeAll(buffer_.data(), buffered_);
    buffered_ = 0;
}

void AtomicFile::writeAll(const std::uint8_t* p, std::size_t left) {
    const auto total = static_cast<off_t>(left);
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("Could not write", errno);
        }
        if (n == 0) fail("Could not write", ENOSPC);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    written_ += total;
    if (written_ - handedOver_ >= kWritebackBytes) {
        // Only starts the writing; errors surface at the final fsync.
        ::sync_file_range(fd_, handedOver_, written_ - handedOver_, SYNC_FILE_RANGE_WRITE);
        handedOver_ = written_;
    }
}

void AtomicFile::commit() {
    if (fd_ < 0) throw Error("The file \"" + target_ + "\" is no longer open for writing.");
    flushBuffer();
    if (::fsync(fd_) != 0) fail("Could not save", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail("Could not close", errno);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) fail("Could not replace", errno);
    committed_ = true;
    temporary_.clear();
    // Make the new name itself durable; a folder that cannot be synced (some file
    // systems refuse) does not undo a file that is already complete and in place.
    const int folder = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace tw

// Where the KM writer's bytes go: a file being written, or memory in tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Appends `size` bytes; throws tw::Error when they cannot be stored.
    virtual void write(const std::uint8_t* data, std::size_t size) = 0;
};

} // namespace tw

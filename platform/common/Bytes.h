// A block of bytes: resource data, palettes, file contents.
#pragma once

#include <cstdint>
#include <vector>

namespace tw {

using Bytes = std::vector<std::uint8_t>;

} // namespace tw

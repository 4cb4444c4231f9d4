// Decodes a picture file into 32-bit pixels (blue, green, red, 0xFF), top row first.
#pragma once

#include <QImage>

#include <string>

namespace tw::toolkit {

// The largest picture the loader admits, in megabytes of decoded pixels: enough for a
// 16384 x 16384 picture, while an absurd size is refused with a clear error.
inline constexpr int kPictureAllocationLimitMb = 1100;

// An undecodable or absurdly large file is a tw::Error carrying the reader's description.
QImage loadPicture(const std::string& path);

} // namespace tw::toolkit

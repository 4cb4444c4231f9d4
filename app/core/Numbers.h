// Number conversions the window and the KM writer rely on.
#pragma once

#include <cstdint>
#include <string_view>

namespace tw {

// Nearest integer, a tie going to the even neighbour (2.5 -> 2, 3.5 -> 4, -6.5 -> -6).
std::int64_t roundHalfEven(double value);

// A value in 0..255 as a byte; anything else is an overflow error.
std::uint8_t toByte(std::int64_t value);

// Lenient reading of a number typed by a user: blanks and tabs are skipped anywhere,
// reading stops at the first character that cannot continue the number (a sign, digits,
// one decimal point and a fraction), and text that does not begin with a number reads 0.
double readNumberLenient(std::string_view text);

} // namespace tw

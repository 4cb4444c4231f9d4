#include "Numbers.h"

#include "Error.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace tw {

std::int64_t roundHalfEven(double value) {
    return static_cast<std::int64_t>(std::nearbyint(value)); // default FE_TONEAREST: ties to even
}

std::uint8_t toByte(std::int64_t value) {
    if (value < 0 || value > 255)
        throw Error("Overflow: " + std::to_string(value) + " does not fit in a byte (0 to 255).");
    return static_cast<std::uint8_t>(value);
}

double readNumberLenient(std::string_view text) {
    std::string digits;
    bool seenDigit = false, seenPoint = false, seenSign = false;
    for (char c : text) {
        if (c == ' ' || c == '\t') continue;
        if ((c == '-' || c == '+') && !seenSign && !seenDigit && !seenPoint) {
            seenSign = true;
        } else if (c >= '0' && c <= '9') {
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        digits += c;
    }
    if (!seenDigit) return 0.0;
    return std::strtod(digits.c_str(), nullptr);
}

} // namespace tw

#include "Palette.h"

namespace tw {

Palette makeGreyPalette() {
    Palette p{};
    for (int i = 0; i < 256; ++i) {
        p[4 * i] = p[4 * i + 1] = p[4 * i + 2] = static_cast<std::uint8_t>(i);
    }
    return p;
}

} // namespace tw

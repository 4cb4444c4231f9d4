#include "AdaptivePalette.h"

#include "Error.h"

#include <cstring>
#include <new>
#include <vector>

namespace tw {

bool OctreeLibrary::paletteRGB888(const void* pixels, unsigned width, unsigned height, int pitch,
                                  unsigned maxColors, unsigned colorBits, void* palette) {
    if (create_ == nullptr) {
        auto library = std::make_unique<SharedLibrary>(libraryPath(folder_, "Octree"));
        create_ = library->function<Fn>("CreateOctreePaletteRGB888");
        library_ = std::move(library);
    }
    return create_(pixels, width, height, pitch, maxColors, colorBits, palette) != 0;
}

Palette calculateBestPalette(const bitmap::PixelView32& picture, const PaletteEntry& reserved0,
                             const PaletteEntry& reserved1, OctreeLibrary& octree) {
    if (picture.width <= 0 || picture.height <= 0 || picture.top == nullptr)
        throw Error("The picture has no pixels to compute a palette from.");
    const std::size_t w = static_cast<std::size_t>(picture.width);
    const std::size_t h = static_cast<std::size_t>(picture.height);
    const std::size_t pitch = ((3 * w - 1) / 4) * 4 + 4;
    if (pitch > 0x7FFFFFFF) throw Error("The picture is too wide to compute a palette from.");
    std::vector<std::uint8_t> rows;
    try {
        rows.resize(pitch * h);
    } catch (const std::bad_alloc&) {
        throw Error("Not enough memory to read the picture's pixels.");
    }
    // Bottom-up: the first row in the buffer is the picture's bottom row.
    for (std::size_t r = 0; r < h; ++r) {
        const std::uint32_t* src = picture.row(static_cast<int>(h - 1 - r));
        std::uint8_t* dst = rows.data() + r * pitch;
        for (std::size_t x = 0; x < w; ++x, dst += 3) {
            dst[0] = static_cast<std::uint8_t>(src[x]);
            dst[1] = static_cast<std::uint8_t>(src[x] >> 8);
            dst[2] = static_cast<std::uint8_t>(src[x] >> 16);
        }
    }
    Palette palette{};
    if (!octree.paletteRGB888(rows.data(), static_cast<unsigned>(w), static_cast<unsigned>(h),
                              static_cast<int>(pitch), 254, 8, palette.data() + 8))
        throw Error("The Octree library could not compute a palette for this picture.");
    std::memcpy(palette.data(), reserved0.data(), 4);
    std::memcpy(palette.data() + 4, reserved1.data(), 4);
    return palette;
}

} // namespace tw

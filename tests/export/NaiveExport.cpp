#include "NaiveExport.h"

#include "SharedLibrary.h"

#include "DitherLibrary.h"
#include "TileConversion.h"
#include "gdi.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

namespace twtest {
namespace {

struct DcDelete {
    void operator()(TwDeviceContext* dc) const { DeleteDC(dc); }
};
struct BitmapDelete {
    void operator()(TwBitmap* b) const { DeleteObject(b); }
};
using Dc = std::unique_ptr<TwDeviceContext, DcDelete>;
using Bitmap = std::unique_ptr<TwBitmap, BitmapDelete>;

BITMAPINFOHEADER header32(int width, int height) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    return h;
}

class MemorySink : public tw::ByteSink {
  public:
    void write(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
    }
    tw::Bytes bytes;
};

} // namespace

tw::Bytes naiveTiles(const tw::ExportJob& job, int firstRow, int lastRow, double* stretchSeconds) {
    const auto start = std::chrono::steady_clock::now();
    const int w = job.map.width, h = job.map.height;
    const int W = w * 32, H = h * 32;
    const tw::bitmap::PixelView32& pic = job.picture;
    if (pic.rowStride != static_cast<std::ptrdiff_t>(pic.width) * 4)
        throw std::invalid_argument("naive export needs a packed top-down picture");

    // The contexts go first at the end, so the bitmaps are no longer selected when deleted.
    BITMAPINFOHEADER srcHeader = header32(pic.width, -pic.height);
    Bitmap src(CreateDIBSectionOver(&srcHeader, const_cast<std::uint8_t*>(pic.top)));
    BITMAPINFOHEADER dstHeader = header32(W, H); // bottom-up
    void* bits = nullptr;
    Bitmap dst(CreateDIBSection(nullptr, &dstHeader, DIB_RGB_COLORS, &bits, nullptr, 0));
    Dc srcDc(CreateCompatibleDC(nullptr)), dstDc(CreateCompatibleDC(nullptr));
    if (!srcDc || !dstDc || !src || !dst) throw std::runtime_error("no surface");
    SelectObject(srcDc.get(), src.get());
    SelectObject(dstDc.get(), dst.get());
    if (StretchBlt(dstDc.get(), 0, 0, W, H, srcDc.get(), 0, 0, pic.width, pic.height, SRCCOPY) != 1)
        throw std::runtime_error("stretch failed");
    const auto* surface = static_cast<const std::uint8_t*>(bits);
    if (stretchSeconds != nullptr)
        *stretchSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::optional<tw::DitherLibrary> library;
    std::optional<tw::DitherContext> context;
    // A CPU-mode context dithers pixel by pixel with DitherPixel: that loop itself is the
    // plain algorithm, taken straight from the library.
    using DitherPixelFn = std::uint8_t (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                           std::int32_t, const void*, std::int32_t);
    std::optional<tw::SharedLibrary> plain;
    DitherPixelFn ditherPixel = nullptr;
    if (job.conversion == tw::TileConversion::Dithered) {
        if (job.ditherDevice == tw::DitherDevice::Cpu) {
            plain.emplace(tw::libraryPath(job.libraryFolder, "Dither"));
            ditherPixel = plain->function<DitherPixelFn>("DitherPixel");
        } else {
            library.emplace(job.libraryFolder);
            context.emplace(library->createContext(job.ditherDevice));
        }
    }

    tw::Bytes out;
    std::uint8_t colour[1024 * 4];
    std::uint8_t index[1024];
    for (int r = firstRow; r < lastRow; ++r) {
        for (int c = 0; c < w; ++c) {
            for (int k = 0; k < 32; ++k) {
                const int memoryRow = H - 1 - (r * 32 + k);
                std::memcpy(colour + 128 * k, surface + std::size_t(W) * 4 * memoryRow + 128 * c,
                            128);
            }
            switch (job.conversion) {
            case tw::TileConversion::Grey:
                for (int i = 0; i < 1024; ++i)
                    index[i] = static_cast<std::uint8_t>(
                        (colour[4 * i] + colour[4 * i + 1] + colour[4 * i + 2]) / 3);
                break;
            case tw::TileConversion::Nearest:
                for (int i = 0; i < 1024; ++i)
                    index[i] = tw::NearestPaletteIndex(colour[4 * i + 2], colour[4 * i + 1],
                                                       colour[4 * i], job.map.palette);
                break;
            case tw::TileConversion::Dithered:
                if (ditherPixel != nullptr) {
                    for (int i = 0; i < 1024; ++i)
                        index[i] = ditherPixel(i % 32, i / 32, colour[4 * i + 2], colour[4 * i + 1],
                                               colour[4 * i], job.map.palette.data(), 256);
                } else {
                    context->dither(32, 32, colour, job.map.palette.data(), 256, index);
                }
                break;
            }
            out.insert(out.end(), index, index + 1024);
        }
    }
    return out;
}

tw::Bytes naiveExport(const tw::ExportJob& job, tw::KmTemplates templates) {
    MemorySink sink;
    tw::KmWriter writer(sink, templates);
    writer.begin(job.map);
    const tw::Bytes tiles = naiveTiles(job, 0, job.map.height);
    writer.addTiles(tiles.data(), tiles.size() / tw::kTileBytes);
    writer.finish();
    return sink.bytes;
}

} // namespace twtest

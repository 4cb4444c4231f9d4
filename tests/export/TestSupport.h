// Shared pieces of the export tests: templates, pictures, temporary folders, reading
// files back and checking a KM file block by block.
#pragma once

#include "KmExport.h"
#include "KmWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace twtest {

using tw::Bytes;
namespace fs = std::filesystem;

inline Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline Bytes resource(const std::string& relative) {
    const Bytes bytes = readFile(fs::path(TW_SOURCE_DIR) / "app/resources" / relative);
    if (bytes.empty()) ADD_FAILURE() << "missing resource " << relative;
    return bytes;
}

struct Templates {
    Bytes custom = resource("KMPART/CST0MCR0");
    Bytes multiplayer = resource("KMPART/CSTOMLTI");
    Bytes text = resource("KMPART/TEXTAUTH");
    tw::KmTemplates refs() { return {custom, multiplayer, text}; }
};

inline tw::Palette paletteResource(int id) {
    const Bytes bytes = resource("PAL/" + std::to_string(id) + ".pal");
    tw::Palette p{};
    if (bytes.size() == p.size()) std::copy(bytes.begin(), bytes.end(), p.begin());
    return p;
}

// A decoded picture in top-down 32-bit memory, as the window holds it.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    Picture(int w, int h, std::uint32_t fill = 0)
        : width(w), height(h),
          pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
    std::uint32_t& at(int x, int y) {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    tw::bitmap::PixelView32 view() const {
        return {reinterpret_cast<const std::uint8_t*>(pixels.data()), width, height,
                static_cast<std::ptrdiff_t>(width) * 4};
    }
};

// Smooth gradients with noise: many distinct colours, like a photograph.
Picture photoLike(int width, int height, std::uint32_t seed);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    // The names of the entries in the folder.
    std::vector<std::string> entries() const;

  private:
    fs::path path_;
};

// Records every progress call; abandons after `stopAfterRows` rows when set.
class RecordingProgress : public tw::ExportProgress {
  public:
    bool rowDone(std::size_t tilesDone, std::size_t tileCount) override {
        titles.push_back(tw::progressTitle(tilesDone, tileCount));
        return stopAfterRows < 0 || static_cast<int>(titles.size()) < stopAfterRows;
    }
    bool keepAlive() override {
        ++keepAlives;
        return !stopOnKeepAlive;
    }
    std::vector<std::string> titles;
    int keepAlives = 0;
    int stopAfterRows = -1;
    bool stopOnKeepAlive = false;
};

// The folder of the real Dither library: beside the tests when built there.
std::string realDitherFolder();

// A job with the given size and conversion, the resources' first palette, a custom mission.
tw::ExportJob makeJob(const Picture& picture, int w, int h, tw::TileConversion conversion,
                      const fs::path& target);

// Checks every block of a KM file against the layout for `map` and the templates (the
// multiplayer template as the document holds it after the export) and returns the offset
// of tile 1, or 0 when the layout is broken.
std::size_t checkKmLayout(const Bytes& file, const tw::KmMapInfo& map, const Templates& t);

// Tile `index` (1-based, reading order) of a file checked by checkKmLayout.
inline Bytes tileOf(const Bytes& file, std::size_t tile1, std::size_t index) {
    const auto at = static_cast<std::ptrdiff_t>(tile1 + (index - 1) * tw::kTileBytes);
    return Bytes(file.begin() + at,
                 file.begin() + at + static_cast<std::ptrdiff_t>(tw::kTileBytes));
}

} // namespace twtest

#include "CliRun.h"

#include "AdaptivePalette.h"
#include "CliOptions.h"
#include "KmExport.h"
#include "MapDocument.h"
#include "Markers.h"
#include "PictureLoader.h"
#include "Resources.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace tw::cli {
namespace {

using Clock = std::chrono::steady_clock;

bitmap::PixelView32 viewOf(const QImage& image) {
    return {image.constBits(), image.width(), image.height(),
            static_cast<std::ptrdiff_t>(image.bytesPerLine())};
}

Palette terrainPalette(int id) {
    const Bytes bytes = toolkit::loadResource("PAL", id);
    if (bytes.size() != 1024)
        throw Error("The palette resource PAL #" + std::to_string(id) + " is " +
                    std::to_string(bytes.size()) + " bytes long, not 1024.");
    Palette p{};
    std::copy(bytes.begin(), bytes.end(), p.begin());
    return p;
}

// The palette the window's option of the same name puts in force.
Palette paletteFor(PaletteChoice choice, const QImage& picture, const std::string& folder) {
    switch (choice) {
    case PaletteChoice::Highland:
        return terrainPalette(1);
    case PaletteChoice::Urban:
        return terrainPalette(2);
    case PaletteChoice::Desert:
        return terrainPalette(3);
    case PaletteChoice::Grey:
        return makeGreyPalette();
    case PaletteChoice::Adaptive:
        break;
    }
    PaletteEntry reserved0{}, reserved1{};
    reserved0[2] = 0x58; // the window's first reserved colour: dark red; the second is black
    // Bound on first use and kept, like the window's: unloading a library mid-run loses
    // what its start-up allocated.
    static auto* octree = new OctreeLibrary(folder);
    return calculateBestPalette(viewOf(picture), reserved0, reserved1, *octree);
}

std::string modeName(TileConversion conversion, DitherDevice device) {
    switch (conversion) {
    case TileConversion::Grey:
        return "grey level";
    case TileConversion::Nearest:
        return "nearest colour";
    case TileConversion::Dithered:
        return device == DitherDevice::Cpu   ? "dithered (cpu)"
               : device == DitherDevice::Gpu ? "dithered (gpu)"
                                             : "dithered";
    }
    return "";
}

// One line on the terminal, rewritten as the rows go by, at most ten times a second.
class TerminalProgress : public ExportProgress {
  public:
    TerminalProgress(std::ostream& err, bool show, int width)
        : err_(err), show_(show), width_(static_cast<std::size_t>(width)) {}
    bool rowDone(std::size_t tilesDone, std::size_t tileCount) override {
        if (!show_) return true;
        const auto now = Clock::now();
        const bool last = tilesDone + 1 == tileCount;
        if (!last && now - shown_ < std::chrono::milliseconds(100)) return true;
        shown_ = now;
        const std::size_t rows = (tileCount - 1) / width_;
        char line[120];
        std::snprintf(line, sizeof line, "\rgrid row %zu of %zu  %5.1f%%  %.1f s",
                      tilesDone / width_, rows,
                      100.0 * static_cast<double>(tilesDone) / static_cast<double>(tileCount - 1),
                      std::chrono::duration<double>(now - start_).count());
        err_ << line << (last ? "\n" : "") << std::flush;
        return true;
    }

  private:
    std::ostream& err_;
    bool show_;
    std::size_t width_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point shown_{};
};

int exportWith(const CliOptions& o, const CliEnvironment& env) {
    const auto start = Clock::now();
    const QImage picture = toolkit::loadPicture(o.picture);
    const int w = o.width.value_or(std::min(initialGrids(picture.width()), kMaxExportGrids));
    const int h = o.height.value_or(std::min(initialGrids(picture.height()), kMaxExportGrids));
    checkMarkers(o, w, h);
    if (w < kLegalGrids || h < kLegalGrids)
        env.err << "tilewright-cli: warning: the map of " << w << " x " << h
                << " grids is smaller than " << kLegalGrids << " x " << kLegalGrids
                << ": a map size that is too small may cause errors (地图尺寸太小可能导致错误。)\n";

    ExportJob job;
    job.map.mission = o.multiplayer ? MissionKind::Multiplayer : MissionKind::Custom;
    job.map.width = w;
    job.map.height = h;
    job.map.attribute = o.attribute;
    MarkerSet markers;
    markers.reset(w, h);
    for (const auto& m : o.starts)
        markers.start[static_cast<std::size_t>(m.number - 1)] = {m.x - 6.0, m.y - 6.0};
    for (const auto& m : o.bunkers)
        markers.bunker[static_cast<std::size_t>(m.number - 1)] = {m.x - 6.0, m.y - 6.0};
    job.map.positions = markers.filePositions();
    job.map.palette = paletteFor(o.palette, picture, env.libraryFolder);
    job.conversion = chooseConversion(o.palette == PaletteChoice::Grey, o.dither);
    job.ditherDevice = o.ditherDevice;
    job.libraryFolder = env.libraryFolder;
    job.picture = viewOf(picture);
    job.target = o.output;

    const Bytes custom = toolkit::loadResource("KMPART", "CST0MCR0");
    Bytes multiplayer = toolkit::loadResource("KMPART", "CSTOMLTI");
    const Bytes text = toolkit::loadResource("KMPART", "TEXTAUTH");
    TerminalProgress progress(env.err, env.errIsTerminal && !o.quiet, w);
    exportKm(job, {custom, multiplayer, text}, progress);

    if (!o.quiet) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f",
                      std::chrono::duration<double>(Clock::now() - start).count());
        env.err << o.output << ": " << w << " x " << h << " grids, "
                << kmFileSize(job.map.mission, w, h) << " bytes, "
                << modeName(job.conversion, job.ditherDevice) << ", " << seconds << " s\n";
    }
    return 0;
}

} // namespace

int runCli(const std::vector<std::string>& args, const CliEnvironment& env) {
    try {
        const CliOptions options = parseCommandLine(args);
        if (options.help) {
            env.out << usageText();
            return 0;
        }
        if (options.version) {
            env.out << "tilewright-cli " << TILEWRIGHT_VERSION << "\n";
            return 0;
        }
        return exportWith(options, env);
    } catch (const UsageError& e) {
        env.err << "tilewright-cli: " << e.what() << "\n\n" << usageText();
        return 2;
    } catch (const ExportAbandoned& e) {
        env.err << "tilewright-cli: " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        env.err << "tilewright-cli: " << e.what() << "\n";
        return 1;
    }
}

} // namespace tw::cli

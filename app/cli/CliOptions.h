// The command line of tilewright-cli, read into the choices of one export.
#pragma once

#include "DitherLibrary.h"
#include "Error.h"

#include <optional>
#include <string>
#include <vector>

namespace tw::cli {

enum class PaletteChoice { Adaptive, Highland, Urban, Desert, Grey };

struct MarkerOption {
    int number = 0; // 1..8
    int x = 0;      // centre, grids
    int y = 0;
};

struct CliOptions {
    std::string picture;
    std::string output;
    std::optional<int> width, height; // grids; unset: the picture's initial size
    PaletteChoice palette = PaletteChoice::Adaptive;
    bool dither = true;
    DitherDevice ditherDevice = DitherDevice::Auto;
    bool multiplayer = false;
    std::vector<MarkerOption> starts, bunkers;
    int attribute = 0;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// A command line that cannot be followed; main answers it with the usage text, status 2.
class UsageError : public Error {
  public:
    using Error::Error;
};

// Reads the arguments after the program name. Checks what can be checked without the
// picture; marker places are checked against the map size by checkMarkers.
CliOptions parseCommandLine(const std::vector<std::string>& args);

// Every marker centre must lie inside a width x height map, edges included.
void checkMarkers(const CliOptions& options, int width, int height);

// The --help text.
std::string usageText();

// The manual page tilewright-cli(1) in roff, made from the same texts as the --help text.
std::string manPage(const std::string& version);

} // namespace tw::cli

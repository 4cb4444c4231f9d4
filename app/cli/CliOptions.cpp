#include "CliOptions.h"

#include "MapDocument.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace tw::cli {
namespace {

// A whole decimal number, nothing before or after it.
std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

void parseSize(const std::string& text, CliOptions& o) {
    const auto x = text.find_first_of("xX");
    const auto w =
        x == std::string::npos ? std::nullopt : wholeNumber(std::string_view(text).substr(0, x));
    const auto h =
        x == std::string::npos ? std::nullopt : wholeNumber(std::string_view(text).substr(x + 1));
    if (!w || !h)
        throw UsageError("--size wants WIDTHxHEIGHT in grids, e.g. 64x48, not \"" + text + "\".");
    if (*w < 1 || *w > kMaxExportGrids || *h < 1 || *h > kMaxExportGrids)
        throw UsageError("--size " + text + " is out of range: width and height must be 1 to " +
                         std::to_string(kMaxExportGrids) + " grids.");
    o.width = *w;
    o.height = *h;
}

MarkerOption parseMarker(const std::string& option, const std::string& text) {
    const auto wrong = [&] {
        return UsageError(option + " wants N=X,Y (player 1 to 8, a grid position), not \"" + text +
                          "\".");
    };
    const auto eq = text.find('=');
    const auto comma = text.find(',', eq == std::string::npos ? 0 : eq);
    if (eq == std::string::npos || comma == std::string::npos) throw wrong();
    const std::string_view all(text);
    MarkerOption m;
    const auto n = wholeNumber(all.substr(0, eq));
    if (!n) throw wrong();
    m.number = *n;
    const auto x = wholeNumber(all.substr(eq + 1, comma - eq - 1));
    if (!x) throw wrong();
    m.x = *x;
    const auto y = wholeNumber(all.substr(comma + 1));
    if (!y) throw wrong();
    m.y = *y;
    if (m.number < 1 || m.number > 8)
        throw UsageError(option + " " + text + ": the player number must be 1 to 8.");
    return m;
}

PaletteChoice parsePalette(const std::string& text) {
    if (text == "adaptive") return PaletteChoice::Adaptive;
    if (text == "highland") return PaletteChoice::Highland;
    if (text == "urban") return PaletteChoice::Urban;
    if (text == "desert") return PaletteChoice::Desert;
    if (text == "grey" || text == "gray") return PaletteChoice::Grey;
    throw UsageError("--palette wants adaptive, highland, urban, desert or grey, not \"" + text +
                     "\".");
}

DitherDevice parseDevice(const std::string& text) {
    if (text == "auto") return DitherDevice::Auto;
    if (text == "cpu") return DitherDevice::Cpu;
    if (text == "gpu") return DitherDevice::Gpu;
    throw UsageError("--dither-device wants auto, gpu or cpu, not \"" + text + "\".");
}

// The help and the manual page are written once, here: the synopsis, the summary, one row
// per option and the exit status. --help prints them as text, manPage() as roff.
constexpr const char* kSynopsis = "tilewright-cli PICTURE -o OUT.km [options]";
constexpr const char* kSummary = "Turns a picture into a KKND 2 map file (KM).";

struct OptionHelp {
    const char* names;       // as the user types them, arguments in capitals
    const char* description; // the help's lines, '\n' between them
};

// Adding an option to the help and the manual page is adding its row here.
constexpr OptionHelp kOptionHelp[] = {
    {"-o, --output OUT.km", "the map file to write"},
    {"--size WxH", "map size in grids, 1 to 251 each (default: the\n"
                   "picture's pixels div 32, plus 1, at most 251)"},
    {"--palette NAME", "adaptive (default), highland, urban, desert or grey"},
    {"--dither | --no-dither", "ordered dithering (default) or the nearest colour;\n"
                               "the grey palette always takes the grey level"},
    {"--dither-device DEVICE", "auto (default), gpu or cpu"},
    {"--multiplayer", "a multiplayer map (default: a custom mission)"},
    {"--start N=X,Y", "centre of player N's start marker (1 to 8), in grids"},
    {"--bunker N=X,Y", "centre of player N's bunker marker (1 to 8), in grids"},
    {"--attribute N", "terrain attribute of every cell, 0 to 35 (default 0)"},
    {"--quiet", "no progress and no summary"},
    {"--help", "this text"},
    {"--version", "the program's version"},
};

constexpr const char* kExitStatus = "0 done, 1 the export failed (the output file is left as "
                                    "it was),\n2 a wrong command line.";

// Only the manual page has room for these.
constexpr const char* kManDescription[] = {
    "tilewright-cli runs the export of the Tilewright window without a window, for batch "
    "conversion, scripts and machines without a display: the same picture and settings give "
    "the same bytes as the window.",
    "One grid of the map is a 32 x 32 pixel square of the picture. The defaults are the "
    "window's: the picture's initial size, the adaptive palette, dithering, a custom "
    "mission, attribute 0 and the markers' default places.",
    "The program loads libDither.so (ordered dithering on the GPU through OpenGL 2.0, on the "
    "CPU otherwise) and libOctree.so (the adaptive palette) from its own folder.",
};
constexpr const char* kManExamples[] = {
    "tilewright-cli photo.png -o map.km",
    "tilewright-cli photo.jpg -o big.km --size 200x150 --palette desert --no-dither",
    "tilewright-cli photo.jpg -o skirmish.km --multiplayer --start 1=20,20 --bunker 1=30,30",
};

// Text in roff: backslashes and minus signs escaped, no line taken for a request.
std::string roff(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else if (c == '\n')
            out += ' ';
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

// A command line in roff: options bold, their arguments italic, "|" and "," plain.
std::string roffCommand(std::string_view text, bool programFirst) {
    std::string out;
    std::size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        const std::size_t space = std::min(text.find(' ', pos), text.size());
        std::string_view word = text.substr(pos, space - pos);
        pos = space + 1;
        if (!out.empty()) out += ' ';
        std::string tail;
        if (word.ends_with(',')) {
            word.remove_suffix(1);
            tail = ",";
        }
        const bool optional = word.size() > 2 && word.front() == '[' && word.back() == ']';
        if (optional) word = word.substr(1, word.size() - 2);
        std::string formatted;
        if (word == "|")
            formatted = "|";
        else if ((first && programFirst) || word.starts_with('-'))
            formatted = "\\fB" + roff(word) + "\\fR";
        else
            formatted = "\\fI" + roff(word) + "\\fR";
        out += optional ? "[" + formatted + "]" : formatted;
        out += tail;
        first = false;
    }
    return out;
}

} // namespace

std::string usageText() {
    std::string text = std::string("Usage: ") + kSynopsis + "\n" + kSummary + "\n\n";
    constexpr std::size_t kColumn = 26; // where the descriptions start, after two spaces
    for (const OptionHelp& option : kOptionHelp) {
        std::string names = option.names;
        names.resize(std::max(kColumn, names.size() + 1), ' ');
        std::string_view description = option.description;
        for (bool firstLine = true;; firstLine = false) {
            const std::size_t end = std::min(description.find('\n'), description.size());
            text += "  " + (firstLine ? names : std::string(kColumn, ' '));
            text += description.substr(0, end);
            text += '\n';
            if (end == description.size()) break;
            description.remove_prefix(end + 1);
        }
    }
    return text + "\nExit status: " + kExitStatus + "\n";
}

std::string manPage(const std::string& version) {
    std::string page = ".TH TILEWRIGHT\\-CLI 1 \"\" \"Tilewright " + version +
                       "\" \"User Commands\"\n"
                       ".SH NAME\n"
                       "tilewright\\-cli \\- turn a picture into a KKND 2 map file (KM)\n"
                       ".SH SYNOPSIS\n" +
                       roffCommand(kSynopsis, true) + "\n.SH DESCRIPTION\n" + roff(kSummary) + "\n";
    for (const char* paragraph : kManDescription)
        page += ".PP\n" + roff(paragraph) + "\n";
    page += ".SH OPTIONS\n";
    for (const OptionHelp& option : kOptionHelp)
        page += ".TP\n" + roffCommand(option.names, false) + "\n" + roff(option.description) + "\n";
    page += ".SH EXIT STATUS\n" + roff(kExitStatus) + "\n.SH EXAMPLES\n";
    for (const char* example : kManExamples)
        page += ".PP\n.nf\n" + roff(example) + "\n.fi\n";
    page += ".SH SEE ALSO\n.BR Tilewright (1)\n";
    return page;
}

CliOptions parseCommandLine(const std::vector<std::string>& args) {
    CliOptions o;
    bool ditherGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError(a + " needs a value.");
            return args[++i];
        };
        if (a == "-o" || a == "--output") {
            o.output = value();
        } else if (a == "--size") {
            parseSize(value(), o);
        } else if (a == "--palette") {
            o.palette = parsePalette(value());
        } else if (a == "--dither" || a == "--no-dither") {
            if (ditherGiven && o.dither != (a == "--dither"))
                throw UsageError("--dither and --no-dither exclude each other.");
            ditherGiven = true;
            o.dither = a == "--dither";
        } else if (a == "--dither-device") {
            o.ditherDevice = parseDevice(value());
        } else if (a == "--multiplayer") {
            o.multiplayer = true;
        } else if (a == "--start") {
            o.starts.push_back(parseMarker(a, value()));
        } else if (a == "--bunker") {
            o.bunkers.push_back(parseMarker(a, value()));
        } else if (a == "--attribute") {
            const std::string& text = value();
            const auto n = wholeNumber(text);
            if (!n || *n < 0 || *n > 35)
                throw UsageError("--attribute wants a number from 0 to 35, not \"" + text + "\".");
            o.attribute = *n;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("Unknown option " + a + ".");
        } else if (o.picture.empty()) {
            o.picture = a;
        } else {
            throw UsageError("Only one picture can be given; \"" + a + "\" is one too many.");
        }
    }
    if (o.help || o.version) return o;
    if (o.picture.empty()) throw UsageError("No picture was given.");
    if (o.output.empty()) throw UsageError("No output file was given (-o OUT.km).");
    if (!o.multiplayer && (!o.starts.empty() || !o.bunkers.empty()))
        throw UsageError(
            "--start and --bunker place the markers of a multiplayer map: add --multiplayer.");
    return o;
}

void checkMarkers(const CliOptions& options, int width, int height) {
    const auto check = [&](const char* option, const MarkerOption& m) {
        if (m.x < 0 || m.x > width || m.y < 0 || m.y > height)
            throw UsageError(std::string(option) + " " + std::to_string(m.number) + "=" +
                             std::to_string(m.x) + "," + std::to_string(m.y) +
                             " lies outside the map of " + std::to_string(width) + " x " +
                             std::to_string(height) + " grids (0 to " + std::to_string(width) +
                             " across, 0 to " + std::to_string(height) + " down).");
    };
    for (const auto& m : options.starts)
        check("--start", m);
    for (const auto& m : options.bunkers)
        check("--bunker", m);
}

} // namespace tw::cli

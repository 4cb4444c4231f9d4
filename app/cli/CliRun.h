// tilewright-cli from arguments to exit status, over the same export as the window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tw::cli {

struct CliEnvironment {
    std::string libraryFolder;  // where libDither.so and libOctree.so are: the program's folder
    std::ostream& out;          // --help, --version
    std::ostream& err;          // messages, warnings, progress, summary
    bool errIsTerminal = false; // progress is drawn only on a terminal
};

// 0 done, 1 the export failed, 2 a wrong command line.
int runCli(const std::vector<std::string>& args, const CliEnvironment& env);

} // namespace tw::cli

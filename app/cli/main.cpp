// tilewright-cli: the KM export from the command line, for batches, scripts and machines
// without a display. The libraries are loaded from the program's own folder.
#include "CliRun.h"

#include <QCoreApplication>

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    // Picture formats beyond the built-in ones are plugins found through the application.
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const tw::cli::CliEnvironment env{QCoreApplication::applicationDirPath().toStdString(),
                                      std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1};
    return tw::cli::runCli(args, env);
}

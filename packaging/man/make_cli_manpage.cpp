// Writes the manual page of tilewright-cli, made from the texts of its --help, into the
// file named by the first argument.
#include "CliOptions.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_cli_manpage OUT.1 VERSION\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << tw::cli::manPage(argv[2]);
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_cli_manpage: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

// kavohost-run: the stand-in's interactive host. It loads plug-ins, calls
// their entries, opens, saves and closes parts and raises part events, as
// told by a command script (a file, or standard input). See
// docs/standin-host.md for the commands.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include <standin/testing.hpp>

#include "commands.hpp"

namespace {

void print_usage() {
    std::fputs(
        "usage: kavohost-run [script]\n"
        "Runs the host commands of the script, one a line (standard input when\n"
        "no script or \"-\" is given). Exit code 0 when every command worked,\n"
        "1 when one failed, 2 when the script cannot be read.\n",
        stderr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 ||
        (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
        print_usage();
        return 2;
    }
    standin::echo_refusals(true);  // a refused file's syslog line also goes to standard error
    kavohost_run::Interpreter interpreter;
    int failures = 0;
    if (argc == 1 || std::strcmp(argv[1], "-") == 0) {
        failures = interpreter.run(std::cin);
    } else {
        std::ifstream script(argv[1]);
        if (!script) {
            std::fprintf(stderr, "kavohost-run: cannot read the script %s\n", argv[1]);
            return 2;
        }
        failures = interpreter.run(script);
    }
    return failures == 0 ? 0 : 1;
}

#include "sim/SimOptions.h"
#include "sim/SimServer.h"

#include "res/Version.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    std::optional<korvexsim::SimOptions> options = korvexsim::SimOptions::parse(args, error);
    if (!options) {
        std::fprintf(stderr, "korvex-sim: %s (see korvex-sim --help)\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(korvexsim::SimOptions::helpText().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("korvex-sim %s\n", KORVEX_VERSION);
        return 0;
    }
    korvexsim::SimServer server(std::move(*options));
    return server.run();
}

// Entry point of the game: the command line and the trace switches from the environment, then the
// program.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "diag/diag.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/win.h"
#include "shell/shell.h"

namespace {

constexpr const char* USAGE = "usage: lobshot [--seed N]\n";

// A bad command line: the reason and the usage on standard error, and status 2.
int BadCommandLine(const char* format, const char* value) {
    std::fputs("lobshot: ", stderr);
    std::fprintf(stderr, format, value);
    std::fputs("\n", stderr);
    std::fputs(USAGE, stderr);
    return 2;
}

// Takes up the options; 0 when they are all good, else the exit status.
int ReadCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--seed") == 0) {
            if (i + 1 >= argc) return BadCommandLine("%s needs a value", arg);
            std::uint32_t seed = 0;
            if (!SdlParseSeed(argv[++i], &seed))
                return BadCommandLine("bad seed \"%s\" (a number from 0 to 4294967295)", argv[i]);
            SdlStartFromSeed(seed);
        } else {
            return BadCommandLine("unknown option \"%s\"", arg);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (int status = ReadCommandLine(argc, argv)) return status;
    DiagConfigureFromEnvironment();
    int status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    PlatformShutdown();
    return status;
}

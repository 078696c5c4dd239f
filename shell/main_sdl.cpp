// Entry point of the game: the command line and the trace switches from the environment, then the
// program, and the run's replay saved when it ends.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "diag/diag.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/win.h"
#include "replay/session.h"
#include "replay/store.h"
#include "shell/shell.h"

namespace {

constexpr const char* USAGE = "usage: lobshot [--seed N | --replay FILE]\n";

// A bad command line: the reason and the usage on standard error, and status 2.
int BadCommandLine(const char* format, const char* value) {
    std::fputs("lobshot: ", stderr);
    std::fprintf(stderr, format, value);
    std::fputs("\n", stderr);
    std::fputs(USAGE, stderr);
    return 2;
}

// Takes up the options; 0 when they are all good, else the exit status. A replay's file name goes
// to *replayFile.
int ReadCommandLine(int argc, char** argv, std::string* replayFile) {
    bool seedGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--replay") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return BadCommandLine("%s needs a file name", arg);
            *replayFile = argv[++i];
        } else if (std::strcmp(arg, "--seed") == 0) {
            seedGiven = true;
            if (i + 1 >= argc) return BadCommandLine("%s needs a value", arg);
            std::uint32_t seed = 0;
            if (!SdlParseSeed(argv[++i], &seed))
                return BadCommandLine("bad seed \"%s\" (a number from 0 to 4294967295)", argv[i]);
            SdlStartFromSeed(seed);
        } else {
            return BadCommandLine("unknown option \"%s\"", arg);
        }
    }
    if (seedGiven && !replayFile->empty()) return BadCommandLine("%s brings its own seed", "--replay");
    return 0;
}

// Loads a replay to play in the window; 0, or 2 after saying why it cannot be played.
int LoadReplay(const std::string& file) {
    ReplayRecord replay;
    std::string error;
    if (!ReplayReadFile(file, &replay, &error)) {
        std::fprintf(stderr, "lobshot: cannot play the replay: %s\n", error.c_str());
        return 2;
    }
    ReplayLoad(replay, true);
    return 0;
}

// Keeps the run just played with the newest replays; a failure is reported and changes nothing else.
void SaveReplay() {
    std::string saved, error;
    if (ReplaySaveInDirectory(ReplayDirectory(), ReplayRecorded(), KEPT_REPLAYS, &saved, &error))
        DiagTrace(DIAG_DEBUG, "main", __LINE__, "main", "ReplayRecord saved as %s", saved.c_str());
    else
        std::fprintf(stderr, "lobshot: the game's replay was not saved: %s\n", error.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::string replayFile;
    if (int status = ReadCommandLine(argc, argv, &replayFile)) return status;
    if (!replayFile.empty())
        if (int status = LoadReplay(replayFile)) return status;
    DiagConfigureFromEnvironment();
    int status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    if (status == 0 && replayFile.empty()) SaveReplay();
    PlatformShutdown();
    return status;
}

// Entry point of the game in a web page: the page's options and replay, the program, and what the
// page's script may ask of the game (its state snapshot and mode, for the browser tests).
#include <string>

#include "core/globals.h"
#include "platform/web/web_platform.h"
#include "platform/win.h"
#include "programs/web_replay.h"
#include "shell/shell.h"
#include "snapshot/state_snapshot.h"

namespace {

// The snapshot taken as the game quit, as the replay runner writes it then; empty while it runs.
std::string FinalState;

void KeepFinalState() { FinalState = StateSnapshotJson(); }

}  // namespace

extern "C" {

// The replay runner's state snapshot, valid until the next call.
const char* lobshot_state_json() {
    static std::string json;
    json = FinalState.empty() ? StateSnapshotJson() : FinalState;
    return json.c_str();
}

// The name of the current mode ("Title", "Aiming", ...).
const char* lobshot_mode() {
    const char* name = GameModeName(CurrentMode);
    return name ? name : "?";
}

}  // extern "C"

int main() {
    WebStartFromPage();
    // The page's seed, or with steps the stepped clock's start; otherwise start-up reads the
    // calendar clock, so each visit plays a different game.
    if (WebOptions().seedGiven || WebOptions().steps) ShellStartWithSeed(WebOptions().seed);
    // A replay the page holds brings its own seed.
    WebLoadPageReplay();
    WebSetBeforeQuit(KeepFinalState);
    const int status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    WebGameEnded(status);
    PlatformShutdown();
    return status;
}

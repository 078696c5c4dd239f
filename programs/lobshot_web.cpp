// Entry point of the game in a web page: the page's options, its replay or the online room it joins,
// the program, and what the page's script may ask of the game (its state snapshot, mode and whether
// it waits for this machine, for the browser tests).
#include <string>

#include "core/globals.h"
#include "diag/diag.h"
#include "netplay/lockstep.h"
#include "platform/web/web_platform.h"
#include "platform/web/web_relay.h"
#include "platform/win.h"
#include "programs/web_replay.h"
#include "shell/shell.h"
#include "snapshot/state_snapshot.h"

namespace {

// The snapshot taken as the game quit, as the replay runner writes it then; empty while it runs.
std::string FinalState;

void KeepFinalState() { FinalState = StateSnapshotJson(); }

// With a room in the page's address, the game joins it as a guest or watches it (the page never
// hosts); a room
// that cannot be joined leaves the game at one keyboard, saying why on the page's console. A replay
// is played alone, not in a room.
void JoinRoomOfPage() {
    const WebPageOptions& options = WebOptions();
    if (options.room.empty()) return;
    std::string error;
    if (!options.replay.empty()) {
        DiagTrace(DIAG_ERROR, "main", __LINE__, "JoinRoomOfPage", "A replay is played alone, not in a room");
        return;
    }
    const NetRole role = options.watch ? NetRole::Watch : NetRole::Join;
    std::unique_ptr<net::Transport> transport =
        WebJoinRoom(WebRelayAddress(), options.room, options.watch, NetTransportOptions(role), &error);
    if (!transport) {
        DiagTrace(DIAG_ERROR, "main", __LINE__, "JoinRoomOfPage", "The room cannot be joined: %s",
                  error.c_str());
        return;
    }
    NetConfigure(role, std::move(transport), "room " + options.room, options.room);
    // Stepped, the page's ticks come as its script asks, as a replay runner's do.
    NetTicksPaced(!options.steps);
}

}  // namespace

extern "C" {

// The replay runner's state snapshot, valid until the next call.
const char* lobshot_state_json() {
    static std::string json;
    json = FinalState.empty() ? StateSnapshotJson() : FinalState;
    return json.c_str();
}

// Whether the next frame step waits for this machine's keys (always at one keyboard).
int lobshot_mine() { return NetMine() ? 1 : 0; }

// Frame steps run so far (the snapshot's "frame", without taking a snapshot).
int lobshot_frame() { return static_cast<int>(FrameCounter); }

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
    JoinRoomOfPage();
    const int status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    WebGameEnded(status);
    PlatformShutdown();
    return status;
}

// Entry point of the game in a web page: the page's options, its replay or the online room it joins,
// the program, and what the page's script may ask of the game (its state snapshot, mode and whether
// it waits for this machine, for the browser tests).
#include <algorithm>
#include <string>

#include "core/globals.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "netplay/lockstep.h"
#include "platform/backend.h"
#include "platform/resource.h"
#include "platform/web/web_platform.h"
#include "platform/web/web_relay.h"
#include "platform/win.h"
#include "pointer/pointer_screen.h"
#include "programs/web_replay.h"
#include "projectiles/projectile_collection.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "screens/setup_state.h"
#include "shell/shell.h"
#include "snapshot/state_snapshot.h"
#include "sound/sound.h"

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
    NetSetMachineKind(net::MachineKind::Page);
    // Stepped, the page's ticks come as its script asks, as a replay runner's do.
    NetTicksPaced(!options.steps);
}

// Everything of the game that lives for the process back as the program found it, so that another
// game starts as a new visit's would (the same resets the tests make between their games).
void ResetForAnotherGame() {
    FinalState.clear();
    ShellResetForTests();
    GraphxResetForTests();
    PlatformResetForTests();
    LandscapeResetForTests();
    ProjectilesResetForTests();
    SetupScreensResetForTests();
    SoundResetForTests();
    ResourceClearOverrides();
    Timings = ShellTimings{};
}

// The page's person away (1), back (0), or gone with the page (2).
void SayPresence(int presence) {
    if (presence == 2)
        NetLeaveNow();
    else
        NetSayAway(presence == 1);
}

// The page's seed for a game (see main).
void GiveSeed() {
    if (WebOptions().seedGiven || WebOptions().steps) ShellStartWithSeed(WebOptions().seed);
}

// A zone as JSON: [left, right, key].
std::string ZoneJson(const PointerZone& zone) {
    return "[" + std::to_string(zone.left) + "," + std::to_string(zone.right) + "," +
           std::to_string(zone.key) + "]";
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

// What the pointer knows of the screen (pointer/pointer_screen.h) as JSON, for the browser tests to
// find their way on it; valid until the next call.
const char* lobshot_pointer_screen() {
    const PointerScreen& screen = PointerScreenShown();
    std::string rows;
    for (int i = 0; i < std::min<int>(screen.rowCount, screen.rows.size()); ++i) {
        const PointerRow& row = screen.rows[static_cast<std::size_t>(i)];
        std::string zones;
        for (int z = 0; z < std::min<int>(row.zoneCount, row.zones.size()); ++z)
            zones += (z ? "," : "") + ZoneJson(row.zones[static_cast<std::size_t>(z)]);
        rows += std::string(i ? "," : "") + "{\"top\":" + std::to_string(row.top) +
                ",\"bottom\":" + std::to_string(row.bottom) + ",\"cursor\":" + std::to_string(row.cursor) +
                ",\"zones\":[" + zones + "]}";
    }
    std::string bar;
    for (int z = 0; z < std::min<int>(screen.barZoneCount, screen.barZones.size()); ++z)
        bar += (z ? "," : "") + ZoneJson(screen.barZones[static_cast<std::size_t>(z)]);
    static std::string json;
    json = "{\"mode\":" + std::to_string(screen.mode) + ",\"frame\":" + std::to_string(screen.frame) +
           ",\"prompt\":" + (screen.prompt ? "true" : "false") + ",\"yes\":[" +
           std::to_string(screen.yesTop) + "," + std::to_string(screen.yesBottom) +
           "],\"mayAim\":" + (screen.mayAim ? "true" : "false") + ",\"seat\":" + std::to_string(screen.seat) +
           ",\"pivot\":[" + std::to_string(screen.pivotX) + "," + std::to_string(screen.pivotY) +
           "],\"angle\":" + std::to_string(screen.angle) + ",\"power\":" + std::to_string(screen.power) +
           ",\"barTop\":" + std::to_string(screen.barTop) + ",\"bar\":[" + bar +
           "],\"cursor\":" + std::to_string(screen.cursor) + ",\"rows\":[" + rows + "]}";
    return json.c_str();
}

// The game's replay so far (the whole game's once it has ended), in the replay file's format; valid
// until the next call.
const char* lobshot_replay() {
    static std::string text;
    text = FormatReplay(ReplayRecorded());
    return text.c_str();
}

}  // extern "C"

int main() {
    WebStartFromPage();
    // The page's seed, or with steps the stepped clock's start; otherwise start-up reads the
    // calendar clock, so each visit plays a different game.
    GiveSeed();
    // A replay the page holds brings its own seed.
    WebLoadPageReplay();
    WebSetBeforeQuit(KeepFinalState);
    WebSetPresence(SayPresence);
    NetRejoinAfterAbsence(true);
    JoinRoomOfPage();
    int status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    // A room's page that lost its connection while away (frozen by the browser) joins again.
    while (status == 0 && NetRejoinWanted()) {
        ResetForAnotherGame();
        WebReadyAnotherGame();
        GiveSeed();
        JoinRoomOfPage();
        status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    }
    WebGameEnded(status);
    WebRefuseStoppedReplay();
    // A game at one keyboard that ended as it should is followed by another when the player asks,
    // in place; a replay's page and a room's start anew from their address.
    const bool another = WebOptions().replay.empty() && WebOptions().room.empty() && !ReplayPlaying();
    while (status == 0 && another && WebWaitForAnotherGame()) {
        ResetForAnotherGame();
        GiveSeed();
        status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
        WebGameEnded(status);
    }
    PlatformShutdown();
    return status;
}

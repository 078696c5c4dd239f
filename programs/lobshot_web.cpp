// Entry point of the game in a web page: the page's options, its replay or the online room it opens
// or joins, the program, and what the page's script may ask of the game (its state snapshot, mode and whether
// it waits for this machine, for the browser tests).
#include <algorithm>
#include <string>
#include <vector>

#include "core/globals.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "net/people_text.h"
#include "net/relay_address.h"
#include "net/relay_rooms.h"
#include "net/room_code.h"
#include "netplay/lockstep.h"
#include "online/online_start.h"
#include "options/options.h"
#include "platform/backend.h"
#include "platform/resource.h"
#include "platform/web/web_platform.h"
#include "platform/web/web_relay.h"
#include "platform/web/web_room.h"
#include "platform/web/web_storage.h"
#include "platform/win.h"
#include "pointer/pointer_screen.h"
#include "programs/another_run.h"
#include "programs/kept_settings.h"
#include "programs/web_replay.h"
#include "projectiles/projectile_collection.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "screens/setup_state.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "snapshot/state_snapshot.h"
#include "sound/sound.h"
#include "text/text.h"

namespace {

// The snapshot taken as the game quit, as the replay runner writes it then; empty while it runs.
std::string FinalState;

void KeepFinalState() { FinalState = StateSnapshotJson(); }

// A room the starter opened, configured as its game starts: at once for the page's address, or
// for the game after the one whose menus opened it.
struct StartedRoom {
    NetRole role = NetRole::Local;
    std::unique_ptr<net::Transport> transport;
    std::string code;
    std::string watchCode;  // a host's, for its spectators
    std::string relay;
};
StartedRoom PendingRoom;
// The room this page last joined or watched, to join again after an absence; whether a run is going
// (a room started from its menus ends it, and the next run plays in the room).
OnlineRequest RoomJoined;
bool RunGoing = false;
// A relay typed on the page's menu, kept for this visit; otherwise the page's own.
std::string MenuRelayGiven;

std::string PageRelay() { return MenuRelayGiven.empty() ? WebRelayAddress() : MenuRelayGiven; }

bool KeepPageRelay(const std::string& relay, std::string* error) {
    if (!net::CheckRelays(relay, TrLater("The relay"), error)) return false;
    MenuRelayGiven = relay;
    return true;
}

// A link to room `code` on this page ("room" joins it, "watch" watches it), naming its relay unless
// it is the page's own.
std::string PageLink(const char* what, const std::string& code, const std::string& relay) {
    std::string link = WebPageAddress() + "#" + what + "=" + code;
    if (!WebOptions().relay.empty() || relay != WebRelayAddress()) link += "&relay=" + relay;
    return link;
}

// The page's starter of online rooms: the menus' Open keeps a room on the page's relay (made with a
// fresh code, its links filled in); Join and Watch take a room by its code.
bool StartWebRoom(const OnlineRequest& request, OnlineRoom* room, std::string* error) {
    const std::string relay = request.relay.empty() ? PageRelay() : request.relay;
    const bool hosting = request.action == OnlineAction::Open;
    const NetRole role = hosting                                 ? NetRole::Host
                         : request.action == OnlineAction::Watch ? NetRole::Watch
                                                                 : NetRole::Join;
    std::string code, watchCode, broker;
    const auto open = [&](const std::string& at, const std::string& room, const std::string& watch,
                          std::string* problem) {
        return WebOpenRoom(at, room, watch, NetTransportOptions(role), problem);
    };
    std::unique_ptr<net::Transport> transport;
    if (hosting)
        transport = net::OpenRoomOnSomeRelay(relay, open, &code, &watchCode, &broker, error);
    else if (net::ParseRoomCode(request.code, &code, error) && net::RelayForCode(relay, code, &broker, error))
        transport = WebJoinRoom(broker, code, NetTransportOptions(role), error);
    if (!transport) return false;
    PendingRoom = StartedRoom{role, std::move(transport), code, watchCode, broker};
    *room = OnlineRoom{code, hosting ? PageLink("room", code, relay) : "",
                       hosting ? PageLink("watch", watchCode, relay) : "", watchCode};
    if (!hosting) RoomJoined = OnlineRequest{request.action, code, relay};
    if (RunGoing) PostQuitMessage(0);
    return true;
}

// This machine's person's name, asked once and kept by the page, cleaned as every name is.
void NamePerson() {
    const std::string name = net::CleanPeopleText(WebPersonName(), net::kMaxNameLength);
    WebKeepPersonName(name);
    NetSetName(name);
}

void SayFromPage(const std::string& line) { NetSay(line); }

// Configures the room the starter opened for the game about to start: the host says on the page
// that it keeps the room, and keeps stepping it from a background tab; people in the room have
// their name and the chat field.
void ConfigureStartedRoom() {
    if (!PendingRoom.transport) return;
    StartedRoom started = std::move(PendingRoom);
    PendingRoom = StartedRoom{};
    const bool hosting = started.role == NetRole::Host;
    NetConfigure(started.role, std::move(started.transport), hosting ? started.relay : "room " + started.code,
                 started.code);
    NetSetMachineKind(net::MachineKind::Page);
    // Stepped, the page's ticks come as its script asks, as a replay runner's do.
    NetTicksPaced(!WebOptions().steps);
    WebInRoom(hosting);
    if (hosting) {
        NetSetRoomPage(WebPageAddress(), started.watchCode);
        const OnlineRoom& room = CurrentOnlineRoom();
        WebShowHostedRoom(room.code, room.inviteLink, room.watchLink);
    }
    if (started.role != NetRole::Watch) {
        NamePerson();
        WebSetChat(SayFromPage);
    }
}

// With a room in the page's address, the game opens it ("#host"), joins it as a guest or watches
// it; a room that cannot be opened or joined leaves the game at one keyboard, saying why on the
// page's console. A replay is played alone, not in a room.
void StartRoomOfPage() {
    const WebPageOptions& options = WebOptions();
    if (!RoomJoined.code.empty()) {
        std::string error;
        if (StartOnline(RoomJoined, nullptr, &error))
            ConfigureStartedRoom();
        else
            DiagTrace(DIAG_ERROR, "main", __LINE__, "StartRoomOfPage", "The room cannot be joined again: %s",
                      error.c_str());
        return;
    }
    if (options.room.empty() && !options.host) return;
    if (!options.replay.empty()) {
        DiagTrace(DIAG_ERROR, "main", __LINE__, "StartRoomOfPage", "A replay is played alone, not in a room");
        return;
    }
    OnlineRequest request;
    request.action = options.host    ? OnlineAction::Open
                     : options.watch ? OnlineAction::Watch
                                     : OnlineAction::Join;
    request.code = options.room;
    std::string error;
    if (!StartOnline(request, nullptr, &error)) {
        DiagTrace(DIAG_ERROR, "main", __LINE__, "StartRoomOfPage", "The room cannot be %s: %s",
                  options.host ? "opened" : "joined", error.c_str());
        return;
    }
    ConfigureStartedRoom();
}

// Everything of the game that lives for the process back as the program found it, so that another
// game starts as a new visit's would.
void ResetForAnotherGame() {
    FinalState.clear();
    ResetForAnotherRun(false);
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

// The player's settings on this page are kept in its storage (platform/web/web_storage.h) in the
// native game's format.
void WriteStoredSettings(const Settings& settings) { WebStorageWrite(SettingsText(settings)); }

// Before each game of the page: the words for a touch screen, and the settings as stored: the
// sound, the Options screen, and the player choice from the last game's unless the page plays a
// replay, a room's game or the game of a seed it was given (a link to one game, which starts alike
// for everyone). A page stepped by its script (the browser tests) reads none of them.
void UseSettingsOfPage() {
    PointerSetTouch(WebTouchScreen());
    const WebPageOptions& options = WebOptions();
    if (options.steps) return;
    std::vector<std::string> faults;
    TheSettings = SettingsParse(WebStorageRead(), "the page's settings", &faults);
    for (const std::string& fault : faults)
        DiagTrace(DIAG_HIGH, "Settings", __LINE__, "UseSettingsOfPage", "%s", fault.c_str());
    ShellSetSound({TheSettings.volume, TheSettings.mute});
    SetLanguage(TheSettings.language);
    KeepSettingsWith({&WriteStoredSettings});
    if (options.replay.empty() && options.room.empty() && !options.host && !options.seedGiven)
        ShellStartWithChoice(TheSettings.game);
}

// One run of the game; a room started from its menus ends it, and the next run plays in the room.
int RunGame() {
    RunGoing = true;
    const int status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    RunGoing = false;
    return status;
}

// Runs the game, and after it the runs it leads to: a room's page that lost its connection while
// away (frozen by the browser) joins again, and a room opened from the menus is played in a run of
// its own.
int RunInRooms() {
    int status = RunGame();
    for (;;) {
        const bool rejoin = status == 0 && NetRejoinWanted();
        if (!rejoin && (status != 0 || !PendingRoom.transport)) return status;
        ResetForAnotherGame();
        WebReadyAnotherGame();
        UseSettingsOfPage();
        GiveSeed();
        if (rejoin)
            StartRoomOfPage();
        else
            ConfigureStartedRoom();
        status = RunGame();
    }
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
    UseSettingsOfPage();
    // The page's seed, or with steps the stepped clock's start; otherwise start-up reads the
    // calendar clock, so each visit plays a different game.
    GiveSeed();
    // A replay the page holds brings its own seed.
    WebLoadPageReplay();
    WebSetBeforeQuit(KeepFinalState);
    WebSetPresence(SayPresence);
    NetRejoinAfterAbsence(true);
    // A stepped page is the replay runner's twin, whose pictures the browser tests compare with the
    // runner's: like the runner, its title offers no online play, unless its address names a relay
    // (a room's page, stepped by its script, opens its room from the menu as a person would).
    SetOnlineStarter(StartWebRoom, !WebOptions().steps || !WebOptions().relay.empty());
    SetOnlineRelay(&PageRelay, &KeepPageRelay);
    StartRoomOfPage();
    int status = RunInRooms();
    WebGameEnded(status);
    WebRefuseStoppedReplay();
    // A game at one keyboard that ended as it should is followed by another when the player asks,
    // in place; a replay's page and a room's start anew from their address.
    while (status == 0 && WebOptions().replay.empty() && CurrentOnlineRoom().code.empty() &&
           !ReplayPlaying() && WebWaitForAnotherGame()) {
        ResetForAnotherGame();
        UseSettingsOfPage();
        GiveSeed();
        status = RunInRooms();
        WebGameEnded(status);
    }
    PlatformShutdown();
    return status;
}

// Entry point of the game: the player's settings, the command line and the trace switches from the
// environment, then the program, and the run's replay saved when it ends.
#include <pwd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "diag/diag.h"
#include "net/enet/enet_transport.h"
#include "net/mqtt/mqtt_transport.h"
#include "net/people_text.h"
#include "net/relay_address.h"
#include "net/relay_rooms.h"
#include "net/room_code.h"
#include "net/transport.h"
#include "netplay/lockstep.h"
#include "online/online_start.h"
#include "options/options.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/win.h"
#include "programs/another_run.h"
#include "programs/kept_settings.h"
#include "replay/journal.h"
#include "replay/session.h"
#include "replay/store.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "text/text.h"

namespace {

constexpr const char* USAGE =
    "usage: lobshot [--help | --version | --seed N | --replay FILE | --host [PORT] [--code]\n"
    "                | --join HOST[:PORT] [--code CODE]\n"
    "                | --online [CODE] [--relay ADDRESS:PORT] [--page URL] | --watch CODE [--relay "
    "ADDRESS:PORT]]\n"
    "               [--name NAME] [--windowed | --fullscreen] [--mute] [--nosound]\n"
    "An online room's relay is --relay, else LOBSHOT_RELAY, else the settings' relay,\n"
    "else the one line of $XDG_CONFIG_HOME/lobshot/relay, else 127.0.0.1:1883. A\n"
    "hosted room is also shown as a link to the game's web page at --page, else\n"
    "LOBSHOT_PAGE, if given.\n";

#ifndef LOBSHOT_VERSION
#error "LOBSHOT_VERSION must name the game's version"
#endif

constexpr const char* HELP =
    "Usage: lobshot [OPTION]...\n"
    "A turn-based artillery game for two to eight players, at one keyboard or gamepad, against the\n"
    "computer or over the network; without an option it starts at its title, from a new seed.\n"
    "\n"
    "  --seed N              start from seed N (0 to 4294967295) instead of the clock\n"
    "  --replay FILE         play a replay in the window instead of a game\n"
    "  --host [PORT]         host a network game on UDP port PORT (26510 by default)\n"
    "  --join HOST[:PORT]    join the network game hosted at HOST, a name or an IPv4\n"
    "                          address (IPv6 ones are refused: see the manual page)\n"
    "  --code [CODE]         with --host: ask joiners for a join code, shown on screen;\n"
    "                          with --join: give the host's join code\n"
    "  --online [CODE]       host an online room on the relay, or join the room of CODE\n"
    "  --watch CODE          watch the game of that online room\n"
    "  --relay ADDRESS:PORT  the relay (MQTT broker) of --online and --watch\n"
    "  --page URL            the game's web page, for a link to a hosted room\n"
    "  --name NAME           your name in network games (16 characters at most;\n"
    "                          by default the settings' name, else the first word of\n"
    "                          your account's full name)\n"
    "  --windowed            play in a window this time\n"
    "  --fullscreen          play full screen this time\n"
    "  --mute                start with the sound off (F9 turns it on)\n"
    "  --nosound             play without sound this time\n"
    "      --help            display this help and exit\n"
    "      --version         output version information and exit\n"
    "\n"
    "Each option is taken once: one given twice is refused.\n"
    "An online room's relay is --relay, else LOBSHOT_RELAY, else the settings' relay,\n"
    "else the one this build was published with, else the one line of\n"
    "$XDG_CONFIG_HOME/lobshot/relay, else 127.0.0.1:1883. On the title, O opens the\n"
    "online menu: open, join or watch a room, or change the relay.\n"
    "Full screen, the volume (F7, F8; F9 for off), your name and the relay are kept\n"
    "in $XDG_CONFIG_HOME/lobshot/settings; the options above change only this run.\n"
    "Replays are kept in $XDG_DATA_HOME/lobshot/replays; trace rows go to standard output.\n"
    "\n"
    "Exit status: 0 after a normal run, 1 when the game cannot start, 2 for a bad command\n"
    "line or a replay it cannot play.\n"
    "\n"
    "The controls, the files and the environment are described in lobshot(6).\n";

constexpr const char* VERSION_TEXT =
    "lobshot " LOBSHOT_VERSION
    "\n"
    "Copyright (C) 2026 the Lobshot developers.\n"
    "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

// --help or --version anywhere on the command line: the text on standard output, and the rest of
// the command line is not looked at. Returns -1 when neither is there, else the exit status (1
// when standard output cannot take the text).
int AnswerHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const bool help = std::strcmp(argv[i], "--help") == 0;
        if (!help && std::strcmp(argv[i], "--version") != 0) continue;
        std::fputs(help ? HELP : VERSION_TEXT, stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "lobshot: cannot write to standard output\n");
            return 1;
        }
        return 0;
    }
    return -1;
}

// The network game the command line asks for.
struct NetworkChoice {
    bool host = false;
    std::uint16_t port = DEFAULT_NET_PORT;
    std::string joinHost;  // empty: not joining
    // --code: a host asks for a join code (codeAsked), a guest gives the code (joinCode).
    bool codeAsked = false;
    std::string joinCode;
    // --online [CODE]: host a room on the relay (no code), or join the room of the code; --watch
    // CODE: watch that room's game as a spectator.
    bool online = false;
    bool watch = false;
    std::string roomCode;
    const char* relayOption = nullptr;  // --relay's value, if given
    std::string name;                   // --name's value, cleaned; empty: the account's
};

// --page's value, if given: the page of a room the command line or the menu opens.
const char* PageOption = nullptr;

// A bad command line: the reason and the usage on standard error, and status 2.
int BadCommandLine(const char* format, const char* value) {
    std::fputs("lobshot: ", stderr);
    std::fprintf(stderr, format, value);
    std::fputs("\n", stderr);
    std::fputs(USAGE, stderr);
    return 2;
}

bool IsOption(const char* arg) {
    for (const char* name :
         {"--host", "--join", "--code", "--watch", "--online", "--relay", "--page", "--replay", "--seed",
          "--name", "--windowed", "--fullscreen", "--mute", "--nosound"})
        if (std::strcmp(arg, name) == 0) return true;
    return false;
}

// Whether the window is full screen now (the command line may have said otherwise this run).
bool FullscreenNow = true;

void WriteSettingsFile(const Settings& settings) {
    const std::string path = SettingsPath();
    if (!path.empty()) SettingsWrite(path, settings);
}

bool FullscreenIsNow() { return FullscreenNow; }

void FullscreenSwitched(bool fullscreen) {
    TheSettings.fullscreen = FullscreenNow = fullscreen;
    SaveKeptSettings();
}

// Starts the window and the sound as the settings and this run's overrides say, and keeps what the
// player switches in play. The player choice starts from the last game's unless a replay is played
// or a network game joined, which bring their own.
void ApplySettings(const SettingsOverrides& overrides, bool ownGame) {
    const Settings run = SettingsForRun(TheSettings, overrides);
    FullscreenNow = run.fullscreen;
    SdlStartFullscreen(run.fullscreen);
    if (overrides.nosound) SdlStartWithoutSound();
    ShellSetSound({run.volume, run.mute});
    SetLanguage(run.language);
    SdlWatchFullscreen(&FullscreenSwitched);
    if (ownGame) ShellStartWithChoice(TheSettings.game);
    KeepSettingsWith({&WriteSettingsFile, &FullscreenIsNow, &SdlSwitchFullscreen});
}

// Takes up the options; 0 when they are all good, else the exit status. A replay's file name goes
// to *replayFile.
int ReadCommandLine(int argc, char** argv, std::string* replayFile, NetworkChoice* network,
                    SettingsOverrides* overrides) {
    bool seedGiven = false;
    std::set<std::string> given;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (IsOption(arg) && !given.insert(arg).second)
            return BadCommandLine("%s is given twice (each option is taken once)", arg);
        if (std::strcmp(arg, "--host") == 0) {
            network->host = true;
            if (i + 1 < argc && argv[i + 1][0] != '-') {
                const std::string text = std::string("host:") + argv[++i];
                std::string host, error;
                if (!net::ParseHostPort(text, &host, &network->port, &error))
                    return BadCommandLine("bad port \"%s\" (a number from 1 to 65535)", argv[i]);
            }
        } else if (std::strcmp(arg, "--join") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return BadCommandLine("%s needs HOST[:PORT]", arg);
            std::string error;
            if (!net::ParseHostOptionalPort(argv[++i], DEFAULT_NET_PORT, &network->joinHost, &network->port,
                                            &error))
                return BadCommandLine("%s", error.c_str());
        } else if (std::strcmp(arg, "--code") == 0) {
            network->codeAsked = true;
            std::string error;
            if (i + 1 < argc && argv[i + 1][0] != '-' &&
                !net::ParseRoomCode(argv[++i], &network->joinCode, &error))
                return BadCommandLine("bad join code: %s", error.c_str());
        } else if (std::strcmp(arg, "--watch") == 0) {
            if (network->online)
                return BadCommandLine("%s", "a machine either plays in a room or watches it");
            network->online = network->watch = true;
            std::string error;
            if (i + 1 >= argc || argv[i + 1][0] == '-') return BadCommandLine("%s needs a room code", arg);
            if (!net::ParseRoomCode(argv[++i], &network->roomCode, &error))
                return BadCommandLine("bad room code: %s", error.c_str());
        } else if (std::strcmp(arg, "--online") == 0) {
            if (network->online)
                return BadCommandLine("%s", "a machine either plays in a room or watches it");
            network->online = true;
            if (i + 1 < argc && argv[i + 1][0] != '-') {
                std::string error;
                if (!net::ParseRoomCode(argv[++i], &network->roomCode, &error))
                    return BadCommandLine("bad room code: %s", error.c_str());
            }
        } else if (std::strcmp(arg, "--relay") == 0) {
            if (i + 1 >= argc) return BadCommandLine("%s needs ADDRESS:PORT", arg);
            network->relayOption = argv[++i];
        } else if (std::strcmp(arg, "--page") == 0) {
            if (i + 1 >= argc) return BadCommandLine("%s needs a URL", arg);
            PageOption = argv[++i];
        } else if (std::strcmp(arg, "--name") == 0) {
            if (i + 1 >= argc) return BadCommandLine("%s needs a name", arg);
            network->name = net::CleanPeopleText(argv[++i], net::kMaxNameLength);
            if (network->name.empty())
                return BadCommandLine("%s needs a name with a letter the game can show", arg);
        } else if (std::strcmp(arg, "--replay") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return BadCommandLine("%s needs a file name", arg);
            *replayFile = argv[++i];
        } else if (std::strcmp(arg, "--seed") == 0) {
            seedGiven = true;
            if (i + 1 >= argc) return BadCommandLine("%s needs a value", arg);
            std::uint32_t seed = 0;
            if (!SdlParseSeed(argv[++i], &seed))
                return BadCommandLine("bad seed \"%s\" (a number from 0 to 4294967295)", argv[i]);
            ShellStartWithSeed(seed);
        } else if (!SettingsTakeOption(arg, overrides)) {
            return BadCommandLine("unknown option \"%s\"", arg);
        }
    }
    if (overrides->windowed && overrides->fullscreen)
        return BadCommandLine("%s", "a run is either --windowed or --fullscreen");
    if (seedGiven && !replayFile->empty()) return BadCommandLine("%s brings its own seed", "--replay");
    if (network->host && !network->joinHost.empty())
        return BadCommandLine("%s", "a machine either hosts or joins a network game, not both");
    const bool hostAsks = network->host && network->joinCode.empty();
    const bool joinerGives = !network->joinHost.empty() && !network->joinCode.empty();
    if (network->codeAsked && !hostAsks && !joinerGives)
        return BadCommandLine("%s", "--code goes with --host alone, or with --join and the host's code");
    if (network->online && (network->host || !network->joinHost.empty()))
        return BadCommandLine("%s", "an online room is played through the relay, without --host or --join");
    if (network->relayOption && !network->online)
        return BadCommandLine("%s",
                              "--relay names the broker of online rooms: it goes with --online or --watch");
    if (PageOption && (!network->online || !network->roomCode.empty()))
        return BadCommandLine("%s",
                              "--page names the page that opens a hosted room: it goes with --online alone");
    if ((network->host || !network->joinHost.empty() || network->online) && !replayFile->empty())
        return BadCommandLine("%s", "a replay is played alone, not in a network game");
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

// Keeps the run just played with the newest replays: the replay written as it went is finished, or
// else written whole. A failure is reported and changes nothing else.
void SaveReplay() {
    std::string saved, error;
    bool done = ReplayJournalFinish(&saved, &error);
    if (done)
        ReplayPrune(ReplayDirectory(), KEPT_REPLAYS);
    else
        done = ReplaySaveInDirectory(ReplayDirectory(), ReplayRecorded(), KEPT_REPLAYS, &saved, &error);
    if (done)
        DiagTrace(DIAG_DEBUG, "main", __LINE__, "main", "ReplayRecord saved as %s", saved.c_str());
    else
        std::fprintf(stderr, "lobshot: the game's replay was not saved: %s\n", error.c_str());
}

// At the start of a game: what a run cut short left is kept, and this run's replay is written as it
// goes. Watching a replay writes none.
void StartReplays(bool watching) {
    const std::string folder = ReplayDirectory();
    if (folder.empty()) return;
    ReplayKeepCutShort(folder);
    if (!watching) ReplayJournalInFolder(folder);
}

// The page whose link a hosted room is shown with: --page, else LOBSHOT_PAGE, else none (""). False
// with the reason in *error when the one given is not an address.
bool FindPage(std::string* page, std::string* error) {
    const char* environment = std::getenv("LOBSHOT_PAGE");
    const bool fromOption = PageOption != nullptr;
    const char* given = fromOption ? PageOption : environment;
    if (given == nullptr || (!fromOption && given[0] == '\0')) return true;
    *page = given;
    return net::CheckRoomPage(*page, fromOption ? "--page" : "LOBSHOT_PAGE", error);
}

#ifndef LOBSHOT_PUBLISHED_RELAY
#define LOBSHOT_PUBLISHED_RELAY ""
#endif

// The relay the online menu uses: one the player typed on it, else LOBSHOT_RELAY, the settings'
// relay, or the one the publisher built the game with; "" when none is named (the menu asks).
bool RelayTyped = false;

std::string MenuRelay() {
    const char* environment = std::getenv("LOBSHOT_RELAY");
    if (!RelayTyped && environment != nullptr && environment[0] != '\0') return environment;
    return !TheSettings.relay.empty() ? TheSettings.relay : LOBSHOT_PUBLISHED_RELAY;
}

bool KeepRelay(const std::string& relay, std::string* error) {
    if (!net::CheckRelays(relay, TrLater("The relay"), error)) return false;
    TheSettings.relay = relay;
    RelayTyped = true;
    SaveKeptSettings();
    return true;
}

// A room opened, joined or watched, waiting for the run that plays in it: the command line's
// before the first run, the menu's once its run has ended.
struct PendingRoom {
    NetRole role = NetRole::Local;
    std::unique_ptr<net::Transport> transport;
    std::string where, code, page, watchCode;
};
PendingRoom ThePendingRoom;
bool RunGoing = false;

// The online starter of the command line and the menu alike: the transport of the room on the
// relay (a fresh code for a room opened), kept for the next run, which the current one ends to
// start.
bool StartRoom(const OnlineRequest& request, OnlineRoom* room, std::string* error) {
    const std::string setting = request.relay.empty() ? MenuRelay() : request.relay;
    if (setting.empty()) {
        *error = "No relay is named: type its address first.";
        return false;
    }
    std::string code = request.code, page, watchCode, relay;
    if (!net::CheckRelays(setting, TrLater("The relay"), error)) return false;
    const bool hosting = request.action == OnlineAction::Open;
    if (hosting && !FindPage(&page, error)) return false;
    const NetRole role = hosting                                 ? NetRole::Host
                         : request.action == OnlineAction::Watch ? NetRole::Watch
                                                                 : NetRole::Join;
    const net::TransportOptions options = NetTransportOptions(role);
    const auto open = [&](const std::string& at, const std::string& room, const std::string& watch,
                          std::string* problem) {
        return net::MakeMqttHost(at, room, watch, options, problem);
    };
    std::unique_ptr<net::Transport> transport;
    if (hosting)
        transport = net::OpenRoomOnSomeRelay(setting, open, &code, &watchCode, &relay, error);
    else if (net::RelayForCode(setting, code, &relay, error))
        transport = role == NetRole::Watch ? net::MakeMqttWatcher(relay, code, options, error)
                                           : net::MakeMqttClient(relay, code, options, error);
    if (!transport) return false;
    room->code = code;
    room->inviteLink = page.empty() ? "" : net::RoomLink(page, code);
    room->watchLink = page.empty() || watchCode.empty() ? "" : net::WatchLink(page, watchCode);
    room->watchCode = watchCode;
    ThePendingRoom = {role, std::move(transport), hosting ? relay : "room " + code, code, page, watchCode};
    if (RunGoing) PostQuitMessage(0);
    return true;
}

// The network game takes up the room waiting for this run.
void EnterPendingRoom() {
    PendingRoom room = std::move(ThePendingRoom);
    ThePendingRoom = PendingRoom{};
    NetConfigure(room.role, std::move(room.transport), room.where, room.code);
    NetSetRoomPage(room.page, room.watchCode);
}

// Opens an online room on the relay or joins one; 0, 2 when the relay's or the page's address is
// bad, or 1 after saying why the room cannot be opened. A host says its room's code on standard
// output too, and the page's link to it when there is a page.
int OpenOnlineRoom(const NetworkChoice& network) {
    std::string relay, page, error;
    // The settings' relay comes after --relay and LOBSHOT_RELAY, before the older one-line file; the
    // publisher's relay before the file too, when the player names none.
    net::RelaySources sources = net::RelaySourcesOfProcess(network.relayOption);
    const bool environmentGiven = sources.environment != nullptr && sources.environment[0] != '\0';
    if (sources.option == nullptr && !environmentGiven && !TheSettings.relay.empty())
        sources.option = TheSettings.relay.c_str();
    if (sources.option == nullptr && !environmentGiven && LOBSHOT_PUBLISHED_RELAY[0] != '\0')
        sources.option = LOBSHOT_PUBLISHED_RELAY;
    if (!net::FindRelay(sources, &relay, &error)) return BadCommandLine("%s", error.c_str());
    const bool hosting = network.roomCode.empty();
    if (hosting && !FindPage(&page, &error)) return BadCommandLine("%s", error.c_str());
    const OnlineAction action = hosting         ? OnlineAction::Open
                                : network.watch ? OnlineAction::Watch
                                                : OnlineAction::Join;
    OnlineRoom room;
    if (!StartOnline({action, network.roomCode, relay}, &room, &error)) {
        std::fprintf(stderr, "lobshot: the online room cannot %s: %s\n",
                     hosting         ? "open"
                     : network.watch ? "be watched"
                                     : "be joined",
                     error.c_str());
        return 1;
    }
    if (hosting) {
        std::printf("Room code: %s\nWatch code: %s\n", room.code.c_str(), room.watchCode.c_str());
        if (!room.inviteLink.empty())
            std::printf("Room page: %s\nWatch page: %s\n", room.inviteLink.c_str(), room.watchLink.c_str());
        std::fflush(stdout);
    }
    EnterPendingRoom();
    return 0;
}

// The name this machine's person goes by unless --name gives one: the first word of the account's
// full name, else its login name, cleaned; empty when neither leaves anything to show.
std::string AccountName() {
    const passwd* account = getpwuid(getuid());
    if (account == nullptr) return "";
    const std::string full = account->pw_gecos != nullptr ? account->pw_gecos : "";
    std::string name = net::CleanPeopleText(full.substr(0, full.find_first_of(" ,")), net::kMaxNameLength);
    if (name.empty() && account->pw_name != nullptr)
        name = net::CleanPeopleText(account->pw_name, net::kMaxNameLength);
    return name;
}

// Opens the network game; 0, or 1 after saying why it cannot be opened.
int OpenNetwork(const NetworkChoice& network) {
    if (network.online) return OpenOnlineRoom(network);
    if (!network.host && network.joinHost.empty()) return 0;
    std::string error;
    std::unique_ptr<net::Transport> transport =
        network.host
            ? net::ListenEnet("", network.port, NetTransportOptions(NetRole::Host), &error)
            : net::ConnectEnet(network.joinHost, network.port, NetTransportOptions(NetRole::Join), &error);
    if (!transport) {
        std::fprintf(stderr, "lobshot: the network game cannot start: %s\n", error.c_str());
        return 1;
    }
    std::string code = network.joinCode;
    if (network.host && network.codeAsked && !net::MakeRoomCode(&code, &error)) {
        std::fprintf(stderr, "lobshot: the network game cannot start: %s\n", error.c_str());
        return 1;
    }
    NetConfigure(
        network.host ? NetRole::Host : NetRole::Join, std::move(transport),
        network.host ? std::to_string(network.port) : network.joinHost + ":" + std::to_string(network.port));
    NetSetJoinCode(code);
    if (network.host && !code.empty()) {
        std::printf("Join code: %s\n", code.c_str());
        std::fflush(stdout);
    }
    return 0;
}

// Names this machine's person in the network game, if there is one.
void NameThisMachine(const NetworkChoice& network) {
    if (NetRoleNow() != NetRole::Local)
        NetSetName(!network.name.empty()       ? network.name
                   : !TheSettings.name.empty() ? TheSettings.name
                                               : AccountName());
}

// Opens the network game, this machine's person named in it; 0, or 1 after saying why it cannot.
int StartNetwork(const NetworkChoice& network) {
    const int status = OpenNetwork(network);
    if (status == 0) NameThisMachine(network);
    return status;
}

// One run of the game in the window, from its title to its end.
int Run() {
    RunGoing = true;
    const int status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    RunGoing = false;
    return status;
}

// Runs again, in the room, each time the online menu opened, joined or watched one: the run before
// is kept as a replay, and the new one starts as a run of the command line's --online does.
int RunInRooms(const NetworkChoice& network, const SettingsOverrides& overrides) {
    int status = 0;
    while (ThePendingRoom.transport) {
        SaveReplay();
        ResetForAnotherRun(true);
        ApplySettings(overrides, ThePendingRoom.role == NetRole::Host);
        EnterPendingRoom();
        NameThisMachine(network);
        StartReplays(false);
        status = Run();
        if (status != 0) break;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Trace rows reach standard output as they are written, so that a crash loses none (a pipe or a
    // file would otherwise get them in blocks).
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::string replayFile;
    NetworkChoice network;
    SettingsOverrides overrides;
    if (int status = AnswerHelpOrVersion(argc, argv); status >= 0) return status;
    if (int status = ReadCommandLine(argc, argv, &replayFile, &network, &overrides)) return status;
    TheSettings = SettingsRead(SettingsPath());
    ApplySettings(overrides, replayFile.empty() && network.joinHost.empty() && network.roomCode.empty());
    SetOnlineStarter(&StartRoom);
    SetOnlineRelay(&MenuRelay, &KeepRelay);
    if (int status = StartNetwork(network)) return status;
    if (!replayFile.empty())
        if (int status = LoadReplay(replayFile)) return status;
    DiagConfigureFromEnvironment();
    StartReplays(!replayFile.empty());
    int status = Run();
    if (status == 0 && ThePendingRoom.transport) status = RunInRooms(network, overrides);
    if (status == 0 && !ReplayRefusal().empty()) {
        std::fprintf(stderr, "lobshot: cannot play the replay: %s\n", ReplayRefusal().c_str());
        status = 2;
    }
    if (status == 0 && replayFile.empty())
        SaveReplay();
    else
        ReplayJournalAbandon();
    PlatformShutdown();
    return status;
}

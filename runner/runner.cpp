// The replay runner's driver: script commands become queued messages and timer ticks.
#include "runner/runner.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <thread>

#include "core/globals.h"
#include "diag/diag.h"
#include "net/enet/enet_transport.h"
#include "net/mqtt/mqtt_transport.h"
#include "net/relay_rooms.h"
#include "net/room_code.h"
#include "netplay/lockstep.h"
#include "platform/input.h"
#include "replay/journal.h"
#include "replay/session.h"
#include "shell/shell.h"

namespace {

// The window's timer: a tick every 20 ms of wall time.
constexpr int REALTIME_TICK_MS = 20;

}  // namespace

void ScriptDriver::WriteOutput(const std::string& file, ScriptCommand::Kind kind) {
    bool ok = kind == ScriptCommand::State        ? WriteStateSnapshot(file)
              : kind == ScriptCommand::Screenshot ? WriteScreenshotPng(file)
                                                  : WriteMaterialMap(file);
    if (!ok) {
        std::cerr << "lobshot-headless: cannot write " << Escaped(file, file.size()) << "\n";
        Fail(1);
    }
}

void ScriptDriver::Fail(int status) {
    if (exitStatus_ == 0) exitStatus_ = status;
}

// Carries out one command; true when it queued a tick or the close (the game must run now).
bool ScriptDriver::Execute(const ScriptCommand& command) {
    switch (command.kind) {
        case ScriptCommand::Press:
            for (int key : command.keys) {
                PostInput(InputEvent::Down(key));
                PostInput(InputEvent::Up(key));
            }
            return false;
        case ScriptCommand::Down:
            PostInput(InputEvent::Down(command.keys[0]));
            return false;
        case ScriptCommand::Up:
            PostInput(InputEvent::Up(command.keys[0]));
            return false;
        case ScriptCommand::Repeat:
            PostInput(InputEvent::Down(command.keys[0], true));
            return false;
        case ScriptCommand::Activate:
            PostInput(InputEvent::AppActivation(command.count != 0));
            return false;
        case ScriptCommand::Wait:
            ticksLeft_ = command.count;
            return false;
        case ScriptCommand::Until:
            until_ = &command;
            untilTicks_ = 0;
            return false;
        case ScriptCommand::UntilJoined:
            WaitForMachines(command);
            return false;
        case ScriptCommand::Say:
            NetSay(command.file);
            return false;
        case ScriptCommand::Close:
            PostInput(InputEvent::CloseRequest());
            ended_ = true;
            return true;
        default:
            WriteOutput(command.file, command.kind);
            return false;
    }
}

// One step of an `until`: false when it is over (reached, or not reached within its limit).
bool ScriptDriver::UntilStep() {
    bool reached = false;
    for (std::uint32_t mode : until_->modes)
        reached = reached || CurrentMode == mode || (mode == UNTIL_MINE && NetMine());
    if (untilTicks_ > 0 && reached) {
        until_ = nullptr;
        return false;
    }
    if (untilTicks_ >= until_->count) {
        std::cerr << Escaped(options_.scriptName, options_.scriptName.size()) << ":" << until_->line
                  << ": mode not reached after " << untilTicks_ << " ticks\n";
        Fail(3);
        ended_ = true;
        until_ = nullptr;
        return false;
    }
    ++untilTicks_;
    Tick();
    return true;
}

void ScriptDriver::Tick() {
    if (options_.realtime) {
        using namespace std::chrono;
        const steady_clock::time_point due = lastTick_ + milliseconds(REALTIME_TICK_MS);
        if (steady_clock::now() < due) std::this_thread::sleep_until(due);
        lastTick_ = steady_clock::now();
        if (HeadlessTickCount() % 10 == 0)
            std::cout << "tick " << HeadlessTickCount() << ": " << ReplayFrameSteps() << " frame steps, "
                      << GameModeName(CurrentMode) << (NetMine() ? ", mine" : "") << std::endl;
    }
    HeadlessTick();
}

// `until joined N`: the host waits in wall time for the machines, running no frame steps.
void ScriptDriver::WaitForMachines(const ScriptCommand& command) {
    for (int waited = 0; NetMachinesConnected() < static_cast<int>(command.count); waited += 10) {
        if (waited >= STALL_LIMIT_MS || NetRoleNow() != NetRole::Host) {
            std::cerr << Escaped(options_.scriptName, options_.scriptName.size()) << ":" << command.line
                      << ": " << NetMachinesConnected() << " of " << command.count
                      << " machines in the game\n";
            Fail(4);
            ended_ = true;
            return;
        }
        NetPoll(10);
    }
}

bool ScriptDriver::Feed() {
    if (!NetFailure().empty() && !ended_) {
        std::cerr << "lobshot-headless: the network game failed: " << NetFailure() << "\n";
        Fail(4);
        ended_ = true;
    }
    while (!ended_) {
        if (ticksLeft_ > 0) {
            --ticksLeft_;
            Tick();
            return true;
        }
        if (until_) {
            if (UntilStep()) return true;
            continue;
        }
        if (next_ < options_.script.size()) {
            if (Execute(options_.script[next_++])) return true;
            continue;
        }
        // A replay's messages are delivered by the message loop; it needs only the ticks.
        if (options_.replaying && !ReplayFinished()) {
            Tick();
            return true;
        }
        if (!framesStarted_) {
            framesStarted_ = true;
            framesLeft_ = options_.frames;
        }
        if (framesLeft_ == 0) break;
        --framesLeft_;
        Tick();
        return true;
    }
    ended_ = true;
    return false;
}

void ScriptDriver::BeforeQuit() {
    // A replay refused as it played leaves nothing behind.
    if (!ReplayRefusal().empty()) return;
    if (!options_.stateFile.empty()) WriteOutput(options_.stateFile, ScriptCommand::State);
    if (!options_.screenshotFile.empty()) WriteOutput(options_.screenshotFile, ScriptCommand::Screenshot);
    if (!options_.materialsFile.empty()) WriteOutput(options_.materialsFile, ScriptCommand::Materials);
    if (options_.timing) std::cerr << TimingLine() << "\n";
}

// Opens an online room, or joins or watches one, on the relay; false with a message when it cannot.
// A host says the room's code and its watch code on standard output once the broker keeps the
// room, and with a page, the page's links to play and to watch on the next rows.
bool StartOnline(const RunnerOptions& options) {
    const bool hosting = options.onlineCode.empty();
    const NetRole role = hosting ? NetRole::Host : options.watch ? NetRole::Watch : NetRole::Join;
    std::string code, watchCode, relay, error;
    const net::TransportOptions transportOptions = NetTransportOptions(role);
    const auto open = [&](const std::string& at, const std::string& room, const std::string& watch,
                          std::string* problem) {
        return net::MakeMqttHost(at, room, watch, transportOptions, problem);
    };
    std::unique_ptr<net::Transport> transport;
    if (hosting)
        transport = net::OpenRoomOnSomeRelay(options.relay, open, &code, &watchCode, &relay, &error);
    else if (net::ParseRoomCode(options.onlineCode, &code, &error) &&
             net::RelayForCode(options.relay, code, &relay, &error))
        transport = options.watch ? net::MakeMqttWatcher(relay, code, transportOptions, &error)
                                  : net::MakeMqttClient(relay, code, transportOptions, &error);
    if (!transport) {
        std::cerr << "lobshot-headless: the online room cannot "
                  << (hosting         ? "open"
                      : options.watch ? "be watched"
                                      : "be joined")
                  << ": " << Escaped(error, 200) << "\n";
        return false;
    }
    if (hosting) std::cout << "Room code: " << code << "\nWatch code: " << watchCode << std::endl;
    if (hosting && !options.page.empty())
        std::cout << "Room page: " << net::RoomLink(options.page, code)
                  << "\nWatch page: " << net::WatchLink(options.page, watchCode) << std::endl;
    NetConfigure(role, std::move(transport), hosting ? relay : "room " + code, code);
    NetSetName(options.name);
    NetSetRoomPage(options.page, watchCode);
    NetTicksPaced(options.realtime);
    return true;
}

// Opens the network game the options ask for; false with a message when it cannot be opened.
bool StartNetwork(const RunnerOptions& options) {
    NetResetForTests();
    if (options.online) return StartOnline(options);
    if (options.hostPort == 0 && options.joinAddress.empty()) return true;
    std::string error, host;
    std::unique_ptr<net::Transport> transport;
    if (options.hostPort != 0) {
        transport = net::ListenEnet("", options.hostPort, NetTransportOptions(NetRole::Host), &error);
    } else {
        std::uint16_t port = 0;
        if (net::ParseHostPort(options.joinAddress, &host, &port, &error))
            transport = net::ConnectEnet(host, port, NetTransportOptions(NetRole::Join), &error);
    }
    if (!transport) {
        std::cerr << "lobshot-headless: the network game cannot start: " << Escaped(error, 200) << "\n";
        return false;
    }
    NetConfigure(options.hostPort != 0 ? NetRole::Host : NetRole::Join, std::move(transport),
                 options.hostPort != 0 ? std::to_string(options.hostPort) : options.joinAddress);
    NetSetName(options.name);
    NetTicksPaced(options.realtime);
    return true;
}

int RunHeadless(const RunnerOptions& options) {
    if (!StartNetwork(options)) return 4;
    ScriptDriver driver(options);
    if (options.replaying) ReplayLoad(options.replay, false);
    // The clock starts at the seed too, as it always has, so that a run's clock readings stay put.
    const std::uint32_t seed = options.replaying ? options.replay.seed : options.seed;
    HeadlessSetClock(seed);
    ShellStartWithSeed(seed);
    HeadlessSetDriver(&driver);
    // --record FILE: the replay is written as the run goes, beside FILE, unless FILE is a device.
    std::error_code code;
    const std::filesystem::file_status kind = std::filesystem::status(options.recordFile, code);
    if (!options.recordFile.empty() &&
        (!std::filesystem::exists(kind) || std::filesystem::is_regular_file(kind)))
        ReplayJournalToFile(options.recordFile);
    else
        ReplayJournalResetForTests();
    Timings = ShellTimings{};
    Timings.enabled = options.timing;
    int status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    HeadlessSetDriver(nullptr);
    if (status != 0) {
        ReplayJournalAbandon();
        return 1;
    }
    if (!ReplayRefusal().empty()) {
        ReplayJournalAbandon();
        std::cerr << "lobshot-headless: " << ReplayRefusal() << "\n";
        return 2;
    }
    if (!NetFailure().empty() && driver.ExitStatus() == 0) {
        ReplayJournalAbandon();
        std::cerr << "lobshot-headless: the network game failed: " << NetFailure() << "\n";
        return 4;
    }
    std::string saved, error;
    if (!options.recordFile.empty() && !ReplayJournalFinish(&saved, &error) &&
        !WriteReplayFile(options.recordFile)) {
        std::cerr << "lobshot-headless: cannot write "
                  << Escaped(options.recordFile, options.recordFile.size()) << "\n";
        return driver.ExitStatus() != 0 ? driver.ExitStatus() : 1;
    }
    return driver.ExitStatus();
}

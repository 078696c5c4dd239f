// The replay runner: plays a parsed script into the real game on the headless backend and writes
// the state snapshot, the screenshot and the material map.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "net/relay_address.h"
#include "platform/headless/headless_platform.h"
#include "replay/replay.h"
#include "runner/script.h"

struct RunnerOptions {
    std::uint32_t seed = 1;
    std::string scriptName = "-";
    std::vector<ScriptCommand> script;
    std::uint32_t frames = 0;
    std::string stateFile, screenshotFile, materialsFile;
    bool timing = false;
    // --replay: the replay played instead of a script (its seed replaces the seed above).
    bool replaying = false;
    ReplayRecord replay;
    // --record: where the run's replay is written when the run ends.
    std::string recordFile;
    // --host PORT / --join ADDRESS:PORT.
    std::uint16_t hostPort = 0;
    std::string joinAddress;
    // --relay ADDRESS:PORT[,ADDRESS:PORT...], --online [CODE]: host an online room on one of those
    // brokers (an empty code), or join the room of that code (as the player typed it) on the broker
    // the code names.
    std::string relay = net::kDefaultRelay;
    // --watch CODE: watch the room of that code (online with a code, as a spectator).
    bool online = false;
    std::string onlineCode;
    bool watch = false;
    // --page URL: the address of the game's web page, whose link to a hosted room (URL#room=CODE)
    // the host shows after the code; empty: none.
    std::string page;
    // --name NAME: this machine's person's name in a network game; empty: none ("Host", "Guest 2").
    std::string name;
    // --realtime: ticks come at the window's pace, 20 ms of wall time apart; a late tick comes at
    // once and the ones missed are not made up, as with the window's timer. Every tenth tick writes a
    // row to standard output: "tick T: S frame steps, MODE" (and ", mine" when `until mine` holds).
    bool realtime = false;
};

class ScriptDriver : public HeadlessDriver {
public:
    explicit ScriptDriver(const RunnerOptions& options) : options_(options) {}

    bool Feed() override;
    void BeforeQuit() override;

    // 0 after a normal run, 3 when an `until` was not reached, 1 when an output could not be
    // written, 4 when the network game failed; after several failures, the first one's.
    int ExitStatus() const { return exitStatus_; }

private:
    bool Execute(const ScriptCommand& command);
    bool UntilStep();
    // Queues the next timer tick, at the window's pace with --realtime.
    void Tick();
    void WaitForMachines(const ScriptCommand& command);
    void WriteOutput(const std::string& file, ScriptCommand::Kind kind);
    // Records a failure's exit status unless an earlier failure's stands.
    void Fail(int status);

    const RunnerOptions& options_;
    std::size_t next_ = 0;
    std::uint32_t ticksLeft_ = 0;
    const ScriptCommand* until_ = nullptr;
    std::uint32_t untilTicks_ = 0;
    std::uint32_t framesLeft_ = 0;
    bool framesStarted_ = false;
    bool ended_ = false;
    int exitStatus_ = 0;
    std::chrono::steady_clock::time_point lastTick_{};
};

// Runs the game from start-up to shutdown; returns the process exit status.
int RunHeadless(const RunnerOptions& options);

// Outputs, also used by tests. Each returns false when the file cannot be written whole (an
// empty path included). A new or regular file is written beside itself as FILE.partial and
// renamed over FILE only once it is complete and closed, so a failed write leaves the old file
// (or none) and removes the partial one; a device or pipe (/dev/stdout, /dev/full) is written in
// place. The state snapshot is snapshot/state_snapshot.h's.
bool WriteStateSnapshot(const std::string& path);
bool WriteScreenshotPng(const std::string& path);
bool WriteMaterialMap(const std::string& path);
std::string TimingLine();
bool WriteReplayFile(const std::string& path);

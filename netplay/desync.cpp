// The check that every machine's game is the same: the state's hash at each turn's start, compared
// by the host, and the report written when they differ.
//
// The host's game is the reference: it judges each guest's report against its own hash, and a guest
// whose game differs is told and dropped, and writes its report, while the host traces it and plays
// on, however many others differ with it (a stranger with several connections reporting the same
// made-up hash only drops them all). A spectator judges the host's hashes against its own, and alone
// stops (it says nothing that counts).
#include "netplay/desync.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/files.h"
#include "diag/diag.h"
#include "netplay/guest.h"
#include "netplay/host.h"
#include "netplay/session.h"
#include "netplay/stamps.h"
#include "netplay/state_hash.h"
#include "netplay/watchers.h"
#include "players/player_collection.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "replay/store.h"
#include "text/text.h"

namespace netplay {

namespace {

// Hashes kept for comparing with late reports.
constexpr std::size_t KEPT_HASHES = 64;

// The turn starts seen and their hashes; the host also keeps the guests' reports of frames it has
// not reached yet.
struct Checks {
    std::uint32_t turnsSeen = 0;  // TurnsStarted at the end of the last frame step
    std::uint64_t lastHash = 0;
    std::map<std::uint32_t, std::uint64_t> hashes;
    std::map<std::uint32_t, std::vector<std::pair<int, std::uint64_t>>> reported;
    // Spectator: the host's hashes of turn starts this machine has not reached yet.
    std::map<std::uint32_t, std::uint64_t> hostHashes;
    bool desync = false;
};

Checks TheDesyncChecks;

// Beside the replays: the machine, the frame, both hashes and this machine's game as its replay.
void WriteDesyncReport(std::uint32_t frame, std::uint64_t ours, std::uint64_t theirs) {
    const std::string directory = ReplayDirectory();
    if (directory.empty()) return;
    const ReplayRecord& replay = ReplayRecorded();
    char name[96];
    std::snprintf(name, sizeof name, "/desync-%u-machine%d-frame%u.txt", static_cast<unsigned>(replay.seed),
                  TheLink.me, static_cast<unsigned>(frame));
    std::string text = "lobshot desync report\nmachine " + std::to_string(TheLink.me) + "\nframe " +
                       std::to_string(frame) + "\nours " + std::to_string(ours) + "\ntheirs " +
                       std::to_string(theirs) + "\nseed " + std::to_string(replay.seed) + "\n" +
                       FormatReplay(replay);
    std::string error;
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    if (!WriteFileAtomically(directory + name, text, &error))
        DiagTrace(DIAG_ERROR, "net", __LINE__, "WriteDesyncReport", "Not written: %s", error.c_str());
}

// Host: a guest's game differs from the host's at a turn's start (ours 0: the host had none there):
// it is told and dropped.
void Differs(int machine, std::uint32_t frame, std::uint64_t ours, std::uint64_t theirs) {
    SendTo(StreamOf(machine).peer, net::Desync{frame, ours, theirs});
    Drop(machine, net::DisconnectReason::Malformed,
         "a game that differs at frame " + std::to_string(frame) + " (ours " + std::to_string(ours) +
             ", theirs " + std::to_string(theirs) + ")");
}

// Whether this step started a turn: one started since the last step (TurnsStarted moved) and is
// still being aimed.
bool TurnStarts() {
    const bool starts = CurrentMode == Aiming && TurnsStarted != TheDesyncChecks.turnsSeen;
    TheDesyncChecks.turnsSeen = TurnsStarted;
    return starts;
}

// Host: the reports of frames passed without a turn's start are differences; this turn's are
// compared. Reports of machines already gone count no more.
void CompareReports(std::uint32_t steps) {
    const auto due = TheDesyncChecks.reported.upper_bound(steps);
    const std::vector<std::pair<std::uint32_t, std::vector<std::pair<int, std::uint64_t>>>> reports(
        TheDesyncChecks.reported.begin(), due);
    TheDesyncChecks.reported.erase(TheDesyncChecks.reported.begin(), due);
    for (const auto& [frame, machines] : reports)
        for (const auto& [machine, hash] : machines)
            if (!TheDesyncChecks.desync && StreamOf(machine).connected &&
                (frame != steps || hash != TheDesyncChecks.lastHash))
                Differs(machine, frame, frame == steps ? TheDesyncChecks.lastHash : 0, hash);
}

// Spectator, after each step: the host's hashes of frames passed without a turn's start, and of
// this step if none started or it differs, end its watching; the players are not told (nothing a
// spectator says counts).
void CompareWithHost(std::uint32_t steps, bool started) {
    const auto due = TheDesyncChecks.hostHashes.upper_bound(steps);
    for (auto h = TheDesyncChecks.hostHashes.begin(); h != due && !TheDesyncChecks.desync; ++h)
        if (h->first != steps || !started || h->second != TheDesyncChecks.lastHash)
            Desync(h->first, h->first == steps && started ? TheDesyncChecks.lastHash : 0, h->second);
    TheDesyncChecks.hostHashes.erase(TheDesyncChecks.hostHashes.begin(), due);
}

}  // namespace

void CheckTurnStart(std::uint32_t steps) {
    const bool started = TurnStarts();
    if (started) {
        TheDesyncChecks.lastHash = GameStateHash();
        TheDesyncChecks.hashes[steps] = TheDesyncChecks.lastHash;
        while (TheDesyncChecks.hashes.size() > KEPT_HASHES)
            TheDesyncChecks.hashes.erase(TheDesyncChecks.hashes.begin());
    }
    if (Watching()) return CompareWithHost(steps, started);
    if (!started) return;
    if (TheLink.role == NetRole::Host) SendToWatchers(net::StateHash{steps, TheDesyncChecks.lastHash});
    if (CatchingUp()) return;
    if (TheLink.role == NetRole::Join && TheLink.transport) {
        for (net::PeerId host : TheLink.transport->Peers())
            SendTo(host, net::StateHash{steps, TheDesyncChecks.lastHash});
        return;
    }
    CompareReports(steps);
}

bool HashReported(int machine, const net::StateHash& hash) {
    auto ours = TheDesyncChecks.hashes.find(hash.frame);
    const bool passed = hash.frame <= ReplayFrameSteps();
    if (ours == TheDesyncChecks.hashes.end() && passed) {
        // A turn that started there for the guest and not for the host is a difference too; frames
        // older than the hashes kept are let be.
        if (!TheDesyncChecks.hashes.empty() && hash.frame > TheDesyncChecks.hashes.begin()->first)
            Differs(machine, hash.frame, 0, hash.hash);
    } else if (ours == TheDesyncChecks.hashes.end()) {
        // Kept for when the host gets there; a machine reports a frame once.
        auto& reports = TheDesyncChecks.reported[hash.frame];
        const bool again = std::any_of(reports.begin(), reports.end(),
                                       [machine](const auto& r) { return r.first == machine; });
        if (again || TheDesyncChecks.reported.size() > KEPT_HASHES) {
            if (reports.empty()) TheDesyncChecks.reported.erase(hash.frame);
            return false;
        }
        reports.push_back({machine, hash.hash});
    } else if (ours->second != hash.hash) {
        Differs(machine, hash.frame, ours->second, hash.hash);
    }
    return true;
}

void HostHashHeard(const net::StateHash& hash) {
    const auto ours = TheDesyncChecks.hashes.find(hash.frame);
    if (hash.frame > ReplayFrameSteps()) {
        // Kept for when this machine gets there; one that has fallen far behind compares fewer.
        TheDesyncChecks.hostHashes[hash.frame] = hash.hash;
        while (TheDesyncChecks.hostHashes.size() > KEPT_HASHES)
            TheDesyncChecks.hostHashes.erase(TheDesyncChecks.hostHashes.begin());
    } else if (ours != TheDesyncChecks.hashes.end()
                   ? ours->second != hash.hash
                   : !TheDesyncChecks.hashes.empty() && hash.frame > TheDesyncChecks.hashes.begin()->first) {
        Desync(hash.frame, ours != TheDesyncChecks.hashes.end() ? ours->second : 0, hash.hash);
    }
}

void ForgetReports(int machine) {
    for (auto r = TheDesyncChecks.reported.begin(); r != TheDesyncChecks.reported.end();) {
        std::erase_if(r->second, [machine](const auto& report) { return report.first == machine; });
        r = r->second.empty() ? TheDesyncChecks.reported.erase(r) : std::next(r);
    }
}

void Desync(std::uint32_t frame, std::uint64_t ours, std::uint64_t theirs) {
    if (TheDesyncChecks.desync) return;
    TheDesyncChecks.desync = true;
    WriteDesyncReport(frame, ours, theirs);
    GoOffline(Watching() ? TrLater("This game differs from the host's: watching has stopped")
                         : TrLater("The machines' games differ: the network game has stopped"),
              true);
}

std::uint64_t LastHash() { return TheDesyncChecks.lastHash; }
bool Desynced() { return TheDesyncChecks.desync; }
void ResetDesyncCheck() { TheDesyncChecks = Checks{}; }

}  // namespace netplay

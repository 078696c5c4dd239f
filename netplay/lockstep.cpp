// Network play in lockstep: the session's state, its messages and the shell's calls into it.
#include "netplay/lockstep.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <vector>

#include "core/globals.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "net/messages.h"
#include "netplay/state_hash.h"
#include "players/player_collection.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "replay/store.h"
#include "screens/setup_state.h"
#include "sound/sound.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr LPARAM KEY_UP_LPARAM = KEY_REPEAT_BIT | (LPARAM{1} << 31) | 1;
// A joined machine may stamp at most this many frames beyond the host's steps.
constexpr std::uint32_t MAX_FRAMES_AHEAD = 3000;
// How long a machine's own messages stay on screen.
constexpr int NOTICE_MS = 4000;
// Quiet stamps wait at most this long to be sent together.
constexpr auto FLUSH_INTERVAL = std::chrono::milliseconds(5);
// Hashes kept for comparing with late reports.
constexpr std::size_t KEPT_HASHES = 64;

// One machine's stamps: the frames it sent keys (or quiet) for, in order.
struct Stream {
    bool connected = false;  // host: a joined machine's connection is open
    net::PeerId peer = 0;
    std::int64_t latest = -1;  // the highest frame stamped
    bool gone = false;         // left: its frames after lastInput are quiet
    std::uint32_t lastInput = 0;
    std::map<std::uint32_t, std::vector<net::KeyEvent>> stamps;
};

struct RosterNews {
    int machine;
    bool joined;
};

struct Session {
    NetRole role = NetRole::Local;
    std::unique_ptr<net::Transport> transport;
    std::string where;
    int me = 0;
    bool welcomed = false;
    std::array<Stream, MAX_MACHINES> machines;
    std::int64_t floor = -1;             // every frame up to here is held (a joiner's catch-up)
    std::int64_t deliveredThrough = -1;  // the last frame whose keys went to the game
    // Host: news of machines joining and leaving, given the frame of the host's next stamp (which no
    // machine can pass without it) and sent just before that stamp.
    std::vector<RosterNews> unannounced;
    std::map<std::uint32_t, int> stampOwners;
    int deliveryOwner = 0;
    std::vector<net::KeyEvent> localKeys;
    // This machine's stamps not sent yet: quiet ones go out together, a few milliseconds' worth.
    std::vector<std::pair<std::uint32_t, std::vector<net::KeyEvent>>> unsent;
    Clock::time_point lastFlush{};
    std::map<std::uint32_t, std::vector<RosterNews>> roster;
    // A joining machine's catch-up.
    std::string catchUp;
    bool caughtUp = false;
    bool catchingUp = false;
    // Turn starts.
    std::uint32_t lastMode = Title;
    int lastCurrent = -1;
    std::uint64_t lastHash = 0;
    std::map<std::uint32_t, std::uint64_t> hashes;
    std::map<std::uint32_t, std::vector<std::pair<int, std::uint64_t>>> reported;
    bool desync = false;
    // Ending.
    std::string failure;
    bool offlinePending = false;
    bool leavePrompt = false;
    bool localShift = false;                   // Shift is down on this machine's keyboard
    std::array<bool, KEY_COUNT> promptKeys{};  // keys the leave prompt took going down
    std::string notice;
    Clock::time_point noticeUntil{};
    bool waiting = false;
    std::int64_t longestWait = 0;  // milliseconds, for the trace at the end
    Clock::time_point waitingSince{};
    Clock::time_point lastWaitDrawn{};
    bool delivering = false;
    // A joined machine whose host has gone plays out the frames it holds, then ends with this.
    std::string hostGone;
};

Session S;

std::int64_t Ms(Clock::duration d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

bool Active() { return S.role != NetRole::Local && !S.offlinePending; }

std::string MachineName(int machine) {
    return machine == 0 ? "the host" : "Guest " + std::to_string(machine);
}

void Notice(const std::string& text) {
    S.notice = text;
    S.noticeUntil = Clock::now() + std::chrono::milliseconds(NOTICE_MS);
    DiagTrace(DIAG_DEBUG, "net", __LINE__, "Notice", "%s", text.c_str());
}

// Who owns the moment the game is in: the machine of the person playing the seat that aims, shoots
// or shops; the host otherwise.
int OwnerNow() {
    int seat = -1;
    if ((CurrentMode == Aiming || CurrentMode == ShotInProgress) && ThePlayers)
        seat = ThePlayers->CurrentIndex();
    else if (CurrentMode == WeaponShop)
        seat = ShopPlayer;
    if (seat < 0 || seat >= PLAYER_SEATS) return 0;
    const auto s = static_cast<std::size_t>(seat);
    if (SeatControllers[s] != ControllerHuman) return 0;
    return SeatMachines[s] >= 0 && SeatMachines[s] < MAX_MACHINES ? SeatMachines[s] : 0;
}

int StampOwner(std::uint32_t frame) {
    auto found = S.stampOwners.find(frame);
    return found != S.stampOwners.end() ? found->second : 0;
}

// Who stamps a frame: its owner, or the host for a machine that has left and sent nothing for it.
int EffectiveOwner(std::uint32_t frame) {
    const int owner = StampOwner(frame);
    const Stream& m = S.machines[static_cast<std::size_t>(owner)];
    return m.gone && frame > m.lastInput ? 0 : owner;
}

bool Held(std::uint32_t frame) {
    if (static_cast<std::int64_t>(frame) <= S.floor) return true;
    return S.machines[static_cast<std::size_t>(EffectiveOwner(frame))].stamps.count(frame) > 0;
}

// ---- Sending.

void SendTo(net::PeerId peer, const net::Message& message) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!S.transport || !net::EncodeMessage(message, &bytes, &error)) {
        DiagTrace(DIAG_ERROR, "net", __LINE__, "SendTo", "Not sent: %s", error.c_str());
        return;
    }
    S.transport->Send(peer, bytes);
}

// Host: to every joined machine but `except`.
void Broadcast(const net::Message& message, int except = -1) {
    for (int m = 1; m < MAX_MACHINES; ++m)
        if (m != except && S.machines[static_cast<std::size_t>(m)].connected)
            SendTo(S.machines[static_cast<std::size_t>(m)].peer, message);
}

net::Message StampMessage(int machine, std::uint32_t frame, const std::vector<net::KeyEvent>& keys) {
    const auto m = static_cast<std::uint8_t>(machine);
    if (keys.empty()) return net::Quiet{m, frame, frame};
    std::vector<net::KeyEvent> kept(
        keys.begin(), keys.begin() + static_cast<long>(std::min(keys.size(), net::kMaxKeysPerFrame)));
    return net::Input{m, {net::FrameInput{frame, kept}}};
}

void SendOwn(const net::Message& message) {
    if (S.role == NetRole::Host) {
        Broadcast(message);
    } else if (S.transport) {
        for (net::PeerId host : S.transport->Peers()) SendTo(host, message);
    }
}

// Sends this machine's unsent stamps: runs of quiet frames as one message, frames with keys
// together, each message within the limits.
void Flush() {
    S.lastFlush = Clock::now();
    const auto me = static_cast<std::uint8_t>(S.me);
    std::size_t i = 0;
    while (i < S.unsent.size()) {
        std::size_t j = i + 1;
        if (S.unsent[i].second.empty()) {
            while (j < S.unsent.size() && S.unsent[j].second.empty() &&
                   S.unsent[j].first == S.unsent[j - 1].first + 1)
                ++j;
            SendOwn(net::Quiet{me, S.unsent[i].first, S.unsent[j - 1].first});
        } else {
            net::Input input{me, {}};
            for (j = i; j < S.unsent.size() && !S.unsent[j].second.empty() && j - i < net::kMaxFramesPerInput;
                 ++j)
                input.frames.push_back(net::FrameInput{S.unsent[j].first, S.unsent[j].second});
            SendOwn(input);
        }
        i = j;
    }
    S.unsent.clear();
}

// This machine's stamp for a frame it owns. Keys go out at once; quiet frames wait a little for
// company, but never while this machine waits for another.
void Stamp(std::uint32_t frame, std::vector<net::KeyEvent> keys) {
    if (keys.size() > net::kMaxKeysPerFrame) keys.resize(net::kMaxKeysPerFrame);
    Stream& mine = S.machines[static_cast<std::size_t>(S.me)];
    mine.stamps[frame] = keys;
    mine.latest = std::max<std::int64_t>(mine.latest, frame);
    if (!S.unannounced.empty()) {
        Flush();
        for (const RosterNews& n : S.unannounced) {
            S.roster[frame].push_back(n);
            Broadcast(net::Roster{frame, static_cast<std::uint8_t>(n.machine), n.joined,
                                  S.machines[static_cast<std::size_t>(n.machine)].lastInput});
        }
        S.unannounced.clear();
    }
    const bool quiet = keys.empty();
    S.unsent.emplace_back(frame, std::move(keys));
    if (!quiet || S.unsent.size() >= net::kMaxFramesPerInput || Clock::now() - S.lastFlush >= FLUSH_INTERVAL)
        Flush();
}

// ---- Ending.

void WriteDesyncReport(std::uint32_t frame, std::uint64_t ours, std::uint64_t theirs) {
    const std::string directory = ReplayDirectory();
    if (directory.empty()) return;
    const ReplayRecord& replay = ReplayRecorded();
    char name[96];
    std::snprintf(name, sizeof name, "/desync-%u-machine%d-frame%u.txt", static_cast<unsigned>(replay.seed),
                  S.me, static_cast<unsigned>(frame));
    std::string text = "lobshot desync report\nmachine " + std::to_string(S.me) + "\nframe " +
                       std::to_string(frame) + "\nours " + std::to_string(ours) + "\ntheirs " +
                       std::to_string(theirs) + "\nseed " + std::to_string(replay.seed) + "\n" +
                       FormatReplay(replay);
    std::string error;
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    if (!ReplayWriteFileAtomically(directory + name, text, &error))
        DiagTrace(DIAG_ERROR, "net", __LINE__, "WriteDesyncReport", "Not written: %s", error.c_str());
}

// The network game is over for this machine: the others are told, and the game goes back to the
// title at the next delivery.
void GoOffline(const std::string& why, bool failed, const std::string& farewell = "") {
    if (S.role == NetRole::Local || S.offlinePending) return;
    if (failed && S.failure.empty()) S.failure = why;
    Notice(why);
    if (S.transport) {
        Flush();
        for (net::PeerId peer : S.transport->Peers()) {
            SendTo(peer, net::Goodbye{(farewell.empty() ? why : farewell).substr(0, net::kMaxReasonLength)});
            S.transport->Disconnect(peer, net::DisconnectReason::Closed);
        }
        net::NetEvent ignored;
        for (int i = 0; i < 20 && S.transport->Poll(&ignored, 1); ++i) {
        }
    }
    S.offlinePending = true;
    S.leavePrompt = false;
}

void Desync(std::uint32_t frame, std::uint64_t ours, std::uint64_t theirs) {
    if (S.desync) return;
    S.desync = true;
    WriteDesyncReport(frame, ours, theirs);
    GoOffline("The machines' games differ: the network game has stopped", true);
}

// ---- The host's side.

void MachineLeft(int machine, const std::string& why) {
    Stream& m = S.machines[static_cast<std::size_t>(machine)];
    if (!m.connected) return;
    Flush();
    m.connected = false;
    m.gone = true;
    m.lastInput = static_cast<std::uint32_t>(std::max<std::int64_t>({m.latest, S.deliveredThrough, 0}));
    // The others hear of it before anything more; the frames it owned and never sent are the host's
    // to stamp, quiet (those still to come as the host's own steps reach them), and the news goes
    // with the first of them.
    Broadcast(net::Roster{0, static_cast<std::uint8_t>(machine), false, m.lastInput});
    S.unannounced.push_back({machine, false});
    std::vector<std::uint32_t> orphans;
    for (const auto& [frame, owner] : S.stampOwners)
        if (owner == machine && frame > m.lastInput &&
            static_cast<std::int64_t>(frame) > S.deliveredThrough && frame < ReplayFrameSteps() + INPUT_DELAY)
            orphans.push_back(frame);
    for (std::uint32_t frame : orphans) Stamp(frame, {});
    Notice(MachineName(machine) + " left (" + why + "): the computer plays for it");
}

void Drop(int machine, net::DisconnectReason why, const std::string& fault) {
    DiagTrace(DIAG_ERROR, "net", __LINE__, "Drop", "Machine %d: %s", machine, fault.c_str());
    S.transport->Disconnect(S.machines[static_cast<std::size_t>(machine)].peer, why);
    MachineLeft(machine, net::DescribeReason(why));
}

int MachineOfPeer(net::PeerId peer) {
    for (int m = 1; m < MAX_MACHINES; ++m)
        if (S.machines[static_cast<std::size_t>(m)].connected &&
            S.machines[static_cast<std::size_t>(m)].peer == peer)
            return m;
    return -1;
}

void SendCatchUp(int machine) {
    const net::PeerId peer = S.machines[static_cast<std::size_t>(machine)].peer;
    // The frame the game so far reaches, then the game itself: what was delivered for that frame
    // is in it.
    const std::string text =
        "delivered " + std::to_string(S.deliveredThrough) + "\n" + FormatReplay(ReplayRecorded());
    for (std::size_t at = 0; at < text.size(); at += net::kMaxCatchUpChunk) {
        const bool last = at + net::kMaxCatchUpChunk >= text.size();
        SendTo(peer, net::CatchUp{text.substr(at, net::kMaxCatchUpChunk), last});
    }
    // What is known beyond the game so far: the news and every machine's stamps not yet run.
    for (int m = 1; m < MAX_MACHINES; ++m) {
        const Stream& other = S.machines[static_cast<std::size_t>(m)];
        if (other.gone) SendTo(peer, net::Roster{0, static_cast<std::uint8_t>(m), false, other.lastInput});
    }
    for (const auto& [frame, news] : S.roster)
        for (const RosterNews& n : news)
            SendTo(peer, net::Roster{frame, static_cast<std::uint8_t>(n.machine), n.joined,
                                     S.machines[static_cast<std::size_t>(n.machine)].lastInput});
    for (int m = 0; m < MAX_MACHINES; ++m)
        if (m != machine)
            for (const auto& [frame, keys] : S.machines[static_cast<std::size_t>(m)].stamps)
                SendTo(peer, StampMessage(m, frame, keys));
}

void Welcome(net::PeerId peer, const net::Hello& hello) {
    int machine = -1;
    for (int m = 1; m < MAX_MACHINES && machine < 0; ++m)
        if (!S.machines[static_cast<std::size_t>(m)].connected && !(MachinesPresent >> m & 1)) machine = m;
    if (machine < 0) {
        SendTo(peer, net::Refuse{"the game has no room for another machine"});
        S.transport->Disconnect(peer, net::DisconnectReason::HostFull);
        return;
    }
    const net::Message answer =
        net::AnswerHello(hello, ReplayGameVersion(), static_cast<std::uint8_t>(machine));
    SendTo(peer, answer);
    if (!std::holds_alternative<net::Welcome>(answer)) {
        DiagTrace(DIAG_ERROR, "net", __LINE__, "Welcome", "Refused: %s",
                  std::get<net::Refuse>(answer).reason.c_str());
        S.transport->Disconnect(peer, net::DisconnectReason::Closed);
        return;
    }
    Flush();
    Stream& m = S.machines[static_cast<std::size_t>(machine)];
    m = Stream{};
    m.connected = true;
    m.peer = peer;
    S.unannounced.push_back({machine, true});
    SendCatchUp(machine);
    Notice(MachineName(machine) + " joined the game");
}

void HostReceived(net::PeerId peer, const net::Message& message) {
    const int machine = MachineOfPeer(peer);
    if (machine < 0) {
        if (const auto* hello = std::get_if<net::Hello>(&message)) return Welcome(peer, *hello);
        S.transport->Disconnect(peer, net::DisconnectReason::Malformed);
        return;
    }
    Stream& m = S.machines[static_cast<std::size_t>(machine)];
    auto stamp = [&](std::uint32_t frame, const std::vector<net::KeyEvent>& keys) {
        if (static_cast<std::int64_t>(frame) <= m.latest ||
            static_cast<std::int64_t>(frame) <= S.deliveredThrough ||
            frame > ReplayFrameSteps() + MAX_FRAMES_AHEAD) {
            Drop(machine, net::DisconnectReason::Malformed,
                 "a stamp out of turn, frame " + std::to_string(frame));
            return false;
        }
        m.stamps[frame] = keys;
        m.latest = frame;
        return true;
    };
    if (const auto* input = std::get_if<net::Input>(&message)) {
        if (input->machine != machine)
            return Drop(machine, net::DisconnectReason::Malformed, "keys of another");
        for (const net::FrameInput& f : input->frames)
            if (!stamp(f.frame, f.keys)) return;
        Broadcast(message, machine);
    } else if (const auto* quiet = std::get_if<net::Quiet>(&message)) {
        if (quiet->machine != machine || quiet->last - quiet->first > MAX_FRAMES_AHEAD)
            return Drop(machine, net::DisconnectReason::Malformed, "quiet frames of another");
        for (std::uint32_t f = quiet->first; f <= quiet->last; ++f)
            if (!stamp(f, {})) return;
        Broadcast(message, machine);
    } else if (const auto* hash = std::get_if<net::StateHash>(&message)) {
        auto ours = S.hashes.find(hash->frame);
        const bool passed = hash->frame <= ReplayFrameSteps();
        if (ours == S.hashes.end() && passed) {
            // A turn that started there for the guest and not for the host is a difference too;
            // frames older than the hashes kept are let be.
            if (!S.hashes.empty() && hash->frame > S.hashes.begin()->first) {
                Broadcast(net::Desync{hash->frame, 0, hash->hash});
                Desync(hash->frame, 0, hash->hash);
            }
        } else if (ours == S.hashes.end()) {
            // Kept for when the host gets there; a machine reports a frame once.
            auto& reports = S.reported[hash->frame];
            const bool again = std::any_of(reports.begin(), reports.end(),
                                           [machine](const auto& r) { return r.first == machine; });
            if (again || S.reported.size() > KEPT_HASHES) {
                if (reports.empty()) S.reported.erase(hash->frame);
                return Drop(machine, net::DisconnectReason::Malformed, "too many state hashes");
            }
            reports.push_back({machine, hash->hash});
        } else if (ours->second != hash->hash) {
            Broadcast(net::Desync{hash->frame, ours->second, hash->hash});
            Desync(hash->frame, ours->second, hash->hash);
        }
    } else if (std::holds_alternative<net::Goodbye>(message)) {
        // It closes the connection itself.
        MachineLeft(machine, "it said goodbye");
    } else {
        Drop(machine, net::DisconnectReason::Malformed, "a message only the host sends");
    }
}

// ---- A joined machine's side.

void JoinReceived(const net::Message& message) {
    if (const auto* welcome = std::get_if<net::Welcome>(&message)) {
        S.me = welcome->machine;
        S.welcomed = true;
    } else if (const auto* refuse = std::get_if<net::Refuse>(&message)) {
        GoOffline("The host refused: " + refuse->reason, true);
    } else if (const auto* piece = std::get_if<net::CatchUp>(&message)) {
        if (S.caughtUp || S.catchUp.size() + piece->text.size() > LARGEST_REPLAY_FILE)
            return GoOffline("The host sent a game that makes no sense", true);
        S.catchUp += piece->text;
        S.caughtUp = piece->last;
    } else if (const auto* input = std::get_if<net::Input>(&message)) {
        Stream& m = S.machines[input->machine];
        for (const net::FrameInput& f : input->frames) {
            m.stamps[f.frame] = f.keys;
            m.latest = std::max<std::int64_t>(m.latest, f.frame);
        }
    } else if (const auto* quiet = std::get_if<net::Quiet>(&message)) {
        Stream& m = S.machines[quiet->machine];
        if (quiet->last - quiet->first > MAX_FRAMES_AHEAD) return GoOffline("The host sent nonsense", true);
        for (std::uint32_t f = quiet->first; f <= quiet->last; ++f) m.stamps[f] = {};
        m.latest = std::max<std::int64_t>(m.latest, quiet->last);
    } else if (const auto* news = std::get_if<net::Roster>(&message)) {
        Stream& m = S.machines[news->machine];
        if (!news->joined) {
            m.gone = true;
            m.lastInput = news->last_input;
        }
        if (news->frame > 0) S.roster[news->frame].push_back({news->machine, news->joined});
    } else if (const auto* desync = std::get_if<net::Desync>(&message)) {
        Desync(desync->frame, desync->theirs, desync->ours);
    } else if (const auto* bye = std::get_if<net::Goodbye>(&message)) {
        // The frames already here are played out first.
        S.hostGone = "The host left the game" + (bye->reason.empty() ? std::string() : ": " + bye->reason);
    } else {
        GoOffline("The host sent a message only a guest sends", true);
    }
}

void Handle(const net::NetEvent& event) {
    if (event.kind == net::NetEvent::Connected) {
        if (S.role == NetRole::Join) {
            SendTo(event.peer, net::Hello{net::kProtocolNumber, ReplayGameVersion()});
            Notice("Connected to " + S.where + ": joining the game");
        }
        return;
    }
    if (event.kind == net::NetEvent::Disconnected) {
        if (S.role == NetRole::Host) {
            const int machine = MachineOfPeer(event.peer);
            if (machine > 0) MachineLeft(machine, net::DescribeReason(event.reason));
        } else if (!S.welcomed || !S.caughtUp) {
            GoOffline("Could not join " + S.where + " (" + net::DescribeReason(event.reason) + ")", true);
        } else if (S.hostGone.empty()) {
            S.hostGone = std::string("The host left the game (") + net::DescribeReason(event.reason) + ")";
        }
        return;
    }
    net::Message message;
    std::string error;
    if (!net::DecodeMessage(event.bytes, &message, &error)) {
        DiagTrace(DIAG_ERROR, "net", __LINE__, "Handle", "A message refused: %s", error.c_str());
        if (S.role == NetRole::Host) {
            const int machine = MachineOfPeer(event.peer);
            if (machine > 0)
                Drop(machine, net::DisconnectReason::Malformed, error);
            else
                S.transport->Disconnect(event.peer, net::DisconnectReason::Malformed);
        } else {
            GoOffline("The host sent a message that makes no sense", true);
        }
        return;
    }
    if (S.role == NetRole::Host)
        HostReceived(event.peer, message);
    else
        JoinReceived(message);
}

void Poll(int ms) {
    if (!S.transport || S.offlinePending) return;
    if (!S.unsent.empty() && (ms > 0 || Clock::now() - S.lastFlush >= FLUSH_INTERVAL)) Flush();
    net::NetEvent event;
    int wait = ms;
    while (!S.offlinePending && S.transport && S.transport->Poll(&event, wait)) {
        Handle(event);
        wait = 0;
    }
}

// ---- Turn starts.

void CheckTurnStart(std::uint32_t steps) {
    const int current = ThePlayers ? ThePlayers->CurrentIndex() : -1;
    const bool turnStarts = CurrentMode == Aiming && (S.lastMode != Aiming || S.lastCurrent != current);
    S.lastMode = CurrentMode;
    S.lastCurrent = current;
    if (!turnStarts) return;
    S.lastHash = GameStateHash();
    S.hashes[steps] = S.lastHash;
    while (S.hashes.size() > KEPT_HASHES) S.hashes.erase(S.hashes.begin());
    if (S.catchingUp) return;
    if (S.role == NetRole::Join && S.transport) {
        for (net::PeerId host : S.transport->Peers()) SendTo(host, net::StateHash{steps, S.lastHash});
        return;
    }
    // Reports of frames passed without a turn's start are differences; this turn's are compared.
    for (auto r = S.reported.begin(); r != S.reported.end() && r->first <= steps; ++r)
        for (const auto& [machine, hash] : r->second)
            if (r->first != steps || hash != S.lastHash) {
                Broadcast(net::Desync{r->first, r->first == steps ? S.lastHash : 0, hash});
                Desync(r->first, r->first == steps ? S.lastHash : 0, hash);
                return;
            }
    S.reported.erase(S.reported.begin(), S.reported.upper_bound(steps));
}

// ---- Drawing.

void Say(HDC dc, int y, const std::string& text) {
    const std::string shown = text.substr(0, 39);
    const int x = (SCREEN_WIDTH - static_cast<int>(shown.size()) * 8) / 2;
    GraphxFillRect(dc, 0, y - 2, SCREEN_WIDTH, y + 18, RGB(0, 0, 0));
    GraphxString(dc, x, y, RGB(255, 255, 255), 0, true, "%s", shown.c_str());
}

std::string WaitingText() {
    return "Waiting for " + MachineName(EffectiveOwner(static_cast<std::uint32_t>(ReplayFrameSteps()))) +
           "...";
}

void DrawMessages(int device, int surface) {
    std::vector<std::string> lines;
    if (S.leavePrompt) {
        lines.push_back("Leave the network game?");
        lines.push_back("Shift+Y for Yes");
    }
    if (S.waiting && Ms(Clock::now() - S.waitingSince) >= WAIT_MESSAGE_MS) lines.push_back(WaitingText());
    if (!S.notice.empty() && Clock::now() < S.noticeUntil) {
        // Long notices are split at a space into lines the screen can hold.
        std::string rest = S.notice;
        while (rest.size() > 39) {
            std::size_t cut = rest.rfind(' ', 39);
            if (cut == std::string::npos || cut == 0) cut = 39;
            lines.push_back(rest.substr(0, cut));
            rest = rest.substr(cut + (rest[cut] == ' ' ? 1 : 0));
        }
        lines.push_back(rest);
    }
    if (lines.empty()) return;
    HDC dc = nullptr;
    if (!GetHDC(&dc, device, surface, -1)) return;
    int y = 150 - 20 * static_cast<int>(lines.size());
    for (const std::string& line : lines) {
        Say(dc, y, line);
        y += 20;
    }
    ReleaseHDC(dc, device, surface, -1);
}

}  // namespace

void NetConfigure(NetRole role, std::unique_ptr<net::Transport> transport, const std::string& where) {
    S = Session{};
    S.role = transport ? role : NetRole::Local;
    S.transport = std::move(transport);
    S.where = where;
}

void NetBeforeSeed(void (*pump)()) {
    if (S.role != NetRole::Join) return;
    Notice("Joining the game at " + S.where + "...");
    const Clock::time_point start = Clock::now();
    Clock::time_point drawn{};
    while (!S.caughtUp && !S.offlinePending) {
        if (Clock::now() - drawn > std::chrono::milliseconds(100)) {
            drawn = Clock::now();
            DrawMessages(0, 1);
            GraphxPresentAgain(0);
        }
        Poll(10);
        if (pump) pump();
        if (Ms(Clock::now() - start) > STALL_LIMIT_MS + 5000)
            GoOffline("Could not join " + S.where + " (no answer)", true);
    }
    if (S.offlinePending) {
        // Never joined: the game at this keyboard goes on from the title.
        S.role = NetRole::Local;
        S.offlinePending = false;
        S.transport.reset();
        return;
    }
    ReplayRecord replay;
    std::string error;
    long long delivered = -2;
    const std::size_t lineEnd = S.catchUp.find('\n');
    if (lineEnd == std::string::npos || std::sscanf(S.catchUp.c_str(), "delivered %lld", &delivered) != 1)
        error = "it does not say how far it is";
    else
        S.catchUp.erase(0, lineEnd + 1);
    if (!error.empty() || !ParseReplay(S.catchUp, &replay, &error) || delivered < -1 ||
        delivered > static_cast<long long>(replay.steps) ||
        delivered + 1 < static_cast<long long>(replay.steps)) {
        if (error.empty()) error = "it is not as far as it says";
        GoOffline("The host's game could not be read (" + error + ")", true);
        S.role = NetRole::Local;
        S.offlinePending = false;
        S.transport.reset();
        return;
    }
    S.catchUp.clear();
    ReplayLoad(replay, false, true);
    S.catchingUp = replay.steps > 0;
    S.floor = delivered;
    S.deliveredThrough = delivered;
    Notice("Joined the game as " + MachineName(S.me));
}

void NetAfterSeed() {
    if (S.role != NetRole::Host) return;
    // The first frames, before anyone could have owned them, are the host's and quiet.
    for (std::uint32_t f = 0; f <= INPUT_DELAY; ++f) Stamp(f, {});
    Notice("Hosting a network game on port " + std::to_string(S.transport->Port()));
}

bool NetWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Active() || S.delivering) return true;
    // The game goes on for the others while this window is in the background: only its sound and
    // picture follow the focus. The game sees no activation once it is active, so that every
    // machine's game, and replay, stays the same.
    if (message == WM_ACTIVATEAPP) {
        if (wParam != 0 && !AppActive) return true;
        SoundPause(wParam == 0);
        if (wParam != 0) GraphxRestoreDisplays();
        return false;
    }
    if (message == WM_ACTIVATE) return false;
    if (message != WM_KEYDOWN && message != WM_KEYUP) return true;
    if (ReplayPlaying()) return false;
    const bool down = message == WM_KEYDOWN;
    const auto key = static_cast<std::uint8_t>(wParam & 0xFF);
    if (wParam == 0 || wParam >= KEY_COUNT) return false;
    const bool repeat = down && (lParam & (KEY_REPEAT_BIT | (LPARAM{1} << 31))) != 0;
    // Esc and the leave prompt are this machine's own.
    if (wParam == VK_SHIFT) S.localShift = down;
    // A key the prompt took going down goes up unseen too.
    if (!down && S.promptKeys[wParam]) {
        S.promptKeys[wParam] = false;
        return false;
    }
    if (S.leavePrompt && wParam != VK_SHIFT) {
        if (down) S.promptKeys[wParam] = true;
        if (down && wParam == 'Y' && S.localShift) {
            const bool host = S.role == NetRole::Host;
            GoOffline(host ? "You ended the network game" : "You left the network game", false,
                      host ? "The host ended the game" : MachineName(S.me) + " left the game");
        } else if (down) {
            S.leavePrompt = false;
        }
        return false;
    }
    if (wParam == VK_ESCAPE) {
        if (down) S.promptKeys[VK_ESCAPE] = true;
        if (down && !repeat) S.leavePrompt = true;
        return false;
    }
    if (S.localKeys.size() < net::kMaxKeysPerFrame) S.localKeys.push_back(net::KeyEvent{down, key, repeat});
    return false;
}

bool NetDeliverDue(HWND window, WNDPROC procedure) {
    if (S.role == NetRole::Local) return false;
    Poll(0);
    if (S.offlinePending) {
        // Back to the title at one keyboard; the replay keeps the moment.
        S.delivering = true;
        procedure(window, WM_NETWORK_ENDED, 0, 0);
        S.delivering = false;
        if (S.transport) S.transport.reset();
        S.role = NetRole::Local;
        S.offlinePending = false;
        S.waiting = false;
        return true;
    }
    if (ReplayPlaying()) return false;
    S.catchingUp = false;
    const std::uint32_t frame = ReplayFrameSteps();
    if (S.deliveredThrough >= static_cast<std::int64_t>(frame)) return false;
    if (!Held(frame)) {
        if (!S.hostGone.empty()) GoOffline(S.hostGone, true);
        return false;
    }
    S.delivering = true;
    auto news = S.roster.find(frame);
    if (news != S.roster.end()) {
        for (const RosterNews& n : news->second)
            procedure(window, n.joined ? WM_MACHINE_JOINED : WM_MACHINE_LEFT, static_cast<WPARAM>(n.machine),
                      0);
        S.roster.erase(news);
    }
    const int owner = OwnerNow();
    if (owner != S.deliveryOwner)
        for (int key = 1; key < KEY_COUNT; ++key)
            if (KeyHeld[static_cast<std::size_t>(key)] != 0)
                procedure(window, WM_KEYUP, static_cast<WPARAM>(key), KEY_UP_LPARAM);
    S.deliveryOwner = owner;
    const int stamper = EffectiveOwner(frame);
    for (int m = 0; m < MAX_MACHINES; ++m) {
        Stream& stream = S.machines[static_cast<std::size_t>(m)];
        auto stamp = stream.stamps.find(frame);
        if (stamp != stream.stamps.end() && m == stamper && m == owner) {
            for (const net::KeyEvent& k : stamp->second)
                procedure(window, k.down ? WM_KEYDOWN : WM_KEYUP, k.key,
                          !k.down ? KEY_UP_LPARAM : (k.repeat ? KEY_REPEAT_BIT | 1 : 1));
        } else if (stamp != stream.stamps.end() && m != stamper && S.role == NetRole::Host && m > 0 &&
                   stream.connected) {
            Drop(m, net::DisconnectReason::Malformed, "keys for a moment it does not own");
        }
        stream.stamps.erase(stream.stamps.begin(), stream.stamps.upper_bound(frame));
    }
    S.stampOwners.erase(S.stampOwners.begin(), S.stampOwners.upper_bound(frame));
    S.delivering = false;
    S.deliveredThrough = frame;
    S.waiting = false;

    return true;
}

bool NetMayStep() {
    // Going offline happens between steps, at the next delivery.
    if (S.offlinePending) return false;
    if (!Active() || ReplayPlaying()) return true;
    return S.deliveredThrough >= static_cast<std::int64_t>(ReplayFrameSteps());
}

void NetWait(int ms) {
    if (!Active()) return;
    const Clock::time_point now = Clock::now();
    if (!S.waiting) {
        S.waiting = true;
        S.waitingSince = now;
        S.lastWaitDrawn = now;
    }
    Poll(ms);
    const std::int64_t waited = Ms(Clock::now() - S.waitingSince);
    S.longestWait = std::max(S.longestWait, waited);
    if (waited >= STALL_LIMIT_MS) {
        GoOffline("No keys from " + MachineName(EffectiveOwner(ReplayFrameSteps())) + " for 10 seconds",
                  true);
        return;
    }
    if (waited >= WAIT_MESSAGE_MS && Ms(Clock::now() - S.lastWaitDrawn) >= 250) {
        S.lastWaitDrawn = Clock::now();
        DrawMessages(0, 1);
        GraphxPresentAgain(0);
    }
}

void NetBeforeFrameStep() {
    if (!Active()) return;
    S.deliveryOwner = OwnerNow();
    // The keys pressed since the last step go out for the frame INPUT_DELAY steps ahead, if this
    // machine owns it; the owner of that frame was known after the last step.
    const std::uint32_t frame = ReplayFrameSteps() + INPUT_DELAY;
    if (!ReplayPlaying() && S.stampOwners.count(frame) && EffectiveOwner(frame) == S.me)
        Stamp(frame, S.localKeys);
    S.localKeys.clear();
}

void NetFrameStepRun() {
    if (!Active()) return;
    const std::uint32_t steps = ReplayFrameSteps();
    S.stampOwners[steps + INPUT_DELAY] = OwnerNow();
    CheckTurnStart(steps);
}

bool NetShowFrames() { return !(Active() && ReplayPlaying()); }

void NetDrawOverlay(int device, int surface) {
    if (S.role == NetRole::Local && (S.notice.empty() || Clock::now() >= S.noticeUntil)) return;
    DrawMessages(device, surface);
}

void NetShutdown() {
    if (S.role != NetRole::Local || S.longestWait > 0)
        DiagTrace(DIAG_DEBUG, "net", __LINE__, "NetShutdown", "The longest wait for another machine: %lld ms",
                  static_cast<long long>(S.longestWait));
    if (S.role == NetRole::Local || !S.transport) return;
    GoOffline(S.role == NetRole::Host ? "The host ended the game" : "A guest left", false);
    // The others get everything sent to them before the connections close.
    net::NetEvent ignored;
    const bool anyoneThere = S.hostGone.empty();
    for (auto end = Clock::now() + std::chrono::seconds(5);
         anyoneThere && !S.transport->Settled() && Clock::now() < end;)
        S.transport->Poll(&ignored, 10);
    S.transport.reset();
    S.role = NetRole::Local;
    S.offlinePending = false;
}

NetRole NetRoleNow() { return S.role; }
int NetMachine() { return S.me; }

int NetMachinesConnected() {
    if (S.role == NetRole::Local) return 1;
    if (S.role == NetRole::Join) return __builtin_popcount(MachinesPresent);
    int count = 1;
    for (int m = 1; m < MAX_MACHINES; ++m) count += S.machines[static_cast<std::size_t>(m)].connected ? 1 : 0;
    return count;
}

bool NetMine() {
    if (!Active()) return true;
    return StampOwner(ReplayFrameSteps()) == S.me || OwnerNow() == S.me;
}

std::uint64_t NetStateHash() { return S.lastHash; }
bool NetDesync() { return S.desync; }
const std::string& NetFailure() { return S.failure; }
void NetPoll(int ms) { Poll(ms); }

void NetResetForTests() { S = Session{}; }

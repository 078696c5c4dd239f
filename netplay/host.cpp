// The host's side of a network game: welcoming machines with the game so far, taking their stamps
// and passing them on, and machines leaving.
#include "netplay/host.h"

#include <algorithm>
#include <random>
#include <utility>

#include "core/globals.h"
#include "diag/diag.h"
#include "netplay/admission.h"
#include "netplay/chat.h"
#include "netplay/desync.h"
#include "netplay/fast_pace.h"
#include "netplay/keyboard.h"
#include "netplay/notices.h"
#include "netplay/session.h"
#include "netplay/stamps.h"
#include "netplay/waiting_room.h"
#include "netplay/watchers.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "text/text.h"

namespace netplay {

namespace {

// The token each number was given with (0: never given). A secret between the host and that
// machine, no part of the game: the game sees only the news of the number joining and leaving.
std::array<std::uint64_t, MAX_MACHINES> Tokens{};

// The number a machine saying hello gets, or -1 when none is free.
struct Place {
    int machine = -1;
    bool returning = false;  // it offered the number's token: it was here before
};

// The joined machine on the peer, or -1.
int MachineOfPeer(net::PeerId peer) {
    for (int m = 1; m < MAX_MACHINES; ++m)
        if (StreamOf(m).connected && StreamOf(m).peer == peer) return m;
    return -1;
}

// The last frame whose stamp of the machine counts, settled once for every machine: everything it
// sent, which the host passed on whole, but no further than the first frame it owned and left
// unstamped, which nobody can have run past. Frames after it are the host's to stamp, quiet.
std::uint32_t SettledLastInput(int machine) {
    const Stream& m = StreamOf(machine);
    const std::int64_t delivered = TheStamps.deliveredThrough;
    const std::int64_t last = std::max<std::int64_t>({m.latest, delivered, 0});
    for (const auto& [frame, owner] : TheStamps.owners)
        if (owner == machine && frame > delivered && frame <= last && !m.stamps.count(frame))
            return frame - 1;
    return static_cast<std::uint32_t>(last);
}

void MachineLeft(int machine, const std::string& why) {
    Stream& m = StreamOf(machine);
    if (!m.connected && !m.held) return;
    if (m.connected) AdmittedLeft(m.peer);
    m.held = false;
    m.returned = false;
    Flush();
    m.lastInput = SettledLastInput(machine);
    m.connected = false;
    m.follows = false;
    m.gone = true;
    m.back = NEVER;
    m.away = false;
    // Stamps after the last that counts are let go: it stamps those frames no more, even once back.
    m.stamps.erase(m.stamps.upper_bound(m.lastInput), m.stamps.end());
    m.latest = std::min<std::int64_t>(m.latest, m.lastInput);
    // The others hear of it before anything more; the frames it owned and never sent are the host's
    // to stamp, quiet (those still to come as the host's own steps reach them), and the news goes
    // with the first of them.
    Broadcast(net::Roster{0, static_cast<std::uint8_t>(machine), false, m.lastInput});
    TheStamps.unannounced.push_back({machine, false});
    std::vector<std::uint32_t> orphans;
    for (const auto& [frame, owner] : TheStamps.owners)
        if (owner == machine && frame > m.lastInput &&
            static_cast<std::int64_t>(frame) > TheStamps.deliveredThrough &&
            frame < ReplayFrameSteps() + INPUT_DELAY)
            orphans.push_back(frame);
    for (std::uint32_t frame : orphans) Stamp(frame, {});
    Notice(TrFormat("%s left (%s): the computer plays for it", MachineNameShown(machine).c_str(),
                    Tr(why.c_str())));
}

// A token no one could guess, from the system's generator (never the game's).
std::uint64_t NewToken() {
    std::random_device device;
    std::uint64_t token = 0;
    while (token == 0) token = (static_cast<std::uint64_t>(device()) << 32) ^ device();
    return token;
}

// A machine offering a number's token comes back as that number. Any other gets a number never
// given if one is left. A number once given stays its machine's, with its seats, until the match
// ends, so that a stranger can never take the place of a machine that crashed; between matches (at
// the title or the player choice) the number of a machine that left (and whose news has reached the
// game) may go to a stranger, announced after news of that number leaving for good.
Place PlaceFor(const net::Hello& hello) {
    for (int m = 1; m < MAX_MACHINES; ++m)
        if (hello.token != 0 && Tokens[static_cast<std::size_t>(m)] == hello.token) return {m, true};
    const bool betweenMatches = CurrentMode == Title || CurrentMode == PlayerChoice;
    int fresh = -1, reused = -1;
    for (int m = 1; m < MAX_MACHINES; ++m) {
        const Stream& s = StreamOf(m);
        if (s.connected || s.held || (MachinesPresent >> m & 1) != 0) continue;
        int& first = Tokens[static_cast<std::size_t>(m)] == 0 ? fresh : reused;
        if (first < 0) first = m;
    }
    return {fresh >= 0 ? fresh : betweenMatches ? reused : -1, false};
}

// An away machine whose connection closed (a page's browser closes them as it freezes it) keeps its
// place and its seat: the others wait for it in its moment as for any away machine, until it comes
// back with its token or its time is up.
void HoldAway(int machine) {
    Stream& m = StreamOf(machine);
    m.connected = false;
    m.follows = false;
    m.held = true;
    m.heldSince = NowMs();
    Notice(TrFormat("%s is away and lost its connection", MachineNameShown(machine).c_str()));
}

// A held machine back with its token: it takes the game so far again and goes on where its stamps
// end, the game having never seen it leave. It is away still while it plays the game so far back,
// and back with its first stamp.
void WelcomeBack(net::PeerId peer, int machine, const net::Message& answer) {
    Stream& m = StreamOf(machine);
    SendTo(peer, answer);
    Flush();
    m.held = false;
    m.returned = true;
    m.connected = true;
    m.peer = peer;
    ForgetReports(machine);
    SendCatchUp(peer);
    m.follows = TheLink.transport->Watch(peer);
    Notice(TrFormat("%s joined the game again", MachineNameShown(machine).c_str()));
}

}  // namespace

void SendCatchUp(net::PeerId peer) {
    // The frame the game so far reaches, then the game itself: what was delivered for that frame
    // is in it.
    const std::string text =
        "delivered " + std::to_string(TheStamps.deliveredThrough) + "\n" + FormatReplay(ReplayRecorded());
    for (std::size_t at = 0; at < text.size(); at += net::kMaxCatchUpChunk) {
        const bool last = at + net::kMaxCatchUpChunk >= text.size();
        SendTo(peer, net::CatchUp{text.substr(at, net::kMaxCatchUpChunk), last});
    }
    // What is known beyond the game so far: the machines that left (and the frame from which one
    // that came back stamps again, when its news is already in the game), the news still to reach
    // the game, and every machine's stamps not yet run, the joiner's own from before it left too.
    for (int m = 1; m < MAX_MACHINES; ++m) {
        const Stream& other = StreamOf(m);
        if (!other.gone) continue;
        const auto number = static_cast<std::uint8_t>(m);
        SendTo(peer, net::Roster{0, number, false, other.lastInput});
        const std::uint32_t news = other.back - INPUT_DELAY;
        if (other.back != NEVER && static_cast<std::int64_t>(news) <= TheStamps.deliveredThrough)
            SendTo(peer, net::Roster{news, number, true, other.lastInput});
    }
    for (int m = 1; m < MAX_MACHINES; ++m)
        if (StreamOf(m).away) SendTo(peer, net::Presence{static_cast<std::uint8_t>(m), true});
    for (const auto& [frame, news] : TheStamps.roster)
        for (const RosterNews& n : news)
            SendTo(peer, net::Roster{frame, static_cast<std::uint8_t>(n.machine), n.joined,
                                     StreamOf(n.machine).lastInput});
    for (int m = 0; m < MAX_MACHINES; ++m)
        for (const auto& [frame, keys] : StreamOf(m).stamps) SendTo(peer, StampMessage(m, frame, keys));
    SendTo(peer, NamesNow());
    SendTo(peer, PeopleNow());
}

namespace {

// A machine saying hello: turned away, or given its number and the game so far. A machine coming
// back takes the place of its old connection if that is still open; a stranger given the number of
// a machine that left is announced after news of that machine leaving for good, so that its seats
// are not handed to the stranger.
void Welcome(net::PeerId peer, const net::Hello& hello) {
    if (!CodeMatches(peer, hello)) return;
    const Place place = PlaceFor(hello);
    if (place.machine < 0) {
        RefuseAndClose(peer, "the game is full: every machine's place is taken",
                       net::DisconnectReason::GameFull);
        return;
    }
    const auto slot = static_cast<std::size_t>(place.machine);
    const std::uint64_t token = place.returning ? Tokens[slot] : NewToken();
    if (!Admit(peer, "machine " + std::to_string(token))) return;
    const net::Message answer =
        net::AnswerHello(hello, ReplayGameVersion(), static_cast<std::uint8_t>(place.machine), token);
    if (!std::holds_alternative<net::Welcome>(answer)) {
        SendTo(peer, answer);
        DiagTrace(DIAG_ERROR, "net", __LINE__, "Welcome", "Refused: %s",
                  std::get<net::Refuse>(answer).reason.c_str());
        TheLink.transport->Disconnect(peer, net::DisconnectReason::VersionDiffers);
        return;
    }
    Stream& m = StreamOf(place.machine);
    // Its person's name reaches every machine, and the game so far it is sent.
    SetMachineName(place.machine, hello.name);
    MachineKindIs(place.machine, hello.kind);
    Broadcast(NamesNow(), place.machine);
    if (place.returning && m.held) return WelcomeBack(peer, place.machine, answer);
    if (place.returning && m.connected) {
        TheLink.transport->Disconnect(m.peer, net::DisconnectReason::Closed);
        MachineLeft(place.machine, TrLater("it joined again"));
    }
    SendTo(peer, answer);
    Flush();
    if (!place.returning && Tokens[slot] != 0) TheStamps.unannounced.push_back({place.machine, false});
    Tokens[slot] = token;
    ForgetReports(place.machine);
    // The stream keeps what the number stamped before; its frames after that are the host's until
    // the news of its joining takes effect.
    m.connected = true;
    m.peer = peer;
    TheStamps.unannounced.push_back({place.machine, true});
    SendCatchUp(peer);
    m.follows = TheLink.transport->Watch(peer);
    Notice(place.returning ? TrFormat("%s joined the game again", MachineNameShown(place.machine).c_str())
                           : TrFormat("%s joined the game", MachineNameShown(place.machine).c_str()));
}

// Whether a joined machine may stamp frames first to last: only after its last, not yet run and
// not too far ahead.
bool MayStamp(int machine, std::uint32_t first, std::uint32_t last) {
    if (static_cast<std::int64_t>(first) > StreamOf(machine).latest &&
        static_cast<std::int64_t>(first) > TheStamps.deliveredThrough &&
        last <= ReplayFrameSteps() + MAX_FRAMES_AHEAD)
        return true;
    Drop(machine, net::DisconnectReason::Malformed, "a stamp out of turn, frame " + std::to_string(first));
    return false;
}

// Keeps the stamps of a message already checked, which then goes on to the others: a message is
// taken whole or not at all, so every stamp the host keeps is one the others get too.
void Keep(int machine, std::uint32_t frame, const std::vector<net::KeyEvent>& keys) {
    Stream& m = StreamOf(machine);
    if (std::exchange(m.returned, false) && m.away) {
        Broadcast(net::Presence{static_cast<std::uint8_t>(machine), false}, machine);
        PresenceHeard(machine, false);
    }
    m.stamps[frame] = keys;
    m.latest = frame;
}

// A joined machine's keys: frames in order (the message's check says so), and never a key that
// honest machines keep to themselves.
void TakeInput(int machine, const net::Input& input, const net::Message& message) {
    if (input.machine != machine) return Drop(machine, net::DisconnectReason::Malformed, "keys of another");
    if (!MayStamp(machine, input.frames.front().frame, input.frames.back().frame)) return;
    for (const net::FrameInput& f : input.frames)
        if (std::any_of(f.keys.begin(), f.keys.end(), NeverStamped))
            return Drop(machine, net::DisconnectReason::Malformed,
                        "a key only its own machine acts on, frame " + std::to_string(f.frame));
    for (const net::FrameInput& f : input.frames) Keep(machine, f.frame, f.keys);
    Broadcast(message, machine);
}

// A guest's person away or back, said only of itself: the host lets its transport be silent while
// it is away, and the others hear of it.
void TakePresence(int machine, const net::Presence& presence, const net::Message& message) {
    if (presence.machine != machine)
        return Drop(machine, net::DisconnectReason::Malformed, "the presence of another");
    if (StreamOf(machine).away == presence.away) return;
    TheLink.transport->HoldPeer(StreamOf(machine).peer, presence.away ? AWAY_HOLD_MS + 10000 : 0);
    PresenceHeard(machine, presence.away);
    Broadcast(message, machine);
}

void TakeQuiet(int machine, const net::Quiet& quiet, const net::Message& message) {
    if (quiet.machine != machine || quiet.last - quiet.first > MAX_FRAMES_AHEAD)
        return Drop(machine, net::DisconnectReason::Malformed, "quiet frames of another");
    if (!MayStamp(machine, quiet.first, quiet.last)) return;
    for (std::uint32_t f = quiet.first; f <= quiet.last; ++f) Keep(machine, f, {});
    Broadcast(message, machine);
}

}  // namespace

void ResetHost() { Tokens.fill(0); }

void ReportProgress(std::uint32_t steps) {
    if (steps % PROGRESS_FRAMES != 0 || OwnerNow() == 0) return;
    SendToMachines(net::Progress{steps});
}

void HostStarts() {
    for (std::uint32_t f = 0; f <= INPUT_DELAY; ++f) Stamp(f, {});
    SetMachineName(0, TheLink.name);
    if (!TheLink.room.empty()) return Notice(RoomNotice());
    if (!TheLink.joinCode.empty()) return Notice(JoinCodeNotice());
    Notice(TrFormat("Hosting a network game on port %u", static_cast<unsigned>(TheLink.transport->Port())));
}

void HostReceived(net::PeerId peer, const net::Message& message) {
    const int machine = MachineOfPeer(peer);
    if (IsWatcher(peer)) return WatcherReceived(peer, message);
    if (machine < 0) {
        if (const auto* hello = std::get_if<net::Hello>(&message))
            return hello->watch ? WelcomeWatcher(peer, *hello) : Welcome(peer, *hello);
        TheLink.transport->Disconnect(peer, net::DisconnectReason::Malformed);
        return;
    }
    if (const auto* input = std::get_if<net::Input>(&message)) {
        TakeInput(machine, *input, message);
    } else if (const auto* quiet = std::get_if<net::Quiet>(&message)) {
        TakeQuiet(machine, *quiet, message);
    } else if (const auto* presence = std::get_if<net::Presence>(&message)) {
        TakePresence(machine, *presence, message);
    } else if (const auto* fast = std::get_if<net::FastForward>(&message)) {
        HostTakeFast(machine, *fast);
    } else if (const auto* chat = std::get_if<net::Chat>(&message)) {
        HostTakeChat(machine, *chat);
    } else if (const auto* ping = std::get_if<net::Ping>(&message); ping && ping->answer) {
        PingAnswered(peer, *ping);
    } else if (const auto* hash = std::get_if<net::StateHash>(&message)) {
        if (!HashReported(machine, *hash))
            Drop(machine, net::DisconnectReason::Malformed, "too many state hashes");
    } else if (std::holds_alternative<net::Goodbye>(message)) {
        // The connection closes too, so that it neither holds a place nor says hello again.
        MachineLeft(machine, TrLater("it said goodbye"));
        TheLink.transport->Disconnect(peer, net::DisconnectReason::Closed);
    } else {
        Drop(machine, net::DisconnectReason::Malformed, "a message only the host sends");
    }
}

void HostDisconnected(net::PeerId peer, net::DisconnectReason why) {
    // Without the relay no machine can know what the others have: the game ends everywhere.
    if (why == net::DisconnectReason::RelayLost)
        return GoOffline(
            TrFormat("Lost the connection to the relay at %s: the network game ends", TheLink.where.c_str()),
            true);
    const int machine = MachineOfPeer(peer);
    ForgetPings(peer);
    if (machine > 0 && StreamOf(machine).away)
        HoldAway(machine);
    else if (machine > 0)
        MachineLeft(machine, net::DescribeReason(why));
    WatcherLeft(peer);
}

void WatchHeld() {
    for (int m = 1; m < MAX_MACHINES; ++m)
        if (StreamOf(m).held && NowMs() - StreamOf(m).heldSince > AWAY_HOLD_MS)
            MachineLeft(m, TrLater("away too long"));
}

void HostMisunderstood(net::PeerId peer, const std::string& error) {
    const int machine = MachineOfPeer(peer);
    if (machine > 0)
        Drop(machine, net::DisconnectReason::Malformed, error);
    else if (IsWatcher(peer))
        DropWatcher(peer, net::DisconnectReason::Malformed);
    else
        TheLink.transport->Disconnect(peer, net::DisconnectReason::Malformed);
}

void Drop(int machine, net::DisconnectReason why, const std::string& fault) {
    DiagTrace(DIAG_ERROR, "net", __LINE__, "Drop", "Machine %d: %s", machine, fault.c_str());
    // The machine hears why before its connection closes: it is the one at fault, not the host. Its
    // silence is said as it would say it itself, should this word be lost with its connection
    // (guest.cpp).
    const std::string cause = why != net::DisconnectReason::TimedOut ? fault
                              : StreamOf(machine).away               ? "it was away too long"
                                                                     : "it was silent too long";
    SendTo(StreamOf(machine).peer,
           net::Goodbye{("The host dropped this machine (" + cause + ")").substr(0, net::kMaxReasonLength)});
    TheLink.transport->Disconnect(StreamOf(machine).peer, why);
    MachineLeft(machine, net::DescribeReason(why));
}

}  // namespace netplay

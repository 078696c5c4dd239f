// Spectators: the host's, which take the game so far and every stamp after it and never hold the
// game up; and a spectator's own lead, which shows the game a few seconds behind the players.
//
// A spectator is no machine of the game: it has no number, owns no moment and plays no seat, the
// game hears no news of it, and nothing it says reaches the game. The host sends it what it sends a
// joined machine (the catch-up, every stamp and the news) and, at each turn's start, its own hash,
// which the spectator compares with its own; it waits for nothing a spectator sends. A spectator
// that cannot keep up falls further behind on its own side of the link until the relay lets its
// messages go, which ends its watching, not the game.
#include "netplay/watchers.h"

#include <algorithm>
#include <map>
#include <set>

#include "diag/diag.h"
#include "netplay/admission.h"
#include "netplay/chat.h"
#include "netplay/guest.h"
#include "netplay/host.h"
#include "netplay/session.h"
#include "netplay/stamps.h"
#include "netplay/waiting_room.h"
#include "replay/replay.h"
#include "replay/session.h"

namespace netplay {

namespace {

// A spectator whose ticks come at the window's pace holds this many frames of stamps (2.5 s)
// beyond its next step before it steps, and again after running out: the link's unevenness then
// never shows. While the players wait (the front of the game stands still this long), it plays what
// it holds rather than wait with them.
constexpr std::int64_t WATCH_LEAD_FRAMES = 125;
constexpr std::int64_t FRONT_STANDS_STILL_MS = 1000;

struct Spectators {
    // Host: the spectators' connections, and those of them the transport cannot reach all at once
    // (which are sent to one by one).
    std::map<net::PeerId, SpectatorSeen> watchers;
    std::set<net::PeerId> oneByOne;
    // Spectator: ticks come at the window's pace, and the lead is being built (at the start and
    // after running out).
    bool paced = true;
    bool building = true;
    std::int64_t front = -1;  // the front of the game as last seen, and since when
    std::int64_t frontSince = 0;
};

Spectators TheSpectators;

// The furthest frame any machine has stamped: the front of the game as this machine knows it.
std::int64_t FrontOfGame() {
    std::int64_t front = TheStamps.floor;
    for (const Stream& m : TheStamps.machines) front = std::max(front, m.latest);
    return front;
}

void Forget(net::PeerId peer) {
    TheSpectators.oneByOne.erase(peer);
    ForgetPings(peer);
    if (TheSpectators.watchers.erase(peer) == 0) return;
    AdmittedLeft(peer);
    DiagTrace(DIAG_DEBUG, "net", __LINE__, "Forget", "A spectator left; %d watching",
              static_cast<int>(TheSpectators.watchers.size()));
}

}  // namespace

bool IsWatcher(net::PeerId peer) { return TheSpectators.watchers.count(peer) != 0; }

// Turned away when the spectators' places are all taken or it runs another version; otherwise its
// welcome, then the game so far. The stamps this host has not sent yet go first to those already
// here, so that the catch-up (which holds them) and the stream after it meet without a gap.
void WelcomeWatcher(net::PeerId peer, const net::Hello& hello) {
    if (!CodeMatches(peer, hello) || !Admit(peer, "watcher " + TheLink.transport->Address(peer))) return;
    if (static_cast<int>(TheSpectators.watchers.size()) >= MAX_WATCHERS) {
        RefuseAndClose(peer,
                       "the game has all the spectators it takes (" + std::to_string(MAX_WATCHERS) + ")",
                       net::DisconnectReason::GameFull);
        return;
    }
    const net::Message answer = net::AnswerHello(hello, ReplayGameVersion(), 0, 0);
    SendTo(peer, answer);
    if (!std::holds_alternative<net::Welcome>(answer)) {
        TheLink.transport->Disconnect(peer, net::DisconnectReason::VersionDiffers);
        return;
    }
    Flush();
    TheSpectators.watchers[peer] = {peer, hello.name, hello.kind};
    SendCatchUp(peer);
    if (!TheLink.transport->Watch(peer)) TheSpectators.oneByOne.insert(peer);
    DiagTrace(DIAG_DEBUG, "net", __LINE__, "WelcomeWatcher", "A spectator joined; %d watching",
              static_cast<int>(TheSpectators.watchers.size()));
}

// A spectator's goodbye closes its connection, and its answers to pings and its chat lines are
// taken; its keys, quiet frames and hashes count for nothing, and it is not dropped for them: they
// reach no one.
void WatcherReceived(net::PeerId peer, const net::Message& message) {
    if (const auto* ping = std::get_if<net::Ping>(&message); ping && ping->answer)
        return PingAnswered(peer, *ping);
    if (const auto* chat = std::get_if<net::SpectatorChat>(&message))
        return HostTakeSpectatorChat(peer, TheSpectators.watchers[peer].name, *chat);
    if (!std::holds_alternative<net::Goodbye>(message)) return;
    Forget(peer);
    TheLink.transport->Disconnect(peer, net::DisconnectReason::Closed);
}

void WatcherLeft(net::PeerId peer) { Forget(peer); }

void DropWatcher(net::PeerId peer, net::DisconnectReason why) {
    Forget(peer);
    TheLink.transport->Disconnect(peer, why);
}

// Once for all the transport reaches at once, and to each of the others.
void SendToWatchers(const net::Message& message) {
    if (TheSpectators.watchers.empty()) return;
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!net::EncodeMessage(message, &bytes, &error)) {
        DiagTrace(DIAG_ERROR, "net", __LINE__, "SendToWatchers", "Not sent: %s", error.c_str());
        return;
    }
    if (TheSpectators.watchers.size() > TheSpectators.oneByOne.size())
        TheLink.transport->SendToWatchers(bytes);
    for (net::PeerId peer : TheSpectators.oneByOne) TheLink.transport->Send(peer, bytes);
}

int WatchersNow() { return static_cast<int>(TheSpectators.watchers.size()); }

std::vector<SpectatorSeen> SpectatorsNow() {
    std::vector<SpectatorSeen> seen;
    for (const auto& [peer, spectator] : TheSpectators.watchers) seen.push_back(spectator);
    return seen;
}

std::int64_t WatchLead() {
    return TheLink.role == NetRole::Watch && TheSpectators.paced ? WATCH_LEAD_FRAMES : 0;
}

bool BuildingLead(std::uint32_t frame) {
    if (WatchLead() == 0 || !HostGone().empty()) return false;
    if (!Held(frame)) {
        TheSpectators.building = true;
        return false;
    }
    const std::int64_t front = FrontOfGame();
    if (front != TheSpectators.front) {
        TheSpectators.front = front;
        TheSpectators.frontSince = NowMs();
    }
    if (TheSpectators.building &&
        (front - frame >= WatchLead() || NowMs() - TheSpectators.frontSince >= FRONT_STANDS_STILL_MS))
        TheSpectators.building = false;
    return TheSpectators.building;
}

void SetWatchPaced(bool paced) { TheSpectators.paced = paced; }

void ResetWatchers() { TheSpectators = Spectators{}; }

}  // namespace netplay

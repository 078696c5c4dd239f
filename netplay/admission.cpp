// The host's door: connections waiting to say hello, joiners that rejoin too often, the join code,
// and the refusals that name why.
#include "netplay/admission.h"

#include <algorithm>

#include "diag/diag.h"
#include "netplay/session.h"

namespace netplay {

net::PeerId Admission::Opened(net::PeerId peer, std::int64_t now) {
    net::PeerId pushedOut = 0;
    if (Waiting() >= MAX_WAITING) {
        pushedOut = waiting_.begin()->first;
        waiting_.erase(waiting_.begin());
    }
    waiting_[peer] = now;
    return pushedOut;
}

std::vector<net::PeerId> Admission::Overdue(std::int64_t now) {
    std::vector<net::PeerId> late;
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        if (now - it->second < HELLO_LIMIT_MS) {
            ++it;
            continue;
        }
        late.push_back(it->first);
        it = waiting_.erase(it);
    }
    return late;
}

std::int64_t Admission::Hello(net::PeerId peer, const std::string& joiner, std::int64_t now) {
    waiting_.erase(peer);
    const std::int64_t wait = Wait(joiner, now);
    if (wait == 0) greeted_[peer] = joiner;
    return wait;
}

std::int64_t Admission::Wait(const std::string& joiner, std::int64_t now) {
    ForgetOldDepartures(now);
    // Over the allowance, the joiner may join once enough of its departures are out of the window.
    const auto found = departures_.find(joiner);
    const std::size_t allowed = static_cast<std::size_t>(REJOINS_ALLOWED);
    if (found != departures_.end() && found->second.size() > allowed)
        return found->second[found->second.size() - allowed - 1] + REJOIN_WINDOW_MS - now;
    return 0;
}

void Admission::Missed(const std::string& joiner, std::int64_t now) {
    ForgetOldDepartures(now);
    departures_[joiner].push_back(now);
}

void Admission::Left(net::PeerId peer, std::int64_t now) {
    const auto found = greeted_.find(peer);
    if (found == greeted_.end()) return;
    ForgetOldDepartures(now);
    departures_[found->second].push_back(now);
    greeted_.erase(found);
}

void Admission::KeepOnly(const std::vector<net::PeerId>& open) {
    const auto closed = [&open](const auto& entry) {
        return std::find(open.begin(), open.end(), entry.first) == open.end();
    };
    std::erase_if(waiting_, closed);
    std::erase_if(greeted_, closed);
}

void Admission::ForgetOldDepartures(std::int64_t now) {
    for (auto it = departures_.begin(); it != departures_.end();) {
        std::deque<std::int64_t>& times = it->second;
        while (!times.empty() && now - times.front() >= REJOIN_WINDOW_MS) times.pop_front();
        it = times.empty() ? departures_.erase(it) : std::next(it);
    }
}

namespace {

Admission Door;

// A wait in milliseconds as the player reads it, in whole seconds: "1 second", "60 seconds".
std::string Seconds(std::int64_t ms) {
    const std::int64_t seconds = (ms + 999) / 1000;
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

}  // namespace

void RefuseAndClose(net::PeerId peer, const std::string& reason, net::DisconnectReason why) {
    DiagTrace(DIAG_DEBUG, "net", __LINE__, "RefuseAndClose", "Refused: %s", reason.c_str());
    SendTo(peer, net::Refuse{reason.substr(0, net::kMaxReasonLength)});
    TheLink.transport->Disconnect(peer, why);
}

void HostConnected(net::PeerId peer) {
    const net::PeerId pushedOut = Door.Opened(peer, NowMs());
    if (pushedOut != 0)
        RefuseAndClose(pushedOut, "too many machines were trying to join at once: try again",
                       net::DisconnectReason::Busy);
}

void WatchDoor() {
    for (net::PeerId peer : Door.Overdue(NowMs()))
        RefuseAndClose(
            peer,
            "nothing was heard from this machine for " + std::to_string(HELLO_LIMIT_MS / 1000) + " seconds",
            net::DisconnectReason::Silent);
    Door.KeepOnly(TheLink.transport->Peers());
}

bool Admit(net::PeerId peer, const std::string& joiner) {
    const std::int64_t wait = Door.Hello(peer, joiner, NowMs());
    if (wait == 0) return true;
    RefuseAndClose(peer, "this machine left and rejoined too often: try again in " + Seconds(wait),
                   net::DisconnectReason::TooManyRejoins);
    return false;
}

bool CodeMatches(net::PeerId peer, const net::Hello& hello) {
    // An address that gave wrong join codes too often may guess again only once they are old.
    const std::string guesser = "guesses " + TheLink.transport->Address(peer);
    if (const std::int64_t wait = Door.Wait(guesser, NowMs()); wait > 0 && !TheLink.joinCode.empty()) {
        RefuseAndClose(peer, "too many wrong codes from this address: try again in " + Seconds(wait),
                       net::DisconnectReason::WrongCode);
        return false;
    }
    const net::Transport::PeerRole door = TheLink.transport->RoleOf(peer);
    const char* wrong = door == net::Transport::PeerRole::Player && hello.watch
                            ? "that is the room's code: watch by its watch code"
                        : door == net::Transport::PeerRole::Spectator && !hello.watch
                            ? "that is a watch code: play by the room's code"
                        : TheLink.joinCode.empty() || hello.code == TheLink.joinCode ? nullptr
                        : hello.code.empty() ? "this game asks for its join code"
                                             : "that is not this game's join code";
    if (wrong == nullptr) return true;
    if (!TheLink.joinCode.empty()) Door.Missed(guesser, NowMs());
    RefuseAndClose(peer, wrong, net::DisconnectReason::WrongCode);
    return false;
}

void AdmittedLeft(net::PeerId peer) { Door.Left(peer, NowMs()); }

void ResetAdmission() { Door = Admission{}; }

}  // namespace netplay

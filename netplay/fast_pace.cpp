// Fast-forward in a network game: who holds the fast key, and the pace the host sets from that.
#include "netplay/fast_pace.h"

#include <array>

#include "netplay/guest.h"
#include "netplay/session.h"
#include "netplay/stamps.h"

namespace netplay {

namespace {

struct FastPace {
    bool said = false;  // a guest: what it last told the host
    // The host: each machine's people as they last said (the host's own at 0).
    std::array<bool, MAX_MACHINES> held{};
    bool on = false;
};

FastPace ThePace;

// Every machine connected holds the key; a machine that leaves is forgotten, so that one coming
// back in its place must say so again.
bool EveryoneHolds() {
    bool all = ThePace.held[0];
    for (int m = 1; m < MAX_MACHINES; ++m) {
        auto& held = ThePace.held[static_cast<std::size_t>(m)];
        if (!StreamOf(m).connected) held = false;
        if (StreamOf(m).connected && !held) all = false;
    }
    return all;
}

}  // namespace

void FastHeldHere(bool held) {
    if (TheLink.role == NetRole::Host) {
        ThePace.held[0] = held;
        return;
    }
    // A guest speaks once welcomed and level with the game, and only of a change.
    if (TheLink.role != NetRole::Join || !Active() || TheLink.me < 1 || CatchingUp() || held == ThePace.said)
        return;
    ThePace.said = held;
    SendOwn(net::FastForward{held});
}

void HostTakeFast(int machine, const net::FastForward& word) {
    if (machine > 0 && machine < MAX_MACHINES) ThePace.held[static_cast<std::size_t>(machine)] = word.held;
}

void HostCheckFastPace() {
    const bool on = EveryoneHolds();
    if (on == ThePace.on) return;
    ThePace.on = on;
    Broadcast(net::FastForward{on});
}

void FastPaceHeard(const net::FastForward& word) { ThePace.on = word.held; }

bool FastPaceOn() { return Active() && ThePace.on; }

void ResetFastPace() { ThePace = FastPace{}; }

}  // namespace netplay

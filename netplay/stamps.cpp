// The stream of stamps: every machine's keys by frame, who owns each frame, and this machine's own
// stamps going out.
#include "netplay/stamps.h"

#include <algorithm>

#include "netplay/keyboard.h"
#include "netplay/session.h"
#include "players/player_collection.h"
#include "players/seats.h"
#include "replay/session.h"
#include "screens/setup_state.h"

namespace netplay {

Stamps TheStamps;

namespace {

// Quiet stamps wait at most this long to be sent together (five frames fold into one message); keys
// never wait, and take the quiet frames before them along. The owner's own game never waits for its
// stamps to arrive anywhere, and the others keep a lead that covers how late they come.
constexpr std::int64_t FLUSH_INTERVAL_MS = 100;

// Host: the news not yet announced goes out, given the frame of the stamp about to be sent.
void Announce(std::uint32_t frame) {
    Flush();
    for (const RosterNews& n : TheStamps.unannounced) {
        TheStamps.roster[frame].push_back(n);
        if (n.joined) StreamOf(n.machine).back = frame + INPUT_DELAY;
        Broadcast(net::Roster{frame, static_cast<std::uint8_t>(n.machine), n.joined,
                              StreamOf(n.machine).lastInput});
    }
    TheStamps.unannounced.clear();
}

// A joined machine's own frame beyond what the host takes: measured from the host's steps as last
// heard of, from its word or from its own stamps (each sent INPUT_DELAY steps ahead), or from the
// game so far it sent.
bool TooFarAhead(std::uint32_t frame) {
    if (TheLink.role != NetRole::Join) return false;
    const std::int64_t reached =
        std::max<std::int64_t>({TheStamps.hostReached, TheStamps.floor,
                                StreamOf(0).latest - static_cast<std::int64_t>(INPUT_DELAY)});
    return frame > reached + OWNER_AHEAD_LIMIT;
}

}  // namespace

net::KeyEvent WireKey(const InputEvent& input) {
    return net::KeyEvent{input.kind == InputEvent::KeyDown, static_cast<std::uint8_t>(input.value & 0xFF),
                         input.repeat};
}

InputEvent StampedKey(const net::KeyEvent& key) {
    return key.down ? InputEvent::Down(key.key, key.repeat) : InputEvent::Up(key.key);
}

Stream& StreamOf(int machine) { return TheStamps.machines[static_cast<std::size_t>(machine)]; }

int OwnerNow() {
    int seat = -1;
    if ((CurrentMode == Aiming || CurrentMode == ShotInProgress) && ThePlayers)
        seat = ThePlayers->CurrentIndex();
    else if (CurrentMode == WeaponShop)
        seat = ShopPlayer;
    return SeatPlayedFrom(seat);
}

int StampOwner(std::uint32_t frame) {
    auto found = TheStamps.owners.find(frame);
    return found != TheStamps.owners.end() ? found->second : 0;
}

int EffectiveOwner(std::uint32_t frame) {
    const int owner = StampOwner(frame);
    const Stream& m = StreamOf(owner);
    return m.gone && frame > m.lastInput && frame < m.back ? 0 : owner;
}

bool Held(std::uint32_t frame) {
    if (static_cast<std::int64_t>(frame) <= TheStamps.floor) return true;
    return StreamOf(EffectiveOwner(frame)).stamps.count(frame) > 0;
}

int Awaited(std::uint32_t frame) {
    const int stamper = EffectiveOwner(frame);
    return stamper == TheLink.me && TooFarAhead(frame) ? 0 : stamper;
}

net::Message StampMessage(int machine, std::uint32_t frame, const std::vector<net::KeyEvent>& keys) {
    const auto m = static_cast<std::uint8_t>(machine);
    if (keys.empty()) return net::Quiet{m, frame, frame};
    return net::Input{m, {net::FrameInput{frame, keys}}};
}

// Runs of quiet frames go as one message, frames with keys together, each message within the
// limits.
void Flush() {
    std::vector<std::pair<std::uint32_t, std::vector<net::KeyEvent>>>& unsent = TheStamps.unsent;
    TheStamps.lastFlush = NowMs();
    const auto me = static_cast<std::uint8_t>(TheLink.me);
    std::size_t i = 0;
    while (i < unsent.size()) {
        std::size_t j = i + 1;
        if (unsent[i].second.empty()) {
            while (j < unsent.size() && unsent[j].second.empty() &&
                   unsent[j].first == unsent[j - 1].first + 1)
                ++j;
            SendOwn(net::Quiet{me, unsent[i].first, unsent[j - 1].first});
        } else {
            net::Input input{me, {}};
            for (j = i; j < unsent.size() && !unsent[j].second.empty() && j - i < net::kMaxFramesPerInput;
                 ++j)
                input.frames.push_back(net::FrameInput{unsent[j].first, unsent[j].second});
            SendOwn(input);
        }
        i = j;
    }
    unsent.clear();
    if (TheLink.transport) TheLink.transport->Push();
}

void FlushHandingOver() {
    if (!TheStamps.unsent.empty() && OwnerNow() != TheLink.me) Flush();
}

void FlushWhenDue(int ms) {
    if (!TheStamps.unsent.empty() && (ms > 0 || NowMs() - TheStamps.lastFlush >= FLUSH_INTERVAL_MS)) Flush();
}

// Keys go out at once; quiet frames wait a little for company, but never while this machine waits
// for another.
void Stamp(std::uint32_t frame, std::vector<net::KeyEvent> keys) {
    Stream& mine = StreamOf(TheLink.me);
    mine.stamps[frame] = keys;
    mine.latest = std::max<std::int64_t>(mine.latest, frame);
    if (!TheStamps.unannounced.empty()) Announce(frame);
    const bool quiet = keys.empty();
    TheStamps.unsent.emplace_back(frame, std::move(keys));
    if (!quiet || TheStamps.unsent.size() >= net::kMaxFramesPerInput ||
        NowMs() - TheStamps.lastFlush >= FLUSH_INTERVAL_MS)
        Flush();
}

// Frames already run are let be, and a machine that came back leaves alone the frames it stamped
// before it left. Keys beyond what one frame holds go in the next frame this machine owns.
bool StampOwnFrames(std::uint32_t through) {
    if (Watching()) return false;
    const std::int64_t from = std::max<std::int64_t>(StreamOf(TheLink.me).latest + 1, ReplayFrameSteps());
    for (auto owned = TheStamps.owners.lower_bound(static_cast<std::uint32_t>(from));
         owned != TheStamps.owners.end() && owned->first <= through; ++owned) {
        const std::uint32_t frame = owned->first;
        if (EffectiveOwner(frame) != TheLink.me) continue;
        if (TooFarAhead(frame)) return true;
        Stamp(frame, TakeOwnKeys(net::kMaxKeysPerFrame));
    }
    return TheStamps.owners.count(through) && EffectiveOwner(through) == TheLink.me;
}

}  // namespace netplay

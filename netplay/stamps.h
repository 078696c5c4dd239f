// The stream of stamps: every machine's stamps, who owns each frame, and the news of machines joining
// and leaving at the frame it takes effect (stamps.cpp).
//
// lockstep.cpp stamps this machine's frames and delivers the frames held to the game; the host's side
// and the guest's side (host.cpp, guest.cpp) keep the stamps and news the others send; keyboard.cpp
// puts keys in their wire form; the link (session.cpp) sends the unsent stamps when due; catch_up.cpp,
// watchers.cpp, notices.cpp and desync.cpp read what is held, who is awaited and who has left.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "net/transport.h"
#include "netplay/session.h"
#include "platform/input.h"

namespace netplay {

// A joined machine may stamp at most this many frames beyond the host's steps.
constexpr std::uint32_t MAX_FRAMES_AHEAD = 3000;
// A joined machine owning the moment stamps no further than this beyond the host's steps as it last
// heard of them, and waits for the host there: a host that runs slowly (a busy or sleepy computer)
// falls behind an owner running at the window's pace, and must never find its stamps out of turn.
constexpr std::uint32_t OWNER_AHEAD_LIMIT = MAX_FRAMES_AHEAD - 500;

// No frame: a machine that left and has not come back.
constexpr std::uint32_t NEVER = 0xFFFFFFFF;

// One machine's stamps: the frames it sent keys (or quiet) for, in order.
struct Stream {
    bool connected = false;  // host: a joined machine's connection is open
    net::PeerId peer = 0;
    bool follows = false;      // host: it reads what the transport sends to all machines at once
    std::int64_t latest = -1;  // the highest frame stamped
    // Left: its frames after lastInput are the host's to stamp, quiet, up to `back`, the first frame
    // it stamps again once it has come back (INPUT_DELAY after the frame its joining reaches the
    // game), or NEVER.
    bool gone = false;
    std::uint32_t lastInput = 0;
    std::uint32_t back = NEVER;
    bool away = false;  // its person is away, as it said (net::Presence)
    // Host: an away machine whose connection closed, its seat kept for it to come back to; and one
    // back from there, away until its first stamp.
    bool held = false;
    std::int64_t heldSince = 0;
    bool returned = false;
    std::map<std::uint32_t, std::vector<net::KeyEvent>> stamps;
};

struct RosterNews {
    int machine;
    bool joined;
};

struct Stamps {
    std::array<Stream, MAX_MACHINES> machines;
    std::int64_t floor = -1;             // every frame up to here is held (a joiner's catch-up)
    std::int64_t hostReached = -1;       // a joined machine: the host's steps, as it last said
    std::int64_t deliveredThrough = -1;  // the last frame whose keys went to the game
    // The owner of each frame not yet delivered, known once the step INPUT_DELAY before it has run.
    std::map<std::uint32_t, int> owners;
    // Host: news of machines joining and leaving, given the frame of the host's next stamp (which no
    // machine can pass without it) and sent just before that stamp.
    std::vector<RosterNews> unannounced;
    // The news for the game, by the frame it reaches the game before.
    std::map<std::uint32_t, std::vector<RosterNews>> roster;
    // This machine's stamps not sent yet: quiet ones go out together, a tenth of a second's worth at
    // most, and with the next keys.
    std::vector<std::pair<std::uint32_t, std::vector<net::KeyEvent>>> unsent;
    std::int64_t lastFlush = 0;
};
extern Stamps TheStamps;

Stream& StreamOf(int machine);
// Who owns the moment the game is in: the machine of the person playing the seat that aims, shoots
// or shops; the host otherwise.
int OwnerNow();
// The owner of a frame as it was known after its step INPUT_DELAY before; the host if not known.
int StampOwner(std::uint32_t frame);
// Who stamps a frame: its owner, or the host for a machine that has left and sent nothing for it.
int EffectiveOwner(std::uint32_t frame);
// Whether the stamp for a frame is here.
bool Held(std::uint32_t frame);
// A key as it travels in a stamp, and as the game's input again: the one place where the two meet.
net::KeyEvent WireKey(const InputEvent& input);
InputEvent StampedKey(const net::KeyEvent& key);
// One machine's stamp for one frame (at most kMaxKeysPerFrame keys) as a message.
net::Message StampMessage(int machine, std::uint32_t frame, const std::vector<net::KeyEvent>& keys);
// This machine's stamp for a frame it owns (at most kMaxKeysPerFrame keys), sent on (with the host's
// news before it).
void Stamp(std::uint32_t frame, std::vector<net::KeyEvent> keys);
// Stamps, in order, the frames up to `through` that this machine owns and has not stamped, each with
// the next of the keys its person pressed (as many as a frame holds), unless a joined machine would
// run too far ahead of the host: it then stamps no more until the host has come nearer. True when
// the keys left over are to be kept: `through` is its own, or a frame before it waits for the host.
bool StampOwnFrames(std::uint32_t through);
// The machine a step of `frame` waits for: its stamper, or the host while this machine's own stamp
// for it waits for the host to come nearer.
int Awaited(std::uint32_t frame);
// Sends this machine's unsent stamps now.
void Flush();
// After a step: sends them now if this machine owns the moment no more, so that the next owner
// need not wait for the last of them.
void FlushHandingOver();
// Sends them if any have waited long enough, or at once for a poll that waits (ms > 0).
void FlushWhenDue(int ms);

}  // namespace netplay

// The network session's link, which every room of netplay/ shares: who this machine is, how it
// reaches the other machines, and how the network game ends for it. Private to netplay/: the shell
// sees only lockstep.h.
//
// The rooms, each with its header: session.cpp, the link and how the network game ends (this
// header); stamps.cpp, the stream of stamps and who owns a frame (stamps.h); host.cpp, the host's
// side (host.h); admission.cpp, the host's door, who may join (admission.h); guest.cpp, a joined
// machine's side (guest.h); desync.cpp, the turn-start hashes, their check and the report
// (desync.h); catch_up.cpp, the pace of the steps, a machine fallen behind running several a tick
// and a follower keeping a lead (catch_up.h, over pacing.h); watchers.cpp, the spectators
// (watchers.h); keyboard.cpp, this machine's keys and the leave prompt (keyboard.h); notices.cpp,
// what this machine says on screen and how long it has waited (notices.h); chat.cpp, the people's
// names and chat lines (chat.h); waiting_room.cpp, who is in the room and the waiting room
// (waiting_room.h); fast_pace.cpp, who holds the fast key and the pace of a fast match
// (fast_pace.h); lockstep.cpp, the door the shell calls (lockstep.h). Each room
// includes the headers of the rooms it calls.
//
// Every room sends through the link; lockstep.cpp sets it up, reads the network through Poll each
// tick, and resets it. Poll hands each event to the host's side, its door and the spectators (host.h,
// admission.h, watchers.h) or to the guest's side (guest.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "net/messages.h"
#include "net/transport.h"
#include "netplay/lockstep.h"

namespace netplay {

// The network's clock in milliseconds, which every room reads for the network's times (pacing,
// timeouts, notices), never the game's rules: the steady clock, or a test's own (NetClockForTests).
std::int64_t NowMs();
void SetNetClock(std::int64_t (*nowMs)());

// Who this machine is, how it reaches the others, and how the network game ends for it.
struct Link {
    NetRole role = NetRole::Local;
    std::unique_ptr<net::Transport> transport;
    std::string where;  // the host as the player typed it, for messages
    std::string room;   // the online room's code, or "" when not in one
    // A local network game's join code: the one a host asks for, or the one a guest offers; "" none.
    std::string joinCode;
    std::string name;  // this machine's person's name, clean; "" for none
    int me = 0;        // this machine's number, 0 the host
    std::string failure;
    // Over for this machine: the game goes back to the title at the next delivery, or ends there
    // for this machine to join again.
    bool offlinePending = false;
    bool rejoining = false;
    // When this machine last read the network, and when it last came back from an absence (its
    // reads far apart: stopped, or a page frozen by its browser); -1 for never.
    std::int64_t polled = -1;
    std::int64_t returned = -1;
};
extern Link TheLink;

// A network game that goes on.
bool Active();
// A machine as messages name it: its person's name, else "the host" or "Guest N"; as the notices
// shown on this machine name it, in its language.
std::string MachineName(int machine);
std::string MachineNameShown(int machine);
void SendTo(net::PeerId peer, const net::Message& message);
// Host: to every joined machine but `except`, and to every spectator. Machines that read the
// transport's message for all (Stream::follows) get it that way, `except` too, which then takes
// it as its own again.
void Broadcast(const net::Message& message, int except = -1);
void SendToMachines(const net::Message& message, int except = -1);
// This machine's own stamps: the host's to every joined machine, a guest's to the host.
void SendOwn(const net::Message& message);
// A spectator: a client that watches the game.
bool Watching();
// The network game is over for this machine: the others are told (with `farewell`, or else `why`),
// and the game goes back to the title at the next delivery. A failure is kept for NetFailure. `why`
// is shown through Tr: a fixed text goes in English (the others read it in theirs), one made of parts
// is translated by the caller.
void GoOffline(const std::string& why, bool failed, const std::string& farewell = "");
// Reads the network for at most ms and hands each event to the host's or the guest's side.
void Poll(int ms);
// Whether this machine came back from an absence of its own a moment ago: silence heard of now was
// its own.
bool ReturnedFromAbsence();

}  // namespace netplay

// Who is in the room (waiting_room.cpp): what each machine and spectator runs the game in and how
// long a message takes from the host to it and back, the host's word of them all, and the waiting
// room this machine shows at the title of a network game.
//
// The host's side (host.cpp) and the spectators' (watchers.cpp) tell it who comes, in what, and
// the answers to its pings; the link (session.cpp) lets it ask again and pass the list on after
// each read of the network; a guest's side (guest.cpp) answers the host's pings and hands it the
// host's list; notices.cpp draws the waiting room from its lines; the keyboard (keyboard.cpp) hands
// the host's W to it there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/messages.h"
#include "net/transport.h"

namespace netplay {

// The host pings every machine and spectator this often, and passes the list on when it changed,
// at most this often.
constexpr int PING_EVERY_MS = 2000;
constexpr int PEOPLE_EVERY_MS = 250;
// The host's own key in the waiting room: the players hear the spectators' chat, or stop hearing it.
constexpr int SPECTATORS_HEARD_KEY = 'W';

// This machine runs the game in this (the native game unless its program says otherwise).
void SetOwnKind(net::MachineKind kind);
net::MachineKind OwnKind();
// Host: machine `machine` said hello running the game in `kind`.
void MachineKindIs(int machine, net::MachineKind kind);
// Host: an answer to a ping from the connection; one to anything but the last ping counts for nothing.
void PingAnswered(net::PeerId peer, const net::Ping& ping);
// Host: the round trip last measured to the connection, in milliseconds (0 before the first).
int PingOf(net::PeerId peer);
// Host: the connection closed.
void ForgetPings(net::PeerId peer);
// Host, after each read of the network: every PING_EVERY_MS, pings everyone; and passes the list on
// when it changed (someone came or went, a round trip was measured).
void KeepPeopleKnown();
// Everyone in the room as this machine knows it: the host's own list, else the host's word.
net::People PeopleNow();
// A guest or spectator: the host's word of who is in, and its ping, answered at once.
void PeopleHeard(const net::People& people);
void PingAsked(const net::Ping& ping);

// The waiting room's lines, top to bottom: the heading, a line for every machine (its person's name,
// what it runs the game in, its round trip), the spectators, the seats filled, and who starts.
std::vector<std::string> WaitingRoomLines();
// Whether every seat of the player choice can have a person: as many machines as players, at least.
bool EverySeatFilled();
// The key of the host's waiting room: true when it took it.
bool WaitingRoomKey(std::uint32_t key);
void ResetWaitingRoom();

}  // namespace netplay

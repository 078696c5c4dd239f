// Spectators (watchers.cpp): the host's, which follow the game and never hold it up, and a
// spectator's own lead.
//
// The host's side (host.cpp) hands it the connections that ask to watch and their messages, and the
// link (session.cpp) and the turn-start check (desync.cpp) send to every spectator through it;
// lockstep.cpp sets a spectator's pace, counts the spectators and asks whether a step waits for the
// lead, as notices.cpp and catch_up.cpp do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/messages.h"
#include "net/transport.h"

namespace netplay {

// The host takes at most this many spectators, besides its machines.
constexpr int MAX_WATCHERS = net::kMaxWatchingPeers;

// Host: a spectator as its hello said: its person's name (clean, maybe empty) and what it runs.
struct SpectatorSeen {
    net::PeerId peer = 0;
    std::string name;
    net::MachineKind kind = net::MachineKind::Game;
};

// Host: whether the connection is a spectator's.
bool IsWatcher(net::PeerId peer);
// Host: a connection asked to watch: refused (the spectators' places are taken, another version),
// or welcomed and sent the game so far, then everything a joined machine gets.
void WelcomeWatcher(net::PeerId peer, const net::Hello& hello);
// Host: a spectator's message (its goodbye, its answers to pings and its chat lines count), its
// connection closing, and its dropping.
void WatcherReceived(net::PeerId peer, const net::Message& message);
void WatcherLeft(net::PeerId peer);
void DropWatcher(net::PeerId peer, net::DisconnectReason why);
// Host: to every spectator.
void SendToWatchers(const net::Message& message);
int WatchersNow();
// Host: every spectator, in the order they came.
std::vector<SpectatorSeen> SpectatorsNow();
// Spectator: the frames of stamps it holds beyond its next step before stepping (0 when it runs a
// script's ticks, or is no spectator).
std::int64_t WatchLead();
// Spectator: the frame is held, but the stamps beyond it do not reach the lead yet, at the start or
// after running out: the step waits. False once the host has gone (what is held is played out), or
// while the front of the game stands still (the players are waiting).
bool BuildingLead(std::uint32_t frame);
void SetWatchPaced(bool paced);
void ResetWatchers();

}  // namespace netplay

// The host's side of a network game (host.cpp): welcoming machines with the game so far, taking
// their stamps and passing them on, and machines leaving.
//
// session.cpp hands it the host's network events; lockstep.cpp starts it, reports the host's steps,
// drops a machine whose keys break the rules and resets it; the turn-start check and the wait (desync.cpp,
// notices.cpp) drop a machine through it, and watchers.cpp sends a spectator the game so far through it.
#pragma once

#include <cstdint>
#include <string>

#include "net/messages.h"
#include "net/transport.h"

namespace netplay {

// While a joined machine owns the moment, the host tells the joined machines how far it has come
// every this many of its steps (a second's worth: the owner may run OWNER_AHEAD_LIMIT frames ahead).
constexpr std::uint32_t PROGRESS_FRAMES = 50;

// The first frames, before anyone could have owned them: the host's, quiet.
void HostStarts();
void HostReceived(net::PeerId peer, const net::Message& message);
void HostDisconnected(net::PeerId peer, net::DisconnectReason why);
// A message from the peer that could not be read.
void HostMisunderstood(net::PeerId peer, const std::string& error);
// Closes a joined machine's connection for breaking the rules; it has left.
void Drop(int machine, net::DisconnectReason why, const std::string& fault);
// After each read of the network: a machine held while away for AWAY_HOLD_MS has left.
void WatchHeld();
// The game so far, and everything known beyond it, to a machine or spectator just welcomed.
void SendCatchUp(net::PeerId peer);
// After each of the host's steps (`steps` run in all): while a joined machine owns the moment, the
// joined machines hear every PROGRESS_FRAMES steps how far the host has come.
void ReportProgress(std::uint32_t steps);
// Forgets the tokens given to machines.
void ResetHost();

}  // namespace netplay

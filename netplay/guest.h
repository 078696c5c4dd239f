// A joined machine's side of a network game, a spectator's too (guest.cpp): joining, the game so far
// played back, the host's stamps and news, and the host going.
//
// lockstep.cpp joins and resets it and asks why the host has gone, as watchers.cpp does; the link
// (session.cpp) hands it the guest's network events; the keyboard and the turn-start check (keyboard.cpp,
// desync.cpp) ask whether the game so far is still playing back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/messages.h"
#include "net/transport.h"

namespace netplay {

// A joined machine holds stamps for frames at most this far beyond its own steps (while it plays
// the game so far back, beyond the frame that reaches), and at most this many stamps in all: half an
// hour of play. The host runs on while a joiner plays the game so far back, and a guest may stamp
// MAX_FRAMES_AHEAD (stamps.h) beyond the host, so an honest host stays far inside both; a host that sends
// more ends the network game for the joiner rather than filling its memory.
constexpr std::uint32_t MAX_FRAMES_HELD = 90000;
// Likewise the news of machines joining and leaving a joined machine holds for frames to come.
constexpr std::size_t MAX_NEWS_HELD = 256;

// Connects to the host, takes its game and loads it for playing back; false when this machine stays
// at its own keyboard (the reason on screen).
void Join(void (*pump)());
void GuestConnected(net::PeerId host);
void GuestDisconnected(net::DisconnectReason why);
void GuestReceived(const net::Message& message);
// The game so far is playing back, and its turn starts are not reported.
bool CatchingUp();
void CaughtUp();
// Why the host has gone, once it has; the frames already here are played out first.
const std::string& HostGone();
// This machine's person went away or came back: the host hears of it.
void SayAway(bool away);
// Whether a guest that loses its connection now joins again (see NetRejoinAfterAbsence).
void SetRejoin(bool on);
bool TakeRejoin();
void ResetGuest();

}  // namespace netplay

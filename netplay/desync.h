// The turn-start check (desync.cpp): every machine's hash of the game at each turn's start, compared
// by the host, and the report written when they differ.
//
// lockstep.cpp checks after each step and resets it; the host's side (host.cpp) hands it the guests'
// reports, and the guest's side (guest.cpp) the host's hashes and its word that the games differ.
#pragma once

#include <cstdint>

#include "net/messages.h"

namespace netplay {

// After each frame step: at a turn's start, keeps this machine's hash and compares (host) or reports
// it (guest).
void CheckTurnStart(std::uint32_t steps);
// Spectator: the host's hash of a turn's start, compared once this machine is there; a difference
// ends its watching (its own failure: the players go on).
void HostHashHeard(const net::StateHash& hash);
// Host: a guest's hash; a guest whose game differs from the host's is told and dropped here,
// whoever else differs. False when the guest reports more than it may (it is to be dropped).
bool HashReported(int machine, const net::StateHash& hash);
// Host: the reports of frames not reached yet from a number that comes back: the machine reports
// those frames itself.
void ForgetReports(int machine);
// The machines' games differ: a report beside the replays, and the network game stops.
void Desync(std::uint32_t frame, std::uint64_t ours, std::uint64_t theirs);
std::uint64_t LastHash();
bool Desynced();
void ResetDesyncCheck();

}  // namespace netplay

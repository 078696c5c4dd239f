// Fast-forward in a network game (fast_pace.cpp): whether the match runs several frame steps a tick
// while a shot flies, which it does only while the people of every machine hold the fast key.
//
// Each machine's shell says after every step whether its people hold the key (lockstep.h,
// NetFastHeld); a guest tells the host when that changes. The host counts its own and every
// connected machine's, once a step, and tells every machine and spectator when the answer changes.
// The pace is no part of the game: the steps, their keys and the state hashes are the same either
// way, so a late word, or a hostile guest's, changes how fast the match goes and nothing else.
#pragma once

#include "net/messages.h"

namespace netplay {

// This machine's people hold the fast key, or have let it go.
void FastHeldHere(bool held);
// Host: a joined machine's word of its people.
void HostTakeFast(int machine, const net::FastForward& word);
// Host: after each step, the pace again from who holds the key; everyone hears of a change.
void HostCheckFastPace();
// A guest or spectator: the host's word of the pace.
void FastPaceHeard(const net::FastForward& word);
// Whether the match runs fast now.
bool FastPaceOn();
void ResetFastPace();

}  // namespace netplay

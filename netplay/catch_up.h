// The pace of the steps (catch_up.cpp, over pacing.h): a machine fallen behind catching up, and a
// follower keeping a lead.
//
// lockstep.cpp alone calls it: after each read of the network, at each tick and before each step,
// and to set it up for a session or a test.
#pragma once

#include <cstdint>

namespace netplay {

// After each read of the network: notes the stamps of the other machines that came since the last,
// and when, for how late they come.
void WatchStamps();
// A tick is due and its first step may run: plans the tick's steps; true when it runs none (a
// follower keeping its lead).
bool CatchUpHoldsTick();
// The tick waits for the next frame's stamp.
void CatchUpWaits();
// Just before each step: whether this machine runs another step straight after this one, as the
// tick planned; this one is then not shown.
void CatchUpBeforeStep();
bool CatchUpRunsAnother();
// Whether ticks come at the window's pace (the default), so that a machine behind catches up and a
// follower keeps a lead; a script's ticks, which come as fast as asked for, run one step each.
void SetTicksPaced(bool paced);
// Whether a follower keeps a lead (the default, unless LOBSHOT_FOLLOW_LEAD=0 when the session
// starts); without one it steps as soon as each stamp is here.
void SetFollowLead(bool on);
// The lead in frames at the last tick: 0 while this machine owns the moment.
int FollowLead();
void ResetCatchUp();

}  // namespace netplay

// The seats across the machines of a network game: which machine plays a seat, and the seats'
// handover as machines join and leave and when the network game ends. The seats themselves
// (SeatControllers, SeatMachines, MachinesPresent, SeatsAwayFrom) are declared in core/globals.h.
#pragma once

#include "platform/input.h"

// The machine whose person plays the seat (0 to MAX_MACHINES - 1): 0, the host, for a computer's
// seat, a seat out of range (-1 when none plays) and a machine number out of range.
int SeatPlayedFrom(int seat);

// The network game's news, as it reaches the game between frame steps (platform/input.h), for a
// machine numbered 1 to MAX_MACHINES - 1:
//   - MachineJoined: the machine is present, and the seats kept for it (SeatsAwayFrom) are its
//     persons' again: a machine that comes back plays what it played before it left;
//   - MachineLeft, the machine present: it is not, and the seats its persons played pass to Normal
//     computers at the host, kept for its return;
//   - MachineLeft, the machine not present: it will not come back (its number goes to another
//     machine), and the seats kept for it stay the computer's;
//   - NetworkEnded: only this machine is present, it plays every seat a person plays, and no seat is
//     kept for anyone.
// Any other input changes nothing. The seats' controllers are kept otherwise. The shell does the
// rest of the news (the title, the keys let go).
void ApplyNetworkNews(const InputEvent& news);

// The player choice changes the seat's controller: no seat is kept for a machine that left.
void ForgetSeatAway(int seat);

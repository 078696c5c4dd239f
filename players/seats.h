// The seats across the machines of a network game: which machine plays a seat, and the seats'
// handover as machines join and leave and when the network game ends. The seats themselves
// (SeatControllers, SeatMachines, MachinesPresent) are declared in core/globals.h.
#pragma once

#include "platform/win.h"

// The machine whose person plays the seat (0 to MAX_MACHINES - 1): 0, the host, for a computer's
// seat, a seat out of range (-1 when none plays) and a machine number out of range.
int SeatPlayedFrom(int seat);

// The network game's news, as the window procedure receives it between frame steps (core/globals.h):
// WM_MACHINE_JOINED, the machine (1 to MAX_MACHINES - 1) is present; WM_MACHINE_LEFT, it is not,
// and the seats its persons played pass to Normal computers at the host; WM_NETWORK_ENDED, only
// this machine is present and it plays every seat a person plays. The seats' controllers are kept
// otherwise. The shell does the rest of the news (the title, the keys let go).
void ApplyNetworkNews(UINT message, int machine);

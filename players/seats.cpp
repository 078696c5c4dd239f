// The seats' handover between the machines of a network game.
#include "players/seats.h"

#include "core/globals.h"

namespace {

// A machine present leaves: its persons' seats pass to Normal computers at the host, kept for its
// return. One not present leaves for good: the seats kept for it are the computer's from now on.
void MachineLeaves(std::int32_t machine) {
    const bool present = (MachinesPresent >> machine & 1) != 0;
    MachinesPresent &= ~(1u << machine);
    for (std::size_t s = 0; s < PLAYER_SEATS; ++s) {
        if (present && SeatControllers[s] == ControllerHuman && SeatMachines[s] == machine) {
            SeatControllers[s] = ControllerNormal;
            SeatMachines[s] = 0;
            SeatsAwayFrom[s] = machine;
        } else if (!present && SeatsAwayFrom[s] == machine) {
            SeatsAwayFrom[s] = -1;
        }
    }
}

// A machine comes (back): the seats kept for it are its persons' again.
void MachineJoins(std::int32_t machine) {
    MachinesPresent |= 1u << machine;
    for (std::size_t s = 0; s < PLAYER_SEATS; ++s) {
        if (SeatsAwayFrom[s] != machine) continue;
        SeatControllers[s] = ControllerHuman;
        SeatMachines[s] = machine;
        SeatsAwayFrom[s] = -1;
    }
}

}  // namespace

int SeatPlayedFrom(int seat) {
    if (seat < 0 || seat >= PLAYER_SEATS) return 0;
    const auto s = static_cast<std::size_t>(seat);
    if (SeatControllers[s] != ControllerHuman) return 0;
    return SeatMachines[s] >= 0 && SeatMachines[s] < MAX_MACHINES ? SeatMachines[s] : 0;
}

void ApplyNetworkNews(const InputEvent& news) {
    const auto machine = static_cast<std::int32_t>(news.value);
    if (news.kind == InputEvent::MachineJoined) {
        MachineJoins(machine);
    } else if (news.kind == InputEvent::MachineLeft) {
        MachineLeaves(machine);
    } else if (news.kind == InputEvent::NetworkEnded) {
        MachinesPresent = 1;
        SeatMachines.fill(0);
        SeatsAwayFrom.fill(-1);
    }
}

void ForgetSeatAway(int seat) {
    if (seat >= 0 && seat < PLAYER_SEATS) SeatsAwayFrom[static_cast<std::size_t>(seat)] = -1;
}

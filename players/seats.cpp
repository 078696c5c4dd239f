// The seats' handover between the machines of a network game.
#include "players/seats.h"

#include "core/globals.h"

int SeatPlayedFrom(int seat) {
    if (seat < 0 || seat >= PLAYER_SEATS) return 0;
    const auto s = static_cast<std::size_t>(seat);
    if (SeatControllers[s] != ControllerHuman) return 0;
    return SeatMachines[s] >= 0 && SeatMachines[s] < MAX_MACHINES ? SeatMachines[s] : 0;
}

void ApplyNetworkNews(const InputEvent& news) {
    const std::uint32_t machine = news.value;
    if (news.kind == InputEvent::MachineJoined) {
        MachinesPresent |= 1u << machine;
    } else if (news.kind == InputEvent::MachineLeft) {
        MachinesPresent &= ~(1u << machine);
        for (int seat = 0; seat < PLAYER_SEATS; ++seat) {
            const auto s = static_cast<std::size_t>(seat);
            if (SeatControllers[s] == ControllerHuman &&
                SeatMachines[s] == static_cast<std::int32_t>(machine)) {
                SeatControllers[s] = ControllerNormal;
                SeatMachines[s] = 0;
            }
        }
    } else if (news.kind == InputEvent::NetworkEnded) {
        MachinesPresent = 1;
        SeatMachines.fill(0);
    }
}

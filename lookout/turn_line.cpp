// The turn's line over aiming: whose turn it is, by the colour's name and a swatch of it.
#include <array>

#include "core/globals.h"
#include "lookout/lookout.h"
#include "netplay/lockstep.h"
#include "players/player_collection.h"
#include "players/seats.h"
#include "screens/screens.h"
#include "text/text.h"

namespace {

// The seats' colours as the tanks wear them, seat by seat.
constexpr std::array<const char*, PLAYER_SEATS> COLOUR_NAMES = {
    TrLater("Red"),   TrLater("Blue"), TrLater("Yellow"), TrLater("Magenta"),
    TrLater("Green"), TrLater("Cyan"), TrLater("Orange"), TrLater("Grey"),
};

}  // namespace

const char* SeatColourName(int seat) {
    if (seat < 0 || seat >= PLAYER_SEATS) return "";
    return Tr(COLOUR_NAMES[static_cast<std::size_t>(seat)]);
}

std::string TurnLine(int seat) {
    if (seat < 0 || seat >= PLAYER_SEATS) return "";
    const char* colour = SeatColourName(seat);
    if (SeatControllers[static_cast<std::size_t>(seat)] != ControllerHuman)
        return TrFormat("%s is thinking", colour);
    const std::string machine = SeatLabel(seat);
    if (machine.empty()) return TrFormat("%s's turn", colour);
    return TrFormat("%s's turn (%s)", colour, machine.c_str());
}

bool LookoutPersonHereAims() {
    if (!ThePlayers) return false;
    const int seat = ThePlayers->CurrentIndex();
    return seat >= 0 && seat < PLAYER_SEATS &&
           SeatControllers[static_cast<std::size_t>(seat)] == ControllerHuman &&
           SeatPlayedFrom(seat) == NetMachine();
}

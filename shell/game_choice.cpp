// The last game's choice on the player choice screen: where a run starts from, and what is kept.
#include <algorithm>

#include "core/globals.h"
#include "netplay/lockstep.h"
#include "players/player_collection.h"
#include "replay/session.h"
#include "shell/shell.h"

namespace {

void (*Chosen)(const SettingsGame& game) = nullptr;

}  // namespace

void ShellStartWithChoice(const SettingsGame& game) {
    if (!game.kept) return;
    TheStartChoice.players = std::clamp(game.players, 2, PLAYER_SEATS);
    TheStartChoice.gravity = game.gravity == 0 ? GRAVITY_OFF : GRAVITY_ON;
    TheStartChoice.wind =
        game.wind >= WIND_NO && game.wind <= WIND_RANDOM ? static_cast<WindChoice>(game.wind) : WIND_NO;
    for (std::size_t seat = 0; seat < SeatControllers.size(); ++seat) {
        const int controller = game.seats[seat];
        SeatControllers[seat] = controller >= ControllerHuman && controller < CONTROLLER_COUNT
                                    ? static_cast<Controller>(controller)
                                    : ControllerHuman;
    }
}

void ShellWatchGameChoice(void (*chosen)(const SettingsGame& game)) { Chosen = chosen; }

void ShellGameChosen() {
    if (!Chosen || !ThePlayers || ReplayPlaying() || NetRoleNow() == NetRole::Join ||
        NetRoleNow() == NetRole::Watch)
        return;
    SettingsGame game;
    game.kept = true;
    game.players = ThePlayers->numPlayers;
    for (std::size_t seat = 0; seat < SeatControllers.size(); ++seat)
        game.seats[seat] = SeatControllers[seat];
    game.gravity = static_cast<int>(LandscapeGravityOption);
    game.wind = static_cast<int>(WindOption);
    Chosen(game);
}

// The state of the screens that set up a game, the player choice and the weapon shop, and the
// weapon table they sell from (players/weapon_table.h), all in one place with the reset that tests use.
#pragma once

#include <array>
#include <cstdint>

#include "core/rules.h"
#include "players/player.h"
#include "players/weapon_table.h"

class PlayerCollection;

// The players being set up or served; shared by the player choice screen and the shop.
extern PlayerCollection* ScreenPlayers;
// The player now buying, and the shop's cursor: a weapon's row (its Weapon number), or the
// "Finish" row below them.
extern std::int32_t ShopPlayer;
extern std::int32_t ShopRow;
// The player choice screen's cursor: players, landscape gravity, wind, "Start Game".
extern std::int32_t ChoiceRow;
// The seat a gamepad has highlighted on the player choice screen, or -1 while no pad has (the
// highlight is then not drawn).
extern std::int32_t ChoiceSeat;

constexpr std::int32_t SHOP_FINISH_ROW = WEAPON_COUNT;
constexpr std::int32_t CHOICE_PLAYERS_ROW = 0;
constexpr std::int32_t CHOICE_GRAVITY_ROW = 1;
constexpr std::int32_t CHOICE_WIND_ROW = 2;
constexpr std::int32_t CHOICE_START_ROW = 3;

// Everything above back to before start-up.
void SetupScreensResetForTests();

// The six weapons' names and prices, filled once at start-up and read by the menu bar and the shop.
#pragma once

#include <array>
#include <cstdint>

#include "players/player.h"

constexpr int WEAPON_NAME_SIZE = 32;

struct WeaponData {
    char name[WEAPON_NAME_SIZE] = {};
    std::int32_t buyPrice = 0;
    std::int32_t sellPrice = 0;
};

// Copies the name and the prices into the weapon's record; an index outside 0 to 5 does nothing.
void SetWeaponData(int index, const char* name, std::int32_t buyPrice, std::int32_t sellPrice);
// The whole record of a weapon; false, with *out untouched, before the table is filled or for an
// index outside 0 to 5.
bool GetWeaponData(int index, WeaponData* out);

// Fills the table with the six weapons of core/rules.h: Shell, Sod Salvo, Firework, Earth Mover,
// Lava, A-Bomb.
void InitWeaponData();
// The table as before start-up.
void WeaponTableResetForTests();

extern std::array<WeaponData, WEAPON_COUNT> WeaponTable;
extern bool WeaponTableReady;

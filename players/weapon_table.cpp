// The weapon table: the six weapons with their buy and sell prices.
#include "players/weapon_table.h"

#include <cstring>

#include "core/rules.h"
#include "diag/diag.h"
#include "text/text.h"

std::array<WeaponData, WEAPON_COUNT> WeaponTable{};
bool WeaponTableReady = false;

void SetWeaponData(int index, const char* name, std::int32_t buyPrice, std::int32_t sellPrice) {
    DIAG_SCOPE_NAMED("SetWeaponData", "General");
    if (index < 0 || index >= WEAPON_COUNT) return;
    WeaponData& record = WeaponTable[static_cast<std::size_t>(index)];
    std::strncpy(record.name, name, WEAPON_NAME_SIZE - 1);
    record.name[WEAPON_NAME_SIZE - 1] = '\0';
    record.buyPrice = buyPrice;
    record.sellPrice = sellPrice;
}

void InitWeaponData() {
    DIAG_SCOPE_NAMED("InitWeaponData", "General");
    SetWeaponData(WeaponShell, TrLater("Shell"), 0, 0);
    SetWeaponData(WeaponSodSalvo, TrLater("Sod Salvo"), 10, 5);
    SetWeaponData(WeaponFirework, TrLater("Firework"), 20, 10);
    SetWeaponData(WeaponEarthMover, TrLater("Earth Mover"), 10, 5);
    SetWeaponData(WeaponLava, TrLater("Lava"), 20, 10);
    SetWeaponData(WeaponABomb, TrLater("A-Bomb"), 300, 100);
    WeaponTableReady = true;
}

bool GetWeaponData(int index, WeaponData* out) {
    DIAG_SCOPE_NAMED("GetWeaponData", "General");
    if (!WeaponTableReady || index < 0 || index >= WEAPON_COUNT) return false;
    *out = WeaponTable[static_cast<std::size_t>(index)];
    return true;
}

void WeaponTableResetForTests() {
    WeaponTable = {};
    WeaponTableReady = false;
}

// The state of the player choice screen, the weapon shop and the weapon table, and its reset.
#include "screens/setup_state.h"

PlayerCollection* ScreenPlayers = nullptr;
std::int32_t ShopPlayer = 0;
std::int32_t ShopRow = 0;
std::int32_t ChoiceRow = 0;
std::int32_t ChoiceSeat = -1;

void SetupScreensResetForTests() {
    ScreenPlayers = nullptr;
    ShopPlayer = 0;
    ShopRow = 0;
    ChoiceRow = 0;
    ChoiceSeat = -1;
    WeaponTableResetForTests();
}

// The screen described for pointer input after each frame step: the mode, the prompt, the current
// tank's aim and the places of the menus' rows and the menu bar's items.
#include "core/globals.h"
#include "lookout/lookout.h"
#include "netplay/lockstep.h"
#include "online/online_menu.h"
#include "options/options.h"
#include "players/menu_bar.h"
#include "players/player_collection.h"
#include "players/seats.h"
#include "pointer/pointer_screen.h"
#include "screens/screens.h"
#include "shell/shell.h"

namespace {

PointerScreen::Mode ModeShown() {
    switch (CurrentMode) {
        case Aiming:
            return PointerScreen::Aiming;
        case ShotInProgress:
            return PointerScreen::Shot;
        case WeaponShop:
            return PointerScreen::WeaponShop;
        case PlayerChoice:
            return PointerScreen::PlayerChoice;
        case EndOfMatch:
            return PointerScreen::EndOfMatch;
        case Title:
            return PointerScreen::Title;
        default:
            return PointerScreen::Other;
    }
}

// The leave prompt of a network game comes before the abandon prompt, as it takes the keys first.
void DescribePrompt(PointerScreen* screen) {
    if (NetLeavePromptYesRows(&screen->yesTop, &screen->yesBottom)) {
        screen->prompt = true;
        return;
    }
    const bool promptMode = CurrentMode == Aiming || CurrentMode == WeaponShop || CurrentMode == EndOfMatch;
    if (!promptMode || !QuitPromptShown) return;
    screen->prompt = true;
    QuitPromptYesRows(&screen->yesTop, &screen->yesBottom);
}

// In a network game the menu bar's far right, past the weapon's stock, shows or hides the room card
// (F4); the rest of the weapon's box still picks the next weapon.
constexpr int ROOM_CARD_ZONE_LEFT = 304;

void AddRoomCardZone(PointerScreen* screen) {
    if (NetRoleNow() == NetRole::Local || screen->barZoneCount < 1) return;
    PointerZone& last = screen->barZones[static_cast<std::size_t>(screen->barZoneCount - 1)];
    screen->barZones[static_cast<std::size_t>(screen->barZoneCount++)] = {ROOM_CARD_ZONE_LEFT, last.right,
                                                                          VK_F4};
    last.right = ROOM_CARD_ZONE_LEFT;
}

// The tanks on the screen and the current one's aim; a person at this machine aims when the
// current seat is theirs.
void DescribePlay(PointerScreen* screen) {
    if (!ThePlayers) return;
    int viewX = 0, viewY = 0;
    LookoutShownView(&viewX, &viewY);
    for (int seat = 0; seat < PointerScreen::SEATS && seat < ThePlayers->numPlayers; ++seat) {
        const Player* player = ThePlayers->Get(seat);
        if (!player || !player->inGame || !player->alive) continue;
        const auto s = static_cast<std::size_t>(seat);
        screen->tankShown[s] = true;
        screen->tankX[s] = player->x - viewX;
        screen->tankY[s] = player->y - viewY;
    }
    const int seat = ThePlayers->CurrentIndex();
    const Player* current = ThePlayers->Current();
    if (!current || seat < 0 || seat >= PLAYER_SEATS) return;
    screen->seat = seat;
    screen->pivotX = current->x - viewX;
    screen->pivotY = current->y - viewY - current->height;
    screen->angle = current->angle;
    screen->power = current->power;
    screen->mayAim = CurrentMode == Aiming && current->alive &&
                     SeatControllers[static_cast<std::size_t>(seat)] == ControllerHuman &&
                     SeatPlayedFrom(seat) == NetMachine();
    screen->helpShown = HelpShown;
    screen->weapon = current->weapon;
    screen->weaponCount = WEAPON_COUNT;
    for (int w = 0; w < WEAPON_COUNT; ++w)
        if (current->stock[static_cast<std::size_t>(w)] != 0) screen->weaponsInStock |= std::uint32_t{1} << w;
    MenuBarPointerItems(screen);
    AddRoomCardZone(screen);
    LookoutDescribeArrows(screen);
}

}  // namespace

void ShowPointerScreen() {
    PointerScreen screen;
    screen.mode = ModeShown();
    screen.frame = static_cast<std::uint32_t>(FrameCounter);
    if (OptionsShown()) {
        OptionsPointerRows(&screen);
        PointerShowScreen(screen);
        return;
    }
    DescribePrompt(&screen);
    switch (screen.mode) {
        case PointerScreen::Aiming:
        case PointerScreen::Shot:
            DescribePlay(&screen);
            break;
        case PointerScreen::PlayerChoice:
            PlayerChoicePointerRows(&screen);
            break;
        case PointerScreen::WeaponShop:
            WeaponShopPointerRows(&screen);
            break;
        case PointerScreen::Title:
            OptionsTitleRows(&screen);
            OnlineMenuDescribe(&screen);
            break;
        default:
            break;
    }
    PointerShowScreen(screen);
}

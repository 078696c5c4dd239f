// The two bars at the bottom of the screen: the aiming menu bar with the wind sock, and the armour
// chart shown during a shot. Each is redrawn into its own picture when its content changes and
// copied to the screen every frame.
#include "players/menu_bar.h"

#include "diag/diag.h"
#include "display/graphx.h"
#include "players/player_collection.h"
#include "players/weapon_table.h"
#include "text/text.h"

namespace {

constexpr COLORREF WHITE = 0xFFFFFF;
constexpr COLORREF BLACK = 0x000000;

constexpr int BAR_WIDTH = 320;
constexpr int BAR_HEIGHT = 20;
constexpr int BAR_TOP = 180;
constexpr int WIND_SOCK_SIZE = 15;

// The armour chart gives each tank a column this wide.
constexpr int CHART_COLUMN = 39;

// A box of the menu bar cleared to black, then its text at (x, 2), white on black.
void BoxText(HDC dc, int left, int right, int x, const char* format, std::int32_t value) {
    GraphxFillRect(dc, left, 2, right, 18, BLACK);
    GraphxString(dc, x, 2, WHITE, BLACK, false, format, value);
}

void CopyBar(int bar, int device, int surface) {
    if (bar < 0) return;
    GraphxBlitSurfaceAt(OFFSCREEN, bar, device, surface, 0, BAR_TOP, 0, 0, BAR_WIDTH, BAR_HEIGHT, true, false,
                        false, nullptr);
}

}  // namespace

std::string StockText(std::int32_t stock) {
    DIAG_SCOPE_NAMED("StockText", "main");
    if (stock < 0) return "+";
    if (stock > 99) return "++";
    return std::to_string(stock);
}

int WindSockIndex(std::int32_t wind) {
    DIAG_SCOPE_NAMED("WindSockIndex", "main");
    if (wind <= -5) return 0;
    if (wind < 0) return 1;
    if (wind == 0) return 2;
    if (wind < 5) return 3;
    return 4;
}

// Power, angle and armour in their boxes, the wind's strength beside the sock, the weapon's name
// and stock, and the current player's tank between the angle and the armour.
void PlayerCollection::UpdateMenu() {
    DIAG_SCOPE_NAMED("PlayerCollection::UpdateMenu", "main");
    if (menuBarSurface < 0) return;
    const Player& player = players[current];
    HDC dc = nullptr;
    if (GetHDC(&dc, OFFSCREEN, menuBarSurface, -1)) {
        BoxText(dc, 18, 42, 18, "%3i", player.power);
        BoxText(dc, 60, 84, 60, "%3i", player.angle);
        BoxText(dc, 86, 126, 102, "%3i", player.armour);
        GraphxString(dc, 144, 2, WHITE, BLACK, false, "%1i", wind < 0 ? -wind : wind);
        WeaponData weapon;
        GraphxFillRect(dc, 154, 2, 318, 18, BLACK);
        if (GetWeaponData(player.weapon, &weapon)) {
            GraphxString(dc, 155, 2, WHITE, BLACK, false, "%s", Tr(weapon.name));
            GraphxString(dc, 300, 2, WHITE, BLACK, false, "%s",
                         StockText(player.stock[static_cast<std::size_t>(player.weapon)]).c_str());
        }
        ReleaseHDC(dc, OFFSCREEN, menuBarSurface, -1);
        const int sock = windSocks[static_cast<std::size_t>(WindSockIndex(wind))];
        if (sock >= 0) {
            GraphxBlitSurfaceAt(OFFSCREEN, sock, OFFSCREEN, menuBarSurface, 127, 2, 0, 0, WIND_SOCK_SIZE,
                                WIND_SOCK_SIZE, true, false, false, nullptr);
        }
    }
    player.Draw(OFFSCREEN, menuBarSurface, 94, 15, false);
}

// Every tank of the game with its armour above and this turn's damage below, dead ones included.
void PlayerCollection::UpdateArmourChart() {
    DIAG_SCOPE_NAMED("PlayerCollection::UpdateArmourChart", "main");
    if (chartBarSurface < 0) return;
    HDC dc = nullptr;
    if (GetHDC(&dc, OFFSCREEN, chartBarSurface, -1)) {
        GraphxFillRect(dc, 2, 2, 317, 18, BLACK);
        for (int i = 0; i < numPlayers; ++i) {
            const int cx = 19 + CHART_COLUMN * i;
            GraphxBitmapString(dc, cx, 2, false, true, "%i", players[i].armour);
            if (players[i].turnDamage > 0)
                GraphxBitmapString(dc, cx, 10, false, true, "%i", players[i].turnDamage);
        }
        ReleaseHDC(dc, OFFSCREEN, chartBarSurface, -1);
    }
    for (int i = 0; i < numPlayers; ++i)
        players[i].Draw(OFFSCREEN, chartBarSurface, 10 + CHART_COLUMN * i, 14, false);
}

void MenuBarPointerItems(PointerScreen* screen) {
    screen->barTop = BAR_TOP;
    screen->barZoneCount = 5;
    screen->barZones[0] = {0, 44, VK_F1};
    screen->barZones[1] = {44, 86, VK_F2};
    screen->barZones[2] = {86, 127, PointerZone::NEXT_TANK};
    screen->barZones[3] = {127, 154, VK_ESCAPE};
    screen->barZones[4] = {154, BAR_WIDTH, 'S'};
}

void PlayerCollection::DrawMenuBar(int device, int surface) {
    DIAG_SCOPE_NAMED("PlayerCollection::DrawMenuBar", "main");
    CopyBar(menuBarSurface, device, surface);
}

void PlayerCollection::DrawShotMenuBar(int device, int surface) {
    DIAG_SCOPE_NAMED("PlayerCollection::DrawShotMenuBar", "main");
    CopyBar(chartBarSurface, device, surface);
}

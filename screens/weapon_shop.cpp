// The weapon shop between matches: each player in turn buys and sells ammunition with their cash.
#include "core/globals.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "players/player_collection.h"
#include "pointer/pointer_screen.h"
#include "screens/screens.h"
#include "screens/setup_state.h"
#include "sound/sound.h"
#include "text/text.h"
#include "text/utf8.h"

namespace {

constexpr COLORREF WHITE = 0xFFFFFF;

constexpr int FIRST_ROW_Y = 40;
constexpr int ROW_STEP = 16;
constexpr int FINISH_Y = 150;
constexpr int OWNED_X = 160;
constexpr int BUY_X = 230;
constexpr int SELL_X = 280;
// A column's pointer zone starts this far left of its numbers.
constexpr int COLUMN_LEAD = 10;
// The hint line "Space-Buy   S-Sell": its row, and where "S-Sell" starts; a press within half a
// character of either hint is one on it.
constexpr int HINT_Y = 184;
constexpr int HINT_SELL_X = 96;
constexpr int HINT_MARGIN = 4;
constexpr const char* HINT_BUY = TrLater("Space-Buy");
constexpr const char* HINT_SELL = TrLater("S-Sell");

int Columns(const char* text) { return static_cast<int>(Utf8Columns(text)); }

COLORREF Darker(COLORREF colour) {
    auto dim = [](int channel) { return static_cast<int>(channel * 0.8); };
    return RGB(dim(GetRValue(colour)), dim(GetGValue(colour)), dim(GetBValue(colour)));
}

void Text(HDC dc, int x, int y, const char* text) { GraphxString(dc, x, y, WHITE, 0, true, "%s", text); }

void Number(HDC dc, int x, int y, std::int32_t value) { GraphxString(dc, x, y, WHITE, 0, true, "%i", value); }

// The cursor's bar: filled in the darker colour, edged in the player's own.
void Highlight(HDC dc, int top, int bottomLine, COLORREF colour) {
    GraphxFillRect(dc, 0, top, SCREEN_WIDTH, top + 15, Darker(colour));
    GraphxLine(dc, 0, top, SCREEN_WIDTH - 1, top, colour, 1, PEN_SOLID);
    GraphxLine(dc, 0, bottomLine, SCREEN_WIDTH - 1, bottomLine, colour, 1, PEN_SOLID);
}

void WeaponRow(HDC dc, int index, const Player& player) {
    const int y = FIRST_ROW_Y + ROW_STEP * index;
    if (index == ShopRow) Highlight(dc, y, y + 14, player.colour);
    WeaponData weapon;
    if (!GetWeaponData(index, &weapon)) return;
    Text(dc, 0, y, Tr(weapon.name));
    if (weapon.buyPrice > 0) {
        Number(dc, OWNED_X, y, player.stock[static_cast<std::size_t>(index)]);
        Number(dc, BUY_X, y, weapon.buyPrice);
        Number(dc, SELL_X, y, weapon.sellPrice);
    } else {
        Text(dc, OWNED_X, y, "+");
    }
}

void DrawList(HDC dc, const Player& player) {
    for (int i = 0; i < WEAPON_COUNT; ++i) WeaponRow(dc, i, player);
    GraphxLine(dc, 0, 38, SCREEN_WIDTH - 1, 38, WHITE, 1, PEN_SOLID);
    Text(dc, 0, 20, Tr("Weapon"));
    Text(dc, OWNED_X, 20, Tr("Owned"));
    Text(dc, BUY_X, 20, Tr("Buy"));
    Text(dc, SELL_X, 20, Tr("Sell"));
    GraphxLine(dc, 0, 148, SCREEN_WIDTH - 1, 148, WHITE, 1, PEN_SOLID);
    if (ShopRow == SHOP_FINISH_ROW) Highlight(dc, FINISH_Y, FINISH_Y + 15, player.colour);
    Text(dc, 0, FINISH_Y, Tr("Finish"));
    GraphxString(dc, 220, 0, WHITE, 0, true, Tr("Cash %i"), player.cash);
    if (PointerTouch()) {
        Text(dc, 0, HINT_Y, Tr(ScreenWords(ScreenText::ShopBuySell)));
    } else {
        Text(dc, 0, HINT_Y, Tr(HINT_BUY));
        Text(dc, HINT_SELL_X, HINT_Y, Tr(HINT_SELL));
    }
}

// One unit at a time; unlimited weapons are neither bought nor sold, and nothing sounds when
// nothing happens.
void Buy(Player& player, int weapon) {
    WeaponData data;
    std::int32_t& stock = player.stock[static_cast<std::size_t>(weapon)];
    if (stock < 0 || !GetWeaponData(weapon, &data) || player.cash < data.buyPrice) return;
    SoundPlay(SOUND_CONFIRM);
    player.cash -= data.buyPrice;
    stock += 1;
}

void Sell(Player& player, int weapon) {
    WeaponData data;
    std::int32_t& stock = player.stock[static_cast<std::size_t>(weapon)];
    if (stock <= 0 || !GetWeaponData(weapon, &data)) return;
    SoundPlay(SOUND_CONFIRM);
    player.cash += data.sellPrice;
    stock -= 1;
}

// The next player takes their turn at the shop; true once every player has finished.
bool Finish() {
    SoundPlay(SOUND_CONFIRM);
    ShopPlayer += 1;
    ShopRow = 0;
    return ShopPlayer >= ScreenPlayers->numPlayers;
}

}  // namespace

void InitWeaponScreen(PlayerCollection* players) {
    DIAG_SCOPE_NAMED("InitWeaponScreen", "General");
    ShopPlayer = 0;
    ShopRow = 0;
    ScreenPlayers = players;
}

bool WeaponScreenAction(ShopAction action) {
    DIAG_SCOPE_NAMED("WeaponScreenAction", "General");
    if (!ScreenPlayers) return false;
    Player* player = ScreenPlayers->Get(ShopPlayer);
    switch (action) {
        case ShopAction::Up:
            if (ShopRow > 0) {
                ShopRow -= 1;
                SoundPlay(SOUND_CLICK);
            }
            return false;
        case ShopAction::Down:
            if (ShopRow < SHOP_FINISH_ROW) {
                ShopRow += 1;
                SoundPlay(SOUND_CLICK);
            }
            return false;
        case ShopAction::BuyOrFinish:
            if (ShopRow == SHOP_FINISH_ROW) return Finish();
            if (player) Buy(*player, ShopRow);
            return false;
        case ShopAction::Sell:
            if (player && ShopRow != SHOP_FINISH_ROW) Sell(*player, ShopRow);
            return false;
        default:
            return false;
    }
}

// A weapon's row: its name and stock move the cursor there, its Buy column buys and its Sell column
// sells; "Finish" finishes, after which the cursor is on the first row again.
void WeaponShopPointerRows(PointerScreen* screen) {
    screen->cursor = ShopRow;
    screen->rowCount = 0;
    for (int i = 0; i <= SHOP_FINISH_ROW; ++i) {
        PointerRow& row = screen->rows[static_cast<std::size_t>(screen->rowCount++)];
        row.cursor = i;
        if (i == SHOP_FINISH_ROW) {
            row.top = FINISH_Y - 1;
            row.bottom = FINISH_Y + 17;
            row.cursorAfter = 0;
            row.zoneCount = 1;
            row.zones[0] = {0, SCREEN_WIDTH, VK_SPACE};
            continue;
        }
        row.top = FIRST_ROW_Y + ROW_STEP * i;
        row.bottom = row.top + ROW_STEP;
        row.zoneCount = 2;
        row.zones[0] = {BUY_X - COLUMN_LEAD, SELL_X - COLUMN_LEAD, VK_SPACE};
        row.zones[1] = {SELL_X - COLUMN_LEAD, SCREEN_WIDTH, 'S'};
    }
    PointerRow& hint = screen->rows[static_cast<std::size_t>(screen->rowCount++)];
    hint.top = HINT_Y - 4;
    hint.bottom = SCREEN_HEIGHT;
    hint.zoneCount = 2;
    hint.zones[0] = {0, Columns(Tr(HINT_BUY)) * 8 + HINT_MARGIN, VK_SPACE};
    hint.zones[1] = {HINT_SELL_X - HINT_MARGIN, HINT_SELL_X + Columns(Tr(HINT_SELL)) * 8 + HINT_MARGIN, 'S'};
}

void DrawWeaponScreen(int device, int surface) {
    DIAG_SCOPE_NAMED("DrawWeaponScreen", "General");
    const Player* player = ScreenPlayers ? ScreenPlayers->Get(ShopPlayer) : nullptr;
    if (!player) return;
    HDC dc = nullptr;
    if (GetHDC(&dc, device, surface, -1)) {
        DrawList(dc, *player);
        ReleaseHDC(dc, device, surface, -1);
    }
    player->Draw(device, surface, 10, 10, false);
}

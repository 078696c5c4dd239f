// The end-of-match table: every player's armour, profit and cash over the panning landscape, and in
// a network game who played each person's seat.
#include <algorithm>
#include <string>

#include "core/globals.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "players/player_collection.h"
#include "screens/screens.h"
#include "text/text.h"
#include "text/utf8.h"

namespace {

constexpr COLORREF WHITE = RGB(255, 255, 255);

// Columns of the table, the rows' spacing and the tank column beside them.
constexpr int ARMOUR_X = 95;
constexpr int PROFIT_X = 160;
constexpr int CASH_X = 225;
constexpr int FIRST_ROW_Y = 40;
constexpr int ROW_STEP = 16;
constexpr int TANK_X = 57;
constexpr int FIRST_TANK_Y = 52;
// A row's name ends, in the small font, a little left of its tank.
constexpr int NAME_RIGHT = 47;
constexpr int SMALL_CHAR_WIDTH = 4;
constexpr int NAME_Y_OFFSET = 4;

void Say(HDC dc, int x, int y, const char* text) { GraphxString(dc, x, y, WHITE, 0, true, "%s", text); }
void Number(HDC dc, int x, int y, int value) { GraphxString(dc, x, y, WHITE, 0, true, "%i", value); }

void DrawTable(HDC dc, PlayerCollection* players) {
    HPEN white = CreatePen(PS_SOLID, 1, WHITE);
    HGDIOBJ previous = SelectObject(dc, white);
    const char* press = Tr(ScreenWords(ScreenText::EndMatchGoOn));
    Say(dc, std::min(115, (SCREEN_WIDTH - 8 * static_cast<int>(Utf8Columns(press))) / 2), 180, press);
    Say(dc, ARMOUR_X, 20, Tr("Armour"));
    Say(dc, PROFIT_X, 20, Tr("Profit"));
    Say(dc, CASH_X, 20, Tr("Cash"));
    MoveToEx(dc, 40, 38, nullptr);
    LineTo(dc, 280, 38);
    for (int i = 0; i < players->numPlayers; ++i) {
        const Player* player = players->Get(i);
        int y = FIRST_ROW_Y + ROW_STEP * i;
        Number(dc, ARMOUR_X, y, player->armour);
        Number(dc, PROFIT_X, y, player->profit);
        Number(dc, CASH_X, y, player->cash);
    }
    for (int i = 0; i < players->numPlayers && i < PLAYER_SEATS; ++i) {
        const std::string name = EndMatchRowName(i);
        const int x = NAME_RIGHT - static_cast<int>(name.size()) * SMALL_CHAR_WIDTH;
        if (!name.empty())
            GraphxBitmapString(dc, x, FIRST_ROW_Y + ROW_STEP * i + NAME_Y_OFFSET, true, true, "%s",
                               name.c_str());
    }
    SelectObject(dc, previous);
    DeleteObject(white);
}

}  // namespace

std::string EndMatchRowName(int seat) {
    if (seat < 0 || seat >= PLAYER_SEATS || MachinesPresent == 1) return "";
    const auto s = static_cast<std::size_t>(seat);
    if (SeatControllers[s] != ControllerHuman) return "";
    return MachineLabel(SeatMachines[s]).substr(0, END_MATCH_NAME_LENGTH);
}

void DrawEndMatch(int device, int surface, PlayerCollection* players) {
    DIAG_SCOPE_NAMED("General|DrawEndMatch", "General");
    if (!players) return;
    HDC dc = nullptr;
    if (GetHDC(&dc, device, surface, -1)) {
        DrawTable(dc, players);
        ReleaseHDC(dc, device, surface, -1);
    }
    players->DrawTankColumn(device, surface, TANK_X, FIRST_TANK_Y, ROW_STEP);
}

// The player choice screen before a game: number of players, landscape gravity and wind, and who
// plays each seat.
#include "screens/player_choice.h"

#include <algorithm>
#include <string>

#include "core/globals.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "players/player_collection.h"
#include "players/seats.h"
#include "screens/screens.h"
#include "screens/setup_state.h"
#include "sound/sound.h"
#include "text/text.h"
#include "text/utf8.h"

namespace {

constexpr int MIN_PLAYERS = 2;

constexpr COLORREF WHITE = 0xFFFFFF;
constexpr COLORREF HIGHLIGHT_FILL = RGB(108, 0, 88);
constexpr COLORREF HIGHLIGHT_EDGE = RGB(135, 0, 110);

constexpr int TEXT_X = 40;
constexpr int GLYPH_WIDTH = 8;
constexpr int ROW_Y[] = {58, 81, 104, 160};

// A setting's row: its name, its value from this column on, the value's choices.
const char* const GRAVITY_TEXTS[] = {TrLater("OFF"), TrLater("ON")};
const char* const WIND_TEXTS[] = {TrLater("NO"), TrLater("CONSTANT"), TrLater("VARIABLE"), TrLater("RANDOM")};
constexpr std::size_t VALUE_COLUMN = 23;
constexpr std::size_t WIND_VALUE_COLUMN = 10;

// The tanks stand in a row; under each a computer player's level, and a hint at the foot.
constexpr int TANK_X = 45;
constexpr int TANK_SPACING = 25;
constexpr int TANK_Y = 40;
constexpr int LABEL_Y = 44;
constexpr int SMALL_CHAR_WIDTH = 4;
// A person's name under a tank is cut to the width of the longest computer's label, "Beginner".
constexpr std::size_t SEAT_LABEL_LENGTH = 8;
constexpr int HINT_Y = 186;
const char* const CONTROLLER_LABELS[] = {
    "", TrLater("Beginner"), TrLater("Easy"), TrLater("Normal"), TrLater("Hard"), TrLater("Expert")};
constexpr const char* PAD_CONTROLLER_HINT = TrLater("Pad X: next player   Pad Y: a player or the computer");

// A setting's row: the name, spaces to the value's column (at least two, which the pointer's zones
// look for), and the value between the arrows that say which way it can still change.
std::string SettingText(const char* name, std::size_t column, const std::string& value, bool less,
                        bool more) {
    std::string line = Tr(name);
    line.append(std::max<std::size_t>(2, column - std::min(column, Utf8Columns(line))), ' ');
    return line + (less ? "< " : "") + value + (more ? " >" : "");
}

// Left (step -1) or right (step +1) on a setting's row; true when the value changed.
bool ChangeSetting(int step) {
    switch (ChoiceRow) {
        case CHOICE_PLAYERS_ROW: {
            if (!ScreenPlayers) return false;
            const int count = ScreenPlayers->numPlayers + step;
            if (count < MIN_PLAYERS || count > MAX_PLAYERS) return false;
            ScreenPlayers->SetNumPlayers(count);
            return true;
        }
        case CHOICE_GRAVITY_ROW: {
            const GravityChoice wanted = step < 0 ? GRAVITY_OFF : GRAVITY_ON;
            if (LandscapeGravityOption == wanted) return false;
            LandscapeGravityOption = wanted;
            return true;
        }
        case CHOICE_WIND_ROW:
            return SetWindOption(WindOption + step);
        default:
            return false;
    }
}

// A cursor step; true when it moved.
bool MoveCursor(int step) {
    const std::int32_t row = ChoiceRow + step;
    if (row < CHOICE_PLAYERS_ROW || row > CHOICE_START_ROW) return false;
    ChoiceRow = row;
    return true;
}

void DrawTexts(HDC dc, int numPlayers) {
    const int y = ROW_Y[ChoiceRow];
    GraphxFillRect(dc, 0, y, SCREEN_WIDTH, y + 16, HIGHLIGHT_FILL);
    GraphxLine(dc, 0, y, SCREEN_WIDTH, y, HIGHLIGHT_EDGE, 1, PEN_SOLID);
    GraphxLine(dc, 0, y + 15, SCREEN_WIDTH, y + 15, HIGHLIGHT_EDGE, 1, PEN_SOLID);
    for (int row = CHOICE_PLAYERS_ROW; row <= CHOICE_START_ROW; ++row)
        GraphxString(dc, TEXT_X, ROW_Y[row], WHITE, 0, true, "%s", PlayerChoiceText(row, numPlayers).c_str());
}

void DrawControllers(HDC dc, int numPlayers) {
    for (int i = 0; i < numPlayers && i < PLAYER_SEATS; ++i) {
        const std::string label = SeatLabel(i);
        const int width = static_cast<int>(Utf8Columns(label)) * SMALL_CHAR_WIDTH;
        if (width > 0)
            GraphxBitmapString(dc, TANK_X + TANK_SPACING * i - width / 2, LABEL_Y, true, true, "%s",
                               label.c_str());
    }
    // Once a gamepad has highlighted a seat, a frame marks it and the hint names the pad's buttons.
    const char* hint = ScreenWords(ScreenText::ChoiceControllers);
    if (ChoiceSeat >= 0) {
        const int seat = std::min(ChoiceSeat, numPlayers - 1);
        const int left = TANK_X + TANK_SPACING * seat - TANK_SPACING / 2 + 1, right = left + TANK_SPACING - 2;
        const int top = TANK_Y - 14, bottom = LABEL_Y + 8;
        GraphxLine(dc, left, top, right, top, WHITE, 1, PEN_SOLID);
        GraphxLine(dc, left, bottom, right, bottom, WHITE, 1, PEN_SOLID);
        GraphxLine(dc, left, top, left, bottom, WHITE, 1, PEN_SOLID);
        GraphxLine(dc, right, top, right, bottom, WHITE, 1, PEN_SOLID);
        hint = PAD_CONTROLLER_HINT;
    }
    hint = Tr(hint);
    const int hintWidth = static_cast<int>(Utf8Columns(hint)) * SMALL_CHAR_WIDTH;
    GraphxBitmapString(dc, (SCREEN_WIDTH - hintWidth) / 2, HINT_Y, true, true, "%s", hint);
}

}  // namespace

const char* ControllerLabel(Controller controller) {
    return controller >= ControllerHuman && controller < CONTROLLER_COUNT ? Tr(CONTROLLER_LABELS[controller])
                                                                          : "";
}

std::string SeatLabel(int seat) {
    if (seat < 0 || seat >= PLAYER_SEATS) return "";
    const auto s = static_cast<std::size_t>(seat);
    if (SeatControllers[s] != ControllerHuman || MachinesPresent == 1)
        return ControllerLabel(SeatControllers[s]);
    return MachineLabel(SeatMachines[s]).substr(0, SEAT_LABEL_LENGTH);
}

// A person at the host, then at each machine that joined, in order, then the computer's levels.
bool PlayerChoiceCycleController(int seat) {
    DIAG_SCOPE_NAMED("PlayerChoiceCycleController", "General");
    if (!ScreenPlayers || seat < 0 || seat >= ScreenPlayers->numPlayers || seat >= PLAYER_SEATS) return false;
    const auto s = static_cast<std::size_t>(seat);
    // The host's choice stands over a seat kept for a machine that left.
    ForgetSeatAway(seat);
    Controller& controller = SeatControllers[s];
    std::int32_t& machine = SeatMachines[s];
    if (controller == ControllerHuman) {
        int next = machine + 1;
        while (next < MAX_MACHINES && !(MachinesPresent >> next & 1)) ++next;
        if (next < MAX_MACHINES) {
            machine = next;
        } else {
            machine = 0;
            controller = ControllerBeginner;
        }
    } else {
        machine = 0;
        controller =
            controller >= ControllerExpert ? ControllerHuman : static_cast<Controller>(controller + 1);
    }
    SoundPlay(SOUND_CONFIRM);
    return true;
}

std::string PlayerChoiceText(int row, int numPlayers) {
    DIAG_SCOPE_NAMED("PlayerChoiceText", "General");
    switch (row) {
        case CHOICE_PLAYERS_ROW:
            return SettingText(TrLater("Number of players"), VALUE_COLUMN, std::to_string(numPlayers),
                               numPlayers > MIN_PLAYERS, numPlayers < MAX_PLAYERS);
        case CHOICE_GRAVITY_ROW: {
            const bool on = LandscapeGravityOption == GRAVITY_ON;
            return SettingText(TrLater("Landscape Gravity"), VALUE_COLUMN, Tr(GRAVITY_TEXTS[on ? 1 : 0]), on,
                               !on);
        }
        case CHOICE_WIND_ROW: {
            const int wind = WindOption >= WIND_NO && WindOption <= WIND_RANDOM ? WindOption : WIND_NO;
            return SettingText(TrLater("Wind"), WIND_VALUE_COLUMN, Tr(WIND_TEXTS[wind]), wind > WIND_NO,
                               wind < WIND_RANDOM);
        }
        case CHOICE_START_ROW:
            return Tr("Start Game");
        default:
            return "";
    }
}

void InitPlayerChoice(PlayerCollection* players) {
    DIAG_SCOPE_NAMED("InitPlayerChoice", "General");
    ChoiceRow = CHOICE_PLAYERS_ROW;
    ChoiceSeat = -1;
    ScreenPlayers = players;
}

void PlayerChoiceNextSeat() {
    if (!ScreenPlayers) return;
    const int count = std::min(ScreenPlayers->numPlayers, PLAYER_SEATS);
    ChoiceSeat = ChoiceSeat < 0 || ChoiceSeat + 1 >= count ? 0 : ChoiceSeat + 1;
    SoundPlay(SOUND_CLICK);
}

bool PlayerChoiceCycleHighlighted() {
    if (!ScreenPlayers) return false;
    ChoiceSeat = std::clamp(ChoiceSeat, 0, std::min(ScreenPlayers->numPlayers, PLAYER_SEATS) - 1);
    return PlayerChoiceCycleController(ChoiceSeat);
}

bool PlayerChoiceAction(ChoiceAction action) {
    DIAG_SCOPE_NAMED("PlayerChoiceAction", "General");
    switch (action) {
        case ChoiceAction::Up:
        case ChoiceAction::Down:
            if (MoveCursor(action == ChoiceAction::Up ? -1 : 1)) SoundPlay(SOUND_CLICK);
            return false;
        case ChoiceAction::Left:
        case ChoiceAction::Right:
            if (ChangeSetting(action == ChoiceAction::Left ? -1 : 1)) SoundPlay(SOUND_CONFIRM);
            return false;
        case ChoiceAction::Select:
            SoundPlay(SOUND_CONFIRM);
            return ChoiceRow == CHOICE_START_ROW;
        default:
            return false;
    }
}

// A row reaches from a little above its text to the next row's; a value's zones split its text in
// two halves, from the character before it to the screen's right edge.
void PlayerChoicePointerRows(PointerScreen* screen) {
    const int numPlayers = ScreenPlayers ? ScreenPlayers->numPlayers : MIN_PLAYERS;
    screen->cursor = ChoiceRow;
    screen->rowCount = 0;
    for (int row = CHOICE_PLAYERS_ROW; row <= CHOICE_START_ROW; ++row) {
        PointerRow& pointerRow = screen->rows[static_cast<std::size_t>(screen->rowCount++)];
        pointerRow.top = ROW_Y[row] - 3;
        pointerRow.bottom = ROW_Y[row] + 20;
        pointerRow.cursor = row;
        if (row == CHOICE_START_ROW) {
            pointerRow.zoneCount = 1;
            pointerRow.zones[0] = {0, SCREEN_WIDTH, VK_SPACE};
            continue;
        }
        const std::string text = PlayerChoiceText(row, numPlayers);
        const std::size_t gap = text.find("  ");
        const std::size_t start = text.find_first_not_of(' ', gap == std::string::npos ? 0 : gap);
        const std::size_t column = start == std::string::npos ? 0 : Utf8Columns(text.substr(0, start));
        const int valueLeft = TEXT_X + GLYPH_WIDTH * static_cast<int>(column);
        const int middle = (valueLeft + TEXT_X + GLYPH_WIDTH * static_cast<int>(Utf8Columns(text))) / 2;
        pointerRow.zoneCount = 2;
        pointerRow.zones[0] = {valueLeft - GLYPH_WIDTH, middle, VK_LEFT};
        pointerRow.zones[1] = {middle, SCREEN_WIDTH, VK_RIGHT};
    }
    PointerRow& tanks = screen->rows[static_cast<std::size_t>(screen->rowCount++)];
    tanks.top = TANK_Y - 14;
    tanks.bottom = LABEL_Y + 8;
    tanks.zoneCount = std::min(numPlayers, PLAYER_SEATS);
    for (int i = 0; i < tanks.zoneCount; ++i) {
        const int x = TANK_X + TANK_SPACING * i;
        tanks.zones[static_cast<std::size_t>(i)] = {x - TANK_SPACING / 2, x + TANK_SPACING / 2 + 1, '1' + i};
    }
}

void DrawPlayerChoice(int device, int surface) {
    DIAG_SCOPE_NAMED("General|DrawPlayerChoice", "General");
    if (!ScreenPlayers) return;
    HDC dc = nullptr;
    if (GetHDC(&dc, device, surface, -1)) {
        DrawTexts(dc, ScreenPlayers->numPlayers);
        DrawControllers(dc, ScreenPlayers->numPlayers);
        ReleaseHDC(dc, device, surface, -1);
    }
    for (int i = 0; i < ScreenPlayers->numPlayers; ++i) {
        if (const Player* player = ScreenPlayers->Get(i))
            player->Draw(device, surface, TANK_X + TANK_SPACING * i, TANK_Y, false);
    }
}

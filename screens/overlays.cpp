// The overlays drawn over play: the help screen, the ready message, the quit prompt, the network
// game's messages, its waiting room and room card, and the sound's level.
#include <algorithm>
#include <string>
#include <vector>

#include "core/globals.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "players/player_collection.h"
#include "screens/screens.h"
#include "text/text.h"
#include "text/utf8.h"

namespace {

constexpr COLORREF WHITE = RGB(255, 255, 255);
// The characters a line of the network game's messages holds, centred on the screen.
constexpr std::size_t NETWORK_LINE_LENGTH = 39;

// The help screen's table: each row's key at x 4, the gamepad's button (if any) at x 56 and the
// meaning at x 128, 16 pixels apart; the font's cells are 8 pixels wide, so the longest meaning ends at 320.
struct HelpRow {
    const char* key;
    const char* pad;
    const char* meaning;
};
constexpr HelpRow HELP_ROWS[] = {
    {"F1", TrLater("Back"), TrLater("Help")},
    {"F2", "Y", TrLater("Angle Guide")},
    {"1-8", TrLater("X again"), TrLater("Centre on player")},
    {"C", "X", TrLater("Centre on current player")},
    {TrLater("Arrows"), TrLater("D-pad"), TrLater("Scroll Landscape")},
    {"Z,X", TrLater("Stick LR"), TrLater("Change Angle")},
    {"Q,A", TrLater("Stick UD"), TrLater("Change Power")},
    {"W,S", "LB,RB", TrLater("Change Weapon")},
    {TrLater("Space"), TrLater("A,Start"), TrLater("Fire")},
    {"Tab", TrLater("R stick"), TrLater("Hold: fast-forward")},
};

// On a touch screen the help shows the places to touch instead: on the picture, then the menu bar's
// boxes (pointer/pointer_keys.h), a place at x 4 and its meaning at x 128.
struct TouchRow {
    const char* place;
    const char* meaning;
};
constexpr TouchRow TOUCH_ROWS[] = {
    {TrLater("Drag"), TrLater("Aim: angle and power")},
    {TrLater("Tap twice"), TrLater("Fire")},
    {TrLater("Power box"), TrLater("Help")},
    {TrLater("Angle box"), TrLater("Angle Guide")},
    {TrLater("Tank box"), TrLater("Centre on player")},
    {TrLater("Weapon box"), TrLater("Change Weapon")},
    {TrLater("Wind box"), TrLater("Abandon Game?")},
    {TrLater("Edge arrow"), TrLater("Look at that tank")},
    {TrLater("Press and hold"), TrLater("Hold: fast-forward")},
};
// Under either table, which way the angle counts.
constexpr int HELP_ANGLE_Y = 168;

// The row of the quit prompt's answer.
constexpr int QUIT_YES_Y = 85;
// A tank's number stands this many rows above the tank's top, clear of its barrel's pivot.
constexpr int TANK_NUMBER_RISE = 16;
// The row of the sound's level, under the network game's bands.
constexpr int SOUND_LINE_Y = 176;

void Say(HDC dc, int x, int y, const char* text) { GraphxString(dc, x, y, WHITE, 0, true, "%s", text); }

// A line at its English place x, or centred when a translation is too long for that.
void SayAt(HDC dc, int x, int y, const char* text) {
    const int width = static_cast<int>(Utf8Columns(text)) * 8;
    Say(dc, std::min(x, (SCREEN_WIDTH - width) / 2), y, text);
}

// A network message line: centred at y on a black band across the screen, cut to the cells a line
// holds.
void SayOnBand(HDC dc, int y, const std::string& text) {
    const std::string shown = Utf8Cut(text, NETWORK_LINE_LENGTH);
    const int x = (SCREEN_WIDTH - static_cast<int>(Utf8Columns(shown)) * 8) / 2;
    GraphxFillRect(dc, 0, y - 2, SCREEN_WIDTH, y + 18, RGB(0, 0, 0));
    GraphxString(dc, x, y, WHITE, 0, true, "%s", shown.c_str());
}

// The text row of the first of `count` network message lines: the last band ends at y 148.
int FirstBandY(int count) { return 150 - 20 * count; }

// The chat's rows over the top of the picture: the first at y 2, one under another, at most this many.
constexpr std::size_t CHAT_ROWS = 9;
constexpr int CHAT_ROW_STEP = 18;

// A long text split at a space into lines the screen can hold; a word too long for a line is cut.
void Wrap(std::string rest, std::vector<std::string>* lines) {
    while (Utf8Columns(rest) > NETWORK_LINE_LENGTH) {
        const std::size_t end = Utf8Offset(rest, NETWORK_LINE_LENGTH);
        std::size_t cut = rest.rfind(' ', end);
        if (cut == std::string::npos || cut == 0) cut = end;
        lines->push_back(rest.substr(0, cut));
        rest = rest.substr(cut + (rest[cut] == ' ' ? 1 : 0));
    }
    lines->push_back(rest);
}

// The chat's rows: the log's heading, the lines, the line being typed; the newest rows that fit.
std::vector<std::string> ChatRows(const NetworkMessages& messages) {
    std::vector<std::string> rows;
    if (messages.chatLog)
        rows.push_back(messages.chat.empty() ? Tr("No chat yet (F3 hides)") : Tr("Chat (F3 hides)"));
    for (const std::string& line : messages.chat) Wrap(line, &rows);
    if (messages.typing) Wrap(TrFormat("Say: %s_", messages.typed.c_str()), &rows);
    if (rows.size() > CHAT_ROWS) rows.erase(rows.begin(), rows.end() - CHAT_ROWS);
    return rows;
}

// A chat row: at y on a black band across the screen, from the left.
void SayOnChatBand(HDC dc, int y, const std::string& text) {
    GraphxFillRect(dc, 0, y - 1, SCREEN_WIDTH, y + 17, RGB(0, 0, 0));
    GraphxString(dc, 4, y, WHITE, 0, true, "%s", Utf8Cut(text, NETWORK_LINE_LENGTH).c_str());
}

// The waiting room's rows: from y 2, one under another over the darkened picture, at x 8; and the
// room card's bands, one under another.
constexpr int PANEL_ROW_STEP = 16;
constexpr int CARD_ROW_STEP = 18;

// Lends a context on (device, surface) to the drawing, and gives it back; nothing is drawn when
// none can be had.
template <typename Draw>
void WithContext(int device, int surface, Draw draw) {
    HDC dc = nullptr;
    if (!GetHDC(&dc, device, surface, -1)) return;
    draw(dc);
    ReleaseHDC(dc, device, surface, -1);
}

}  // namespace

void DrawShadeGrid(HDC dc) {
    DIAG_SCOPE_NAMED("General|DrawShadeGrid", "General");
    HPEN black = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ previous = SelectObject(dc, black);
    for (int y = 0; y < SCREEN_HEIGHT; y += 2) {
        MoveToEx(dc, 0, y, nullptr);
        LineTo(dc, SCREEN_WIDTH, y);
    }
    for (int x = 0; x < SCREEN_WIDTH; x += 2) {
        MoveToEx(dc, x, 0, nullptr);
        LineTo(dc, x, SCREEN_HEIGHT);
    }
    SelectObject(dc, previous);
    DeleteObject(black);
}

void DrawHelpScreen(int device, int surface) {
    DIAG_SCOPE_NAMED("General|DrawHelpScreen", "General");
    WithContext(device, surface, [](HDC dc) {
        DrawShadeGrid(dc);
        int y = 0;
        if (PointerTouch()) {
            for (const TouchRow& row : TOUCH_ROWS) {
                Say(dc, 4, y, Tr(row.place));
                Say(dc, 128, y, Tr(row.meaning));
                y += 16;
            }
        } else {
            for (const HelpRow& row : HELP_ROWS) {
                Say(dc, 4, y, Tr(row.key));
                Say(dc, 56, y, Tr(row.pad));
                Say(dc, 128, y, Tr(row.meaning));
                y += 16;
            }
        }
        SayAt(dc, 4, HELP_ANGLE_Y, Tr("Angle: 0 left, 90 up, 180 right"));
    });
}

void DrawReadyMessage(int device, int surface, int y) {
    DIAG_SCOPE_NAMED("General|DrawReadyMessage", "General");
    WithContext(device, surface, [y](HDC dc) { Say(dc, 6, y, Tr(ScreenWords(ScreenText::ReadyHelp))); });
}

void DrawQuitPrompt(int device, int surface) {
    DIAG_SCOPE_NAMED("General|DrawQuitPrompt", "General");
    WithContext(device, surface, [](HDC dc) {
        DrawShadeGrid(dc);
        SayAt(dc, 107, 60, Tr("Abandon Game?"));
        const char* yes = Tr(ScreenWords(ScreenText::PromptYes));
        SayAt(dc, (SCREEN_WIDTH - static_cast<int>(Utf8Columns(yes)) * 8) / 2, QUIT_YES_Y, yes);
    });
}

void DrawTankNumbers(int device, int surface, PlayerCollection& players, int viewX, int viewY) {
    WithContext(device, surface, [&](HDC dc) {
        for (int seat = 0; seat < players.numPlayers && seat < PLAYER_SEATS; ++seat) {
            const Player* player = players.Get(seat);
            if (!player || !player->inGame || !player->alive) continue;
            GraphxBitmapString(dc, player->x - viewX - 2,
                               player->y - viewY - player->height - TANK_NUMBER_RISE, false, true, "%i",
                               seat + 1);
        }
    });
}

void DrawSoundLine(int device, int surface, const std::string& line) {
    WithContext(device, surface, [&line](HDC dc) {
        const int width = static_cast<int>(Utf8Columns(line)) * 8;
        const int x = (SCREEN_WIDTH - width) / 2;
        GraphxFillRect(dc, x - 4, SOUND_LINE_Y - 2, x + width + 4, SOUND_LINE_Y + 18, RGB(0, 0, 0));
        Say(dc, x, SOUND_LINE_Y, line.c_str());
    });
}

void QuitPromptYesRows(int* top, int* bottom) {
    *top = QUIT_YES_Y - 5;
    *bottom = QUIT_YES_Y + 21;
}

std::vector<std::string> NetworkMessageLines(const NetworkMessages& messages) {
    std::vector<std::string> lines;
    if (messages.leavePrompt) {
        lines.push_back(Tr("Leave the network game?"));
        lines.push_back(Tr(ScreenWords(ScreenText::PromptYes)));
    }
    if (messages.away)
        lines.push_back(TrFormat("%s is away", messages.waitingFor.c_str()));
    else if (!messages.waitingFor.empty())
        lines.push_back(TrFormat("Waiting for %s...", messages.waitingFor.c_str()));
    if (!messages.notice.empty()) Wrap(messages.notice, &lines);
    return lines;
}

void DrawNetworkMessages(int device, int surface, const NetworkMessages& messages) {
    const std::vector<std::string> lines = NetworkMessageLines(messages);
    const std::vector<std::string> chat = ChatRows(messages);
    const std::vector<std::string>& room = messages.waitingRoom;
    if (lines.empty() && chat.empty() && room.empty()) return;
    WithContext(device, surface, [&lines, &chat, &room](HDC dc) {
        if (!room.empty()) DrawShadeGrid(dc);
        for (std::size_t i = 0; i < room.size(); ++i)
            Say(dc, 8, 2 + PANEL_ROW_STEP * static_cast<int>(i),
                Utf8Cut(room[i], NETWORK_LINE_LENGTH).c_str());
        int y = FirstBandY(static_cast<int>(lines.size()));
        for (const std::string& line : lines) {
            SayOnBand(dc, y, line);
            y += 20;
        }
        y = 2;
        for (const std::string& row : chat) {
            SayOnChatBand(dc, y, row);
            y += CHAT_ROW_STEP;
        }
    });
}

void NetworkMessageBandRows(int line, int count, int* top, int* bottom) {
    *top = FirstBandY(count) + 20 * line - 2;
    *bottom = *top + 20;
}

std::vector<std::string> RoomCardRows(const std::vector<std::string>& lines) {
    std::vector<std::string> rows;
    for (const std::string& line : lines) Wrap(line, &rows);
    if (rows.size() > ROOM_CARD_ROWS) rows.resize(ROOM_CARD_ROWS);
    return rows;
}

void DrawRoomCard(int device, int surface, const std::vector<std::string>& lines) {
    const std::vector<std::string> rows = RoomCardRows(lines);
    if (rows.empty()) return;
    WithContext(device, surface, [&rows](HDC dc) {
        DrawShadeGrid(dc);
        int y = (SCREEN_HEIGHT - CARD_ROW_STEP * static_cast<int>(rows.size())) / 2;
        for (const std::string& row : rows) {
            SayOnBand(dc, y, row);
            y += CARD_ROW_STEP;
        }
    });
}

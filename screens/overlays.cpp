// The overlays drawn over play: the help screen, the ready message and the quit prompt.
#include "core/globals.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "screens/screens.h"

namespace {

constexpr COLORREF WHITE = RGB(255, 255, 255);

// The help screen's table: each row's key at x 4, the gamepad's button (if any) at x 56 and the
// meaning at x 128, 16 pixels apart; the font's cells are 8 pixels wide, so the longest meaning ends at 320.
struct HelpRow {
    const char* key;
    const char* pad;
    const char* meaning;
};
constexpr HelpRow HELP_ROWS[] = {
    {"F1", "Back", "Help"},
    {"F2", "Y", "Angle Guide"},
    {"1-8", "", "Centre on player"},
    {"C", "", "Centre on current player"},
    {"Arrows", "D-pad", "Scroll Landscape"},
    {"Z,X", "Stick LR", "Change Angle"},
    {"Q,A", "Stick UD", "Change Power"},
    {"W,S", "LB,RB", "Change Weapon"},
    {"Space", "A,Start", "Fire"},
};

void Say(HDC dc, int x, int y, const char* text) { GraphxString(dc, x, y, WHITE, 0, true, "%s", text); }

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
        for (const HelpRow& row : HELP_ROWS) {
            Say(dc, 4, y, row.key);
            Say(dc, 56, y, row.pad);
            Say(dc, 128, y, row.meaning);
            y += 16;
        }
    });
}

void DrawReadyMessage(int device, int surface) {
    DIAG_SCOPE_NAMED("General|DrawReadyMessage", "General");
    WithContext(device, surface, [](HDC dc) { Say(dc, 6, 5, "Press F1 for help"); });
}

void DrawQuitPrompt(int device, int surface) {
    DIAG_SCOPE_NAMED("General|DrawQuitPrompt", "General");
    WithContext(device, surface, [](HDC dc) {
        DrawShadeGrid(dc);
        Say(dc, 107, 60, "Abandon Game?");
        Say(dc, 109, 85, "Shift+Y for Yes");
    });
}

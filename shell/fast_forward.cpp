// Fast-forward: the fast key held, the steps of a fast tick and the mark that shows it.
#include "shell/fast_forward.h"

#include <string>

#include "core/globals.h"
#include "display/graphx.h"
#include "netplay/lockstep.h"
#include "text/text.h"
#include "text/utf8.h"

namespace {

constexpr int SMALL_CELL_WIDTH = 4;
constexpr int MARK_MARGIN = 3;

struct FastForward {
    bool held = false;     // this machine's people hold the key
    bool another = false;  // another step follows the one running now
    int steps = 0;         // the steps this tick has run
    DWORD tickStart = 0;   // the window's clock at the tick's first step
};

FastForward TheFast;

// A shot flies, or the ground and the tanks settle, before the turn passes.
bool ShotUnderWay() { return AppActive && CurrentMode == ShotInProgress; }

bool Wanted() {
    if (!ShotUnderWay()) return false;
    return NetRoleNow() == NetRole::Local ? TheFast.held : NetRunsFast();
}

}  // namespace

bool ShellTakeFastKey(const InputEvent& input) {
    const bool focusLost = (input.kind == InputEvent::ActivateApp && input.value == 0) ||
                           (input.kind == InputEvent::Activate && input.value == WA_INACTIVE);
    if (focusLost) TheFast.held = false;
    if (!input.IsKey() || input.value != FAST_KEY) return false;
    TheFast.held = input.kind == InputEvent::KeyDown;
    return true;
}

void ShellFastBeforeStep() {
    NetFastHeld(TheFast.held);
    const DWORD now = timeGetTime();
    if (!TheFast.another) {
        TheFast.steps = 0;
        TheFast.tickStart = now;
    }
    TheFast.steps += 1;
    TheFast.another =
        Wanted() && TheFast.steps < FAST_STEPS_PER_TICK && now - TheFast.tickStart < FAST_TICK_BUDGET_MS;
}

// A step that ends the shot is shown, and the next runs at the window's pace.
bool ShellFastRunsAnother() { return TheFast.another && ShotUnderWay(); }

bool ShellFastShown() {
    if (!ShotUnderWay()) return false;
    return NetRoleNow() == NetRole::Local ? TheFast.held : NetFastPace();
}

void ShellDrawFastMark(int device, int surface) {
    if (!ShellFastShown()) return;
    HDC dc = nullptr;
    if (!GetHDC(&dc, device, surface, -1)) return;
    const char* mark = Tr("Fast");
    const int width = static_cast<int>(Utf8Columns(mark)) * SMALL_CELL_WIDTH;
    const int x = SCREEN_WIDTH - width - MARK_MARGIN;
    GraphxFillRect(dc, x - 2, MARK_MARGIN - 2, SCREEN_WIDTH - MARK_MARGIN + 2, MARK_MARGIN + 9, RGB(0, 0, 0));
    GraphxBitmapString(dc, x, MARK_MARGIN, true, true, "%s", mark);
    ReleaseHDC(dc, device, surface, -1);
}

void ShellResetFastForward() { TheFast = FastForward{}; }

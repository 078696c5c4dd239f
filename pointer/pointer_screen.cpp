// The screen as the shell last described it to pointer input, whether it is a touch screen, and the
// looking around not yet taken by the display.
#include "pointer/pointer_screen.h"

namespace {

PointerScreen Shown;
bool Touch = false;
int LookX = 0, LookY = 0;

}  // namespace

void PointerShowScreen(const PointerScreen& screen) { Shown = screen; }

const PointerScreen& PointerScreenShown() { return Shown; }

void PointerSetTouch(bool touch) { Touch = touch; }

bool PointerTouch() { return Touch; }

void PointerLookBy(int dx, int dy) {
    LookX += dx;
    LookY += dy;
}

void PointerTakeLook(int* dx, int* dy) {
    *dx = LookX;
    *dy = LookY;
    LookX = LookY = 0;
}

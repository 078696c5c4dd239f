// The screen as the shell last described it to pointer input, and whether it is a touch screen.
#include "pointer/pointer_screen.h"

namespace {

PointerScreen Shown;
bool Touch = false;

}  // namespace

void PointerShowScreen(const PointerScreen& screen) { Shown = screen; }

const PointerScreen& PointerScreenShown() { return Shown; }

void PointerSetTouch(bool touch) { Touch = touch; }

bool PointerTouch() { return Touch; }

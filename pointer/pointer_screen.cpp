// The screen as the shell last described it to pointer input.
#include "pointer/pointer_screen.h"

namespace {

PointerScreen Shown;

}  // namespace

void PointerShowScreen(const PointerScreen& screen) { Shown = screen; }

const PointerScreen& PointerScreenShown() { return Shown; }

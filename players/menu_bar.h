// What the aiming menu bar shows that is more than a number: the stock and the wind sock.
#pragma once

#include <cstdint>
#include <string>

#include "pointer/pointer_screen.h"

// A stock as the menu bar writes it: "+" when unlimited, "++" above 99, otherwise the count.
std::string StockText(std::int32_t stock);
// Which of the five wind socks shows a wind from -9 to 9: 0 fully and 1 half blown to the left,
// 2 hanging, 3 half and 4 fully blown to the right.
int WindSockIndex(std::int32_t wind);

// The menu bar's items as pointer input sees them: the power box is help (F1), the angle box the
// angle guide (F2), the tank looks at the next tank in turn, the wind sock calls up the abandon prompt (Esc),
// and the weapon's name and stock pick the next weapon (S).
void MenuBarPointerItems(PointerScreen* screen);

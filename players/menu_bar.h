// What the aiming menu bar shows that is more than a number: the stock and the wind sock.
#pragma once

#include <cstdint>
#include <string>

// A stock as the menu bar writes it: "+" when unlimited, "++" above 99, otherwise the count.
std::string StockText(std::int32_t stock);
// Which of the five wind socks shows a wind from -9 to 9: 0 fully and 1 half blown to the left,
// 2 hanging, 3 half and 4 fully blown to the right.
int WindSockIndex(std::int32_t wind);

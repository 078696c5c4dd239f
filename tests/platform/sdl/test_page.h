// Test support: a page for the presenter to show, and what a 1000x600 window shows of it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sdl/sdl_scaler.h"

constexpr int PAGE_W = 320, PAGE_H = 200;

// A page whose every pixel differs from its neighbours (red from the column, green from the row)
// and none is black; past each row up to the pitch lies 0xDEAD.
inline std::vector<std::uint16_t> TestPage(int width = PAGE_W, int height = PAGE_H, int pitch = PAGE_W) {
    std::vector<std::uint16_t> page(static_cast<std::size_t>(pitch) * height, 0xDEAD);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            page[static_cast<std::size_t>(y) * pitch + x] =
                static_cast<std::uint16_t>(((x % 32) << 11) | ((y % 64) << 5) | (x / 32 + 1));
    return page;
}

// A 1000x600 window shows the page as 800x600 between black bars 100 wide: its pixel at (x, y) as
// 0xRRGGBB.
inline std::uint32_t ShownAt(const std::vector<std::uint16_t>& page, int x, int y) {
    if (x < 100 || x >= 900) return 0;
    const int sx = (2 * (x - 100) + 1) * PAGE_W / 1600, sy = (2 * y + 1) * PAGE_H / 1200;
    return ConvertRgb565(page[sy * PAGE_W + sx], PixelLayout{});
}

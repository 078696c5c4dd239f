// Test support: pictures built in memory as BMP bytes and installed as bitmap resources, and the
// shown page compared with a picture kept beside the tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display/gdi.h"

// A BMP picture: bits per pixel 1, 8 or 24. For 1 and 8 bits, `pixel` gives palette indices;
// for 24 bits it gives colour references. `fileHeader` adds the 14-byte file header; `topDown`
// stores the rows top first.
struct BmpPicture {
    int width = 1;
    int height = 1;
    int bits = 24;
    std::function<std::uint32_t(int x, int y)> pixel;
    std::vector<COLORREF> palette;
    bool fileHeader = true;
    bool topDown = false;
};
std::vector<std::uint8_t> BuildBmp(const BmpPicture& picture);

// A 1-bit font picture of 94 cells of cellWidth x cellHeight with `ink` deciding each pixel.
std::vector<std::uint8_t> BuildFontBmp(int cellWidth, int cellHeight,
                                       const std::function<bool(int x, int y)>& ink);

// Installs a picture under a bitmap resource name for the rest of the test.
void InstallBitmap(const char* name, const std::vector<std::uint8_t>& bytes);
// The same for a 24-bit picture of width x height whose colours `pixel` gives.
void InstallPicture(const char* name, int width, int height, const std::function<COLORREF(int, int)>& pixel);

// Compares the visible page of device 0 (or its page `surface`) with the picture tests/<name>.png
// ("display/scene"), saying how many pixels differ and where the first is. With LOBSHOT_NEW_PICTURES
// set, writes it instead.
void ExpectShownPageIs(const std::string& name, int surface = 1);

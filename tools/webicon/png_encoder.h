// A small PNG encoder of our own for the page's icons: RGBA, 8 bits a channel, compressed well
// enough for pictures scaled up by whole pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/icon/icon_art.h"

// The PNG file of a WIDTH x HEIGHT picture whose pixels run row by row from the top-left
// (pixels.size() == width * height). The data is one deflate stream with the fixed codes, whose
// repeats are found only one pixel back and one row up: that is what scaled pixel art repeats.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<IconRgba>& pixels);

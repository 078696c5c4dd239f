// The web backend's picture: finished frames drawn into the page's canvas, one canvas pixel for
// each pixel of the game; the page scales the canvas with sharp pixels.
#pragma once

#include <cstdint>

// Finds the page's canvas. False when the page has none.
bool WebVideoOpen();

// Draws a finished RGB565 frame; the canvas takes the frame's size.
bool WebVideoPresent(const std::uint16_t* pixels, int width, int height, int pitchPixels);

// One RGB565 pixel as the canvas's red, green, blue and alpha bytes in memory order (a
// little-endian word): each channel's bits at the top of its byte and zeros below, as the game's
// own screenshots widen them, and fully opaque.
constexpr std::uint32_t WebCanvasPixel(std::uint16_t pixel) {
    const std::uint32_t red = (pixel >> 8) & 0xF8u;
    const std::uint32_t green = ((pixel >> 5) & 0x3Fu) << 2;
    const std::uint32_t blue = (pixel & 0x1Fu) << 3;
    return red | green << 8 | blue << 16 | 0xFF000000u;
}

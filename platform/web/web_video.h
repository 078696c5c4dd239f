// The web backend's picture: finished frames drawn into the page's canvas, one canvas pixel for
// each pixel of the game, only when the picture has changed; the page scales the canvas with sharp
// pixels.
#pragma once

#include <cstdint>

// Finds the page's canvas. False when the page has none.
bool WebVideoOpen();

// Takes a finished RGB565 frame to show. A frame the same as the one before changes nothing.
bool WebVideoPresent(const std::uint16_t* pixels, int width, int height, int pitchPixels);
// Draws the newest frame into the canvas, which takes its size, unless the canvas shows it already.
// The backend calls it as the game's thread hands the browser its turn: of the frames of several
// steps run at one wake-up only the last is drawn, and a still picture is drawn once.
void WebVideoShow();
// Whether the last frame handed over was the same as the one before it: the picture stands still.
bool WebVideoStill();

// One RGB565 pixel as the canvas's red, green, blue and alpha bytes in memory order (a
// little-endian word): each channel's bits at the top of its byte and zeros below, as the game's
// own screenshots widen them, and fully opaque.
constexpr std::uint32_t WebCanvasPixel(std::uint16_t pixel) {
    const std::uint32_t red = (pixel >> 8) & 0xF8u;
    const std::uint32_t green = ((pixel >> 5) & 0x3Fu) << 2;
    const std::uint32_t blue = (pixel & 0x1Fu) << 3;
    return red | green << 8 | blue << 16 | 0xFF000000u;
}

// Inside the drawing contexts: the context record, pens, brushes and bitmaps, and the colour
// conversions between colour references and RGB565 pixels. Only the display layer includes this.
#pragma once

#include <cstdint>

#include "display/device/dd.h"
#include "display/gdi.h"

// A pen, brush or bitmap. A bitmap owns a free-standing surface holding its pixels.
struct GdiObject {
    DWORD type = 0;
    COLORREF colour = 0;
    DWORD penStyle = PS_SOLID;
    int penWidth = 1;
    bool geometric = false;
    bool stock = false;  // never deleted
    int selections = 0;  // contexts it is selected into
    Surface pixels;
};

struct DrawingContext {
    Surface* surface = nullptr;
    bool memory = false;
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ bitmap = nullptr;
    COLORREF textColour = 0x000000;
    COLORREF backColour = 0xFFFFFF;
    int backMode = OPAQUE;
    POINT position;
};

// Colour reference to pixel: the top 5, 6 and 5 bits of red, green and blue.
constexpr std::uint16_t ColourToPixel(COLORREF colour) {
    return static_cast<std::uint16_t>(((colour & 0xF8u) << 8) | ((colour & 0xFC00u) >> 5) |
                                      ((colour >> 19) & 0x1Fu));
}
// Pixel to colour reference: each channel's bits at the top of its byte, zeros below.
constexpr COLORREF PixelToColour(std::uint16_t pixel) {
    return ((pixel >> 8) & 0xF8u) | (((pixel >> 5) & 0x3Fu) << 10) | ((pixel & 0x1Fu) << 19);
}

// The fresh state of a context lent on a surface or made in memory.
void InitContext(DrawingContext* dc, Surface* surface, bool memory);
// A free-standing bitmap object of the given size, pixels cleared to 0.
HBITMAP MakeBitmap(int width, int height);

// Glyph rows of the 8x16 fixed text font (or with small set of the 4x8 small font, 8 rows) for a
// code point (display/glyph_codes.h): bit 7 is the leftmost pixel. Null when the fonts have no such
// glyph or were not loaded.
const std::uint8_t* FixedFontGlyph(char32_t code, bool small = false);

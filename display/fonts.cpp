// The two bitmapped fonts: loading them, drawing text with them, and the 8x16 fixed font that
// plain text (TextOutA, GraphxString) draws with, taken from the normal font's glyphs.
#include <cstdio>

#include "display/context.h"
#include "display/devices.h"
#include "display/glyph_codes.h"
#include "display/graphx.h"
#include "text/utf8.h"

int NormalFontSurface = -1;
int SmallFontSurface = -1;

namespace {

constexpr int TEXT_LIMIT = 200;

struct FontCell {
    int width;
    int height;
};
constexpr FontCell NORMAL_CELL{8, 16};
constexpr FontCell SMALL_CELL{4, 8};

// The fonts as bits for drawing in any colour: one byte a row, bit 7 the leftmost pixel, for each
// cell of the strips; the fixed font is the normal font's, the small font's rows fill the first 8.
struct GlyphBits {
    std::uint8_t rows[GLYPH_COUNT][16];
    bool loaded;
};
GlyphBits FixedGlyphs;
GlyphBits SmallGlyphs;

// Reads a font's bits from its surface: the same block that GraphxBitmapString copies for each
// code, any non-black pixel being ink.
void ReadGlyphBits(int fontSurface, FontCell cell, GlyphBits* bits) {
    GRAPHX_SCOPE_NAMED("GraphxInitBitmappedFont", false);
    Surface* font = nullptr;
    if (!getDD(OFFSCREEN, fontSurface, nullptr, &font, nullptr, -1) || !font) return;
    for (int glyph = 0; glyph < GLYPH_COUNT; ++glyph) {
        for (int row = 0; row < cell.height; ++row) {
            std::uint8_t line = 0;
            for (int column = 0; column < cell.width; ++column) {
                const int x = glyph * cell.width + 1 + column;
                const bool ink = x < font->width && row < font->height && font->Row(row)[x] != 0;
                if (ink) line |= static_cast<std::uint8_t>(0x80 >> column);
            }
            bits->rows[glyph][row] = line;
        }
    }
    bits->loaded = true;
}

void LoadFont(int* surface, HINSTANCE instance, int n, int s, const char* name) {
    GRAPHX_SCOPE_NAMED("GraphxInitBitmappedFont", false);
    if (!GraphxBitmapToOSSurface(surface, n, s, instance, name, MEMORY_KIND_SYSTEM, 0, 0, true, true)) {
        GRAPHX_ERROR("GraphxBitmapToOSSurface");
    }
}

}  // namespace

const std::uint8_t* FixedFontGlyph(char32_t code, bool small) {
    const GlyphBits& bits = small ? SmallGlyphs : FixedGlyphs;
    const int cell = GlyphCell(code);
    return bits.loaded && cell >= 0 ? bits.rows[cell] : nullptr;
}

void GraphxResetFonts() {
    NormalFontSurface = -1;
    SmallFontSurface = -1;
    FixedGlyphs = {};
    SmallGlyphs = {};
}

void GraphxInitBitmappedFont(HINSTANCE instance, int n, int s, const char* normalName,
                             const char* smallName) {
    GRAPHX_SCOPE();
    LoadFont(&NormalFontSurface, instance, n, s, normalName);
    LoadFont(&SmallFontSurface, instance, n, s, smallName);
    ReadGlyphBits(NormalFontSurface, NORMAL_CELL, &FixedGlyphs);
    ReadGlyphBits(SmallFontSurface, SMALL_CELL, &SmallGlyphs);
}

void GraphxBitmapString(HDC dc, int x, int y, bool orMode, bool small, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    GraphxBitmapStringV(dc, x, y, orMode, small, format, args);
    va_end(args);
}

void GraphxBitmapStringV(HDC dc, int x, int y, bool orMode, bool small, const char* format,
                         std::va_list args) {
    GRAPHX_SCOPE_NAMED("GraphxBitmapString", false);
    char text[TEXT_LIMIT + 1];
    const int wanted = std::vsnprintf(text, sizeof text, format, args);
    const int length = wanted < 0 ? 0 : (wanted > TEXT_LIMIT ? TEXT_LIMIT : wanted);
    const DWORD rop = orMode ? SRCPAINT : SRCCOPY;
    const FontCell cell = small ? SMALL_CELL : NORMAL_CELL;
    const int fontSurface = small ? SmallFontSurface : NormalFontSurface;
    HDC font = nullptr;
    if (!GetHDC(&font, OFFSCREEN, fontSurface, -1)) {
        GRAPHX_ERROR("get HDC");
        return;
    }
    // One cell a character: a character the fonts lack leaves its cell as it was.
    const std::string_view characters(text, static_cast<std::size_t>(length));
    for (std::size_t at = 0, column = 0; at < characters.size(); ++column) {
        const char32_t code = Utf8Next(characters, &at);
        const int glyph = GlyphCell(code);
        if (glyph < 0) {
            GRAPHX_ERROR("Char out of range (U+%04X)", static_cast<unsigned>(code));
            continue;
        }
        BitBlt(dc, x + static_cast<int>(column) * cell.width, y, cell.width, cell.height, font,
               glyph * cell.width + 1, 0, rop);
    }
    ReleaseHDC(font, OFFSCREEN, fontSurface, -1);
}

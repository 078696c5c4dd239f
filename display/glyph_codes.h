// The characters the bitmapped fonts draw and the cell of each in the font strips: the codes 32 to
// 125, then the letters and marks that German, French and Spanish add, in the order of
// EXTRA_GLYPHS. The fonts' sources (resources/fonts) list their glyphs in the same order.
#pragma once

#include <cstddef>
#include <iterator>

constexpr char32_t FIRST_ASCII_GLYPH = 32;
constexpr char32_t LAST_ASCII_GLYPH = 125;
constexpr int ASCII_GLYPH_COUNT = LAST_ASCII_GLYPH - FIRST_ASCII_GLYPH + 1;

// ¡ ¿ À Á Â Ä Ç È É Ê Í Î Ñ Ó Ô Ö Ú Û Ü ß à á â ä ç è é ê ë í î ï ñ ó ô ö ù ú û ü œ, by code point.
constexpr char32_t EXTRA_GLYPHS[] = {0xA1, 0xBF, 0xC0, 0xC1, 0xC2, 0xC4, 0xC7, 0xC8, 0xC9, 0xCA, 0xCD,
                                     0xCE, 0xD1, 0xD3, 0xD4, 0xD6, 0xDA, 0xDB, 0xDC, 0xDF, 0xE0, 0xE1,
                                     0xE2, 0xE4, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xED, 0xEE, 0xEF, 0xF1,
                                     0xF3, 0xF4, 0xF6, 0xF9, 0xFA, 0xFB, 0xFC, 0x153};
constexpr int GLYPH_COUNT = ASCII_GLYPH_COUNT + static_cast<int>(std::size(EXTRA_GLYPHS));

// The code point of cell `cell` (0 to GLYPH_COUNT - 1).
constexpr char32_t GlyphCode(int cell) {
    return cell < ASCII_GLYPH_COUNT ? FIRST_ASCII_GLYPH + cell : EXTRA_GLYPHS[cell - ASCII_GLYPH_COUNT];
}

// The cell of a code point in the font strips, or -1 when the fonts draw no such character.
constexpr int GlyphCell(char32_t code) {
    if (code >= FIRST_ASCII_GLYPH && code <= LAST_ASCII_GLYPH)
        return static_cast<int>(code - FIRST_ASCII_GLYPH);
    for (std::size_t i = 0; i < std::size(EXTRA_GLYPHS); ++i)
        if (EXTRA_GLYPHS[i] == code) return ASCII_GLYPH_COUNT + static_cast<int>(i);
    return -1;
}

// The game's two bitmapped fonts: glyph sources, 1-bit strips, and text drawn into pictures.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "image.h"

// A glyph for each character of display/glyph_codes.h, in its order, each a cell of
// cellWidth x cellHeight pixels whose first column is always dark.
struct Font {
    int cellWidth = 0;
    int cellHeight = 0;
    std::vector<std::vector<bool>> glyphs;  // row-major cells, true = lit

    bool lit(int code, int x, int y) const;
};

// Reads a glyph file (see resources/fonts/normal.txt for the layout); throws SourceError.
Font readFont(const std::filesystem::path& path, int cellWidth, int cellHeight);

// The strip of all cells in the order of display/glyph_codes.h, as the game loads it.
BitImage fontStrip(const Font& font);

// Writes text with its top-left at (x, y), every pixel enlarged to scale x scale.
void drawText(RgbImage& image, const Font& font, int x, int y, std::string_view text, Rgb colour,
              int scale = 1);
int textWidth(const Font& font, std::string_view text, int scale = 1);

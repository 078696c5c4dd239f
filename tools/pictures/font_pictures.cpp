// Loading of all picture sources, and the two font strips with their checks.
#include <algorithm>

#include "display/glyph_codes.h"
#include "pictures.h"

namespace {

// The game writes three-digit numbers into 24-pixel boxes, one 8-pixel cell per digit;
// a digit that used the last column of its cell would touch its neighbour.
void checkDigitsFitTheirCells(const Font& font, const std::string& file) {
    for (int code = '0'; code <= '9'; ++code)
        for (int y = 0; y < font.cellHeight; ++y)
            if (font.lit(code, font.cellWidth - 1, y))
                throw SourceError(file + ": digit '" + std::string(1, static_cast<char>(code)) +
                                  "' uses the last column of its cell");
}

// Every character the fonts claim to draw, the space apart, must leave a mark: a glyph left blank in
// a source would make its letter vanish from the texts that use it.
void checkEveryGlyphHasInk(const Font& font, const std::string& file) {
    for (int cell = 0; cell < GLYPH_COUNT; ++cell) {
        const auto& glyph = font.glyphs[static_cast<std::size_t>(cell)];
        if (GlyphCode(cell) != U' ' && std::find(glyph.begin(), glyph.end(), true) == glyph.end())
            throw SourceError(file + ": glyph " + std::to_string(GlyphCode(cell)) + " is blank");
    }
}

}  // namespace

PictureSources readPictureSources(const std::filesystem::path& resourceDir) {
    std::filesystem::path fonts = resourceDir / "fonts";
    std::filesystem::path pictures = resourceDir / "pictures";
    PictureSources sources{
        readFont(fonts / "normal.txt", 8, 16),     readFont(fonts / "small.txt", 4, 8),
        readSourceFile(pictures / "tanks.txt"),    readSourceFile(pictures / "windsocks.txt"),
        readSourceFile(pictures / "menubars.txt"), readSourceFile(pictures / "explosions.txt"),
        readSourceFile(pictures / "title.txt"),    readSourceFile(pictures / "terraform.txt")};
    checkDigitsFitTheirCells(sources.normalFont, (fonts / "normal.txt").string());
    checkEveryGlyphHasInk(sources.normalFont, (fonts / "normal.txt").string());
    checkEveryGlyphHasInk(sources.smallFont, (fonts / "small.txt").string());
    return sources;
}

std::vector<Picture> buildFontPictures(const PictureSources& sources) {
    return {encodeBmp("IDB_NORMALCHARS", fontStrip(sources.normalFont)),
            encodeBmp("IDB_SMALLCHARS", fontStrip(sources.smallFont))};
}

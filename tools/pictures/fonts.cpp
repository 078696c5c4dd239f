// Glyph files of the bitmapped fonts and the 1-bit strips made from them.
#include "fonts.h"

#include <fstream>
#include <string>

#include "display/glyph_codes.h"
#include "source_file.h"

namespace {

struct LineReader {
    std::ifstream in;
    std::string file;
    int number = 0;

    // Next line that is neither blank nor a comment; false at the end of the file.
    bool next(std::string& line) {
        while (std::getline(in, line)) {
            ++number;
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            if (!line.empty() && !line.starts_with("# ")) return true;
        }
        return false;
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw SourceError(file + ":" + std::to_string(number) + ": " + what);
    }
};

// Reads "glyph CODE ..." and checks that the glyphs come in code order.
void readGlyphHeader(LineReader& reader, int expectedCode) {
    std::string line;
    if (!reader.next(line)) reader.fail("file ends before glyph " + std::to_string(expectedCode));
    if (line.rfind("glyph ", 0) != 0) reader.fail("expected 'glyph " + std::to_string(expectedCode) + "'");
    std::size_t end = line.find(' ', 6);
    std::string code = line.substr(6, end == std::string::npos ? std::string::npos : end - 6);
    if (code != std::to_string(expectedCode))
        reader.fail("glyph " + code + " found where glyph " + std::to_string(expectedCode) + " belongs");
}

// Reads the rows of one glyph; the rows hold cell columns 1 onwards, column 0 stays dark.
std::vector<bool> readGlyphRows(LineReader& reader, int cellWidth, int cellHeight) {
    std::vector<bool> cell(static_cast<std::size_t>(cellWidth) * cellHeight, false);
    for (int y = 0; y < cellHeight; ++y) {
        std::string row;
        if (!reader.next(row)) reader.fail("file ends inside a glyph");
        if (static_cast<int>(row.size()) != cellWidth - 1)
            reader.fail("glyph row must have " + std::to_string(cellWidth - 1) + " characters");
        for (int x = 1; x < cellWidth; ++x) {
            char c = row[x - 1];
            if (c != '#' && c != '.') reader.fail("glyph rows hold only '#' and '.'");
            cell[static_cast<std::size_t>(y) * cellWidth + x] = c == '#';
        }
    }
    return cell;
}

}  // namespace

bool Font::lit(int code, int x, int y) const {
    const int cell = GlyphCell(static_cast<char32_t>(code));
    return cell >= 0 && glyphs[cell][static_cast<std::size_t>(y) * cellWidth + x];
}

Font readFont(const std::filesystem::path& path, int cellWidth, int cellHeight) {
    LineReader reader{std::ifstream(path), path.string()};
    if (!reader.in) throw SourceError(path.string() + ": cannot be read");
    Font font{cellWidth, cellHeight, {}};
    for (int cell = 0; cell < GLYPH_COUNT; ++cell) {
        readGlyphHeader(reader, static_cast<int>(GlyphCode(cell)));
        font.glyphs.push_back(readGlyphRows(reader, cellWidth, cellHeight));
    }
    std::string extra;
    if (reader.next(extra)) reader.fail("unexpected text after the last glyph");
    return font;
}

BitImage fontStrip(const Font& font) {
    BitImage strip{GLYPH_COUNT * font.cellWidth, font.cellHeight, {}};
    strip.bits.assign(static_cast<std::size_t>(strip.width) * strip.height, false);
    for (int cell = 0; cell < GLYPH_COUNT; ++cell)
        for (int y = 0; y < font.cellHeight; ++y)
            for (int x = 0; x < font.cellWidth; ++x)
                strip.bits[static_cast<std::size_t>(y) * strip.width + cell * font.cellWidth + x] =
                    font.glyphs[cell][static_cast<std::size_t>(y) * font.cellWidth + x];
    return strip;
}

void drawText(RgbImage& image, const Font& font, int x, int y, std::string_view text, Rgb colour, int scale) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        int left = x + static_cast<int>(i) * font.cellWidth * scale;
        for (int gy = 0; gy < font.cellHeight; ++gy)
            for (int gx = 0; gx < font.cellWidth; ++gx)
                if (font.lit(static_cast<unsigned char>(text[i]), gx, gy))
                    image.fillRect(left + gx * scale, y + gy * scale, left + (gx + 1) * scale,
                                   y + (gy + 1) * scale, colour);
    }
}

int textWidth(const Font& font, std::string_view text, int scale) {
    return static_cast<int>(text.size()) * font.cellWidth * scale;
}

// Build-time maker of the desktop icon from its pixel art.
//
// Reads resources/icon/icon.txt and writes it as an RGBA PNG, scaled up by whole pixels to the size
// asked for:
//
//     make_icon SOURCE SIZE OUTPUT
//
// SIZE must be a whole multiple of the art's width and height. A mistake in the source stops the
// build with its file and line.
#include <png.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Rgba = std::array<png_byte, 4>;

struct Art {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;  // row by row from the top-left
};

class SourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string Where(const std::string& path, int line) { return path + ":" + std::to_string(line) + ": "; }

// "none" for see-through, or six hexadecimal digits RRGGBB.
bool ParseColour(const std::string& text, Rgba* colour) {
    if (text == "none") {
        *colour = {0, 0, 0, 0};
        return true;
    }
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    const unsigned long value = std::stoul(text, nullptr, 16);
    *colour = {static_cast<png_byte>(value >> 16), static_cast<png_byte>(value >> 8),
               static_cast<png_byte>(value), 255};
    return true;
}

// Reads the symbols, then the "art NAME WIDTH HEIGHT" line and exactly HEIGHT rows of WIDTH known
// symbols; blank lines and lines starting with '#' are skipped everywhere but inside the art.
Art ReadArt(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw SourceError(path + ": cannot read the icon's source");
    std::map<char, Rgba> symbols;
    Art art;
    std::string text;
    int line = 0;
    while (art.width == 0 && std::getline(in, text)) {
        ++line;
        std::istringstream words(text);
        std::string verb, name, value;
        if (!(words >> verb) || verb[0] == '#') continue;
        Rgba colour{};
        if (verb == "symbol" && words >> name >> value && name.size() == 1 && ParseColour(value, &colour)) {
            symbols[name[0]] = colour;
        } else if (verb == "art" && words >> name >> art.width >> art.height && art.width > 0 &&
                   art.height > 0) {
            art.pixels.reserve(static_cast<std::size_t>(art.width) * art.height);
        } else {
            throw SourceError(Where(path, line) +
                              "expected \"symbol CHAR RRGGBB|none\" or \"art NAME WIDTH HEIGHT\"");
        }
    }
    if (art.width == 0) throw SourceError(path + ": no art in the file");
    for (int row = 0; row < art.height; ++row) {
        ++line;
        if (!std::getline(in, text)) throw SourceError(Where(path, line) + "the art ends early");
        if (static_cast<int>(text.size()) != art.width)
            throw SourceError(Where(path, line) + "the row is not " + std::to_string(art.width) +
                              " pixels wide");
        for (char c : text) {
            auto symbol = symbols.find(c);
            if (symbol == symbols.end())
                throw SourceError(Where(path, line) + "no colour for symbol '" + std::string(1, c) + "'");
            art.pixels.push_back(symbol->second);
        }
    }
    return art;
}

// The libpng calls, apart so that nothing with a destructor lives between setjmp and its longjmp.
bool Encode(png_structp png, png_infop info, std::FILE* file, const Art& art, int scale,
            std::vector<png_byte>& row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(art.width * scale),
                 static_cast<png_uint_32>(art.height * scale), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < art.height * scale; ++y) {
        for (int x = 0; x < art.width * scale; ++x) {
            const Rgba& pixel = art.pixels[static_cast<std::size_t>(y / scale) * art.width + x / scale];
            std::copy(pixel.begin(), pixel.end(), row.begin() + static_cast<std::ptrdiff_t>(x) * 4);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    return true;
}

bool WritePng(const std::string& path, const Art& art, int scale) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(static_cast<std::size_t>(art.width) * scale * 4);
    const bool ok = png && info && Encode(png, info, file, art, scale, row);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: make_icon SOURCE SIZE OUTPUT\n";
        return 2;
    }
    try {
        const Art art = ReadArt(argv[1]);
        const int size = std::stoi(argv[2]);
        if (size <= 0 || size % art.width != 0 || size % art.height != 0 ||
            size / art.width != size / art.height)
            throw SourceError(std::string(argv[1]) + ": the art cannot be scaled by whole pixels to " +
                              argv[2]);
        if (!WritePng(argv[3], art, size / art.width)) {
            std::cerr << "make_icon: cannot write " << argv[3] << "\n";
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}

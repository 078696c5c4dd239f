// Build-time maker of the desktop icon from its pixel art.
//
// Reads resources/icon/icon.txt and writes it as an RGBA PNG, scaled up by whole pixels to the size
// asked for, or, when OUTPUT ends in ".rgba", as bare pixels (four bytes each, red first, row by row
// from the top-left) for the game's window to embed:
//
//     make_icon SOURCE SIZE OUTPUT
//
// SIZE must be a whole multiple of the art's width and height. A mistake in the source stops the
// build with its file and line.
#include <png.h>

#include "tools/icon/icon_art.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

// The libpng calls, apart so that nothing with a destructor lives between setjmp and its longjmp.
bool Encode(png_structp png, png_infop info, std::FILE* file, const IconArt& art, int scale,
            std::vector<png_byte>& row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(art.width * scale),
                 static_cast<png_uint_32>(art.height * scale), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < art.height * scale; ++y) {
        for (int x = 0; x < art.width * scale; ++x) {
            const IconRgba& pixel = art.pixels[static_cast<std::size_t>(y / scale) * art.width + x / scale];
            std::copy(pixel.begin(), pixel.end(), row.begin() + static_cast<std::ptrdiff_t>(x) * 4);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    return true;
}

bool WritePng(const std::string& path, const IconArt& art, int scale) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(static_cast<std::size_t>(art.width) * scale * 4);
    const bool ok = png && info && Encode(png, info, file, art, scale, row);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}

// The bare pixels, scaled.
bool WriteRgba(const std::string& path, const IconArt& art, int scale) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = true;
    for (int y = 0; y < art.height * scale; ++y)
        for (int x = 0; x < art.width * scale; ++x) {
            const IconRgba& pixel = art.pixels[static_cast<std::size_t>(y / scale) * art.width + x / scale];
            ok = ok && std::fwrite(pixel.data(), 1, pixel.size(), file) == pixel.size();
        }
    return std::fclose(file) == 0 && ok;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: make_icon SOURCE SIZE OUTPUT\n";
        return 2;
    }
    try {
        const IconArt art = ReadIconArt(argv[1]);
        const int size = std::stoi(argv[2]);
        if (size <= 0 || size % art.width != 0 || size % art.height != 0 ||
            size / art.width != size / art.height)
            throw IconSourceError(std::string(argv[1]) + ": the art cannot be scaled by whole pixels to " +
                                  argv[2]);
        const int scale = size / art.width;
        if (!(EndsWith(argv[3], ".rgba") ? WriteRgba(argv[3], art, scale) : WritePng(argv[3], art, scale))) {
            std::cerr << "make_icon: cannot write " << argv[3] << "\n";
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}

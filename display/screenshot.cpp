// Screenshots: any page or off-screen surface written as an 8-bit RGB PNG file.
#include <png.h>

#include <cstdio>
#include <vector>

#include "display/context.h"
#include "display/devices.h"
#include "display/graphx.h"

namespace {

// One surface row as red, green, blue bytes, each channel widened as GetPixel widens it.
void ExpandRow(const Surface* surface, int y, std::vector<png_byte>* out) {
    const std::uint16_t* row = surface->Row(y);
    for (int x = 0; x < surface->width; ++x) {
        const COLORREF colour = PixelToColour(row[x]);
        (*out)[3 * x] = static_cast<png_byte>(GetRValue(colour));
        (*out)[3 * x + 1] = static_cast<png_byte>(GetGValue(colour));
        (*out)[3 * x + 2] = static_cast<png_byte>(GetBValue(colour));
    }
}

bool WriteSurface(std::FILE* file, const Surface* surface) {
    std::vector<png_byte> row(static_cast<std::size_t>(surface->width) * 3);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(surface->width),
                 static_cast<png_uint_32>(surface->height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < surface->height; ++y) {
        ExpandRow(surface, y, &row);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool GraphxWritePng(const char* path, int n, int s) {
    GRAPHX_SCOPE();
    Surface* surface = nullptr;
    if (!getDD(n, s, nullptr, &surface, nullptr, -1) || !surface) return false;
    std::FILE* file = std::fopen(path, "wb");
    if (!file) {
        GRAPHX_ERROR("Couldn't open \"%s\" for the screenshot", path);
        return false;
    }
    const bool written = WriteSurface(file, surface);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) GRAPHX_ERROR("Couldn't write the screenshot \"%s\"", path);
    return written && closed;
}

bool GraphxWriteVisiblePng(const char* path) { return GraphxWritePng(path, 0, 1); }

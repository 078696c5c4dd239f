// Encodes the generator's pictures as uncompressed, bottom-up Windows bitmap files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"

// One finished picture: its resource name, its shape and the bytes of its .bmp file.
struct Picture {
    std::string name;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<std::uint8_t> file;
};

Picture encodeBmp(const std::string& name, const RgbImage& image);      // 24-bit BGR
Picture encodeBmp(const std::string& name, const IndexedImage& image);  // 8-bit, 256-entry table
Picture encodeBmp(const std::string& name, const BitImage& image);      // 1-bit, black and white

// The game's icon as pixel art: the reader of resources/icon/icon.txt that the icon makers share.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// One pixel: red, green, blue and opacity, 0 (see-through) to 255.
using IconRgba = std::array<std::uint8_t, 4>;

struct IconArt {
    int width = 0;
    int height = 0;
    std::vector<IconRgba> pixels;  // row by row from the top-left
};

// A mistake in the source; the message begins with the file and line.
class IconSourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the symbols ("symbol CHAR RRGGBB|none"), then the "art NAME WIDTH HEIGHT" line and exactly
// HEIGHT rows of WIDTH known symbols; blank lines and lines starting with '#' are skipped everywhere
// but inside the art. Throws IconSourceError on any mistake.
IconArt ReadIconArt(const std::string& path);

// Painting steps shared by the title and terraforming pictures.
//
// Skies, ridges, grassland, text lines, and shaded lettering ("emblems") such as the
// title and headings.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "fonts.h"
#include "image.h"
#include "source_file.h"

// A two-colour shape, row-major, true = inside.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<bool> cells;

    bool at(int x, int y) const;
};

Mask maskFromArt(const Art& art, char filled);
Mask maskFromText(const Font& font, std::string_view text);
Mask smoothDouble(const Mask& mask);  // twice the size, diagonal steps rounded off

// How an emblem is painted: a vertical colour ramp with lit top edges and shaded lower
// edges, a dark outline and a drop shadow; slant leans it to the right (pixels per row).
struct EmblemStyle {
    std::vector<Rgb> ramp;
    Rgb outline;
    int outlineWidth = 2;
    Rgb shadow;
    int shadowX = 3, shadowY = 3;
    double slant = 0;
};

EmblemStyle readEmblemStyle(const SourceBlock& block, const std::string& prefix);
void paintEmblem(RgbImage& image, const Mask& mask, int x, int y, const EmblemStyle& style);

// Sky from the top row to the horizon row along the ramp, in dithered bands.
void paintSky(RgbImage& image, const std::vector<Rgb>& ramp, int horizon, int bands);
void paintStars(RgbImage& image, int count, int bottom, std::uint32_t seed);

// Ground height for every column: the row of the topmost ground pixel.
std::vector<double> ridgeLine(int width, double base, double amplitude, double scale, std::uint32_t seed,
                              int octaves);
void paintRidge(RgbImage& image, const std::vector<double>& surface, Rgb top, Rgb bottom);

// Grass-green earth on a rock base, lit by slope like the game's own landscapes.
void paintGrassland(RgbImage& image, const std::vector<double>& surface, int fromX, int toX);

// Deterministic drawing helpers: hashing noise, a seeded random sequence, colour ramps, discs.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

// Lattice noise from integer hashing: the same inputs give the same picture on every run.
double hashUnit(int x, int y, std::uint32_t seed);                         // 0 <= v < 1
double valueNoise(double x, double y, std::uint32_t seed);                 // smooth, 0 to 1
double fractalNoise(double x, double y, std::uint32_t seed, int octaves);  // 0 to 1

// A small seeded sequence for scattering things (stars, sparks, clods).
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    std::uint32_t next();
    double unit();                       // 0 <= v < 1
    double range(double lo, double hi);  // lo <= v < hi

private:
    std::uint32_t state_;
};

// Colour at t (0 to 1) along evenly spaced colour stops.
Rgb rampColour(const std::vector<Rgb>& stops, double t);

// Ordered 4x4 dither threshold for pixel (x, y), -0.5 to 0.5: added to a fractional
// position before it is rounded, it turns smooth gradients into crisp retro patterns.
double ditherOffset(int x, int y);

void fillDisc(RgbImage& image, double cx, double cy, double radius, Rgb c);

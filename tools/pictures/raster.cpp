// Noise, random sequence, ramps and shapes for the picture generator.
#include "raster.h"

#include <cmath>

namespace {

std::uint32_t mixBits(std::uint32_t v) {
    v ^= v >> 16;
    v *= 0x7FEB352Du;
    v ^= v >> 15;
    v *= 0x846CA68Bu;
    v ^= v >> 16;
    return v;
}

double smoothStep(double t) { return t * t * (3.0 - 2.0 * t); }

}  // namespace

double hashUnit(int x, int y, std::uint32_t seed) {
    std::uint32_t h = mixBits(static_cast<std::uint32_t>(x) * 0x9E3779B1u ^
                              mixBits(static_cast<std::uint32_t>(y) + seed * 0x85EBCA77u));
    return (h >> 8) / 16777216.0;
}

double valueNoise(double x, double y, std::uint32_t seed) {
    int ix = static_cast<int>(std::floor(x));
    int iy = static_cast<int>(std::floor(y));
    double fx = smoothStep(x - ix);
    double fy = smoothStep(y - iy);
    double top = hashUnit(ix, iy, seed) + (hashUnit(ix + 1, iy, seed) - hashUnit(ix, iy, seed)) * fx;
    double bottom =
        hashUnit(ix, iy + 1, seed) + (hashUnit(ix + 1, iy + 1, seed) - hashUnit(ix, iy + 1, seed)) * fx;
    return top + (bottom - top) * fy;
}

double fractalNoise(double x, double y, std::uint32_t seed, int octaves) {
    double sum = 0, weight = 0, amplitude = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += valueNoise(x, y, seed + static_cast<std::uint32_t>(i) * 101u) * amplitude;
        weight += amplitude;
        amplitude *= 0.5;
        x *= 2.0;
        y *= 2.0;
    }
    return sum / weight;
}

std::uint32_t Random::next() {
    state_ = state_ * 1664525u + 1013904223u;
    return mixBits(state_);
}

double Random::unit() { return (next() >> 8) / 16777216.0; }

double Random::range(double lo, double hi) { return lo + (hi - lo) * unit(); }

Rgb rampColour(const std::vector<Rgb>& stops, double t) {
    if (stops.size() == 1) return stops[0];
    double pos = std::clamp(t, 0.0, 1.0) * static_cast<double>(stops.size() - 1);
    std::size_t i = std::min(static_cast<std::size_t>(pos), stops.size() - 2);
    return mix(stops[i], stops[i + 1], pos - static_cast<double>(i));
}

double ditherOffset(int x, int y) {
    static constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (kBayer[y & 3][x & 3] + 0.5) / 16.0 - 0.5;
}

void fillDisc(RgbImage& image, double cx, double cy, double radius, Rgb c) {
    for (int y = static_cast<int>(std::floor(cy - radius)); y <= static_cast<int>(std::ceil(cy + radius));
         ++y)
        for (int x = static_cast<int>(std::floor(cx - radius)); x <= static_cast<int>(std::ceil(cx + radius));
             ++x)
            if (std::hypot(x - cx, y - cy) <= radius) image.set(x, y, c);
}

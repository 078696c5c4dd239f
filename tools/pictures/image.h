// In-memory pictures of the generator: 24-bit colours, true-colour images and a few pixel helpers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// Channel arithmetic clamps to 0..255 and rounds to nearest, so results never wrap.
std::uint8_t clampChannel(double v);
Rgb mix(Rgb a, Rgb b, double t);       // t = 0 gives a, t = 1 gives b
Rgb scaled(Rgb c, double factor);      // every channel multiplied by factor
Rgb rgbFromHex(std::uint32_t rrggbb);  // 0xRRGGBB as written in the sources

// A true-colour picture, row 0 at the top. Writes outside the picture are ignored,
// which lets the drawing code place shapes that cross the edges.
class RgbImage {
public:
    RgbImage(int width, int height, Rgb fill = {});

    int width() const { return width_; }
    int height() const { return height_; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    Rgb get(int x, int y) const { return pixels_[index(x, y)]; }
    void set(int x, int y, Rgb c);
    void blend(int x, int y, Rgb c, double alpha);                   // alpha 0 keeps the pixel, 1 replaces it
    void add(int x, int y, Rgb c, double amount);                    // additive light, for glows and sparks
    void fillRect(int left, int top, int right, int bottom, Rgb c);  // right and bottom excluded
    void paste(const RgbImage& src, int x, int y, bool skipBlack);

private:
    std::size_t index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

// A picture of at most 256 colours: one palette index per pixel.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> indices;
};

// A two-colour picture, one bool per pixel (true = white).
struct BitImage {
    int width = 0;
    int height = 0;
    std::vector<bool> bits;
};

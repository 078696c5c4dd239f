// Pixel helpers of the picture generator's true-colour images.
#include "image.h"

#include <cmath>

std::uint8_t clampChannel(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

Rgb mix(Rgb a, Rgb b, double t) {
    return {clampChannel(a.r + (b.r - a.r) * t), clampChannel(a.g + (b.g - a.g) * t),
            clampChannel(a.b + (b.b - a.b) * t)};
}

Rgb scaled(Rgb c, double factor) {
    return {clampChannel(c.r * factor), clampChannel(c.g * factor), clampChannel(c.b * factor)};
}

Rgb rgbFromHex(std::uint32_t rrggbb) {
    return {static_cast<std::uint8_t>(rrggbb >> 16), static_cast<std::uint8_t>(rrggbb >> 8),
            static_cast<std::uint8_t>(rrggbb)};
}

RgbImage::RgbImage(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill) {}

void RgbImage::set(int x, int y, Rgb c) {
    if (inside(x, y)) pixels_[index(x, y)] = c;
}

void RgbImage::blend(int x, int y, Rgb c, double alpha) {
    if (inside(x, y)) pixels_[index(x, y)] = mix(pixels_[index(x, y)], c, std::clamp(alpha, 0.0, 1.0));
}

void RgbImage::add(int x, int y, Rgb c, double amount) {
    if (!inside(x, y)) return;
    Rgb& p = pixels_[index(x, y)];
    p = {clampChannel(p.r + c.r * amount), clampChannel(p.g + c.g * amount),
         clampChannel(p.b + c.b * amount)};
}

void RgbImage::fillRect(int left, int top, int right, int bottom, Rgb c) {
    for (int y = std::max(top, 0); y < std::min(bottom, height_); ++y)
        for (int x = std::max(left, 0); x < std::min(right, width_); ++x) pixels_[index(x, y)] = c;
}

void RgbImage::paste(const RgbImage& src, int x, int y, bool skipBlack) {
    for (int sy = 0; sy < src.height(); ++sy)
        for (int sx = 0; sx < src.width(); ++sx) {
            Rgb c = src.get(sx, sy);
            if (!skipBlack || !(c == Rgb{})) set(x + sx, y + sy, c);
        }
}

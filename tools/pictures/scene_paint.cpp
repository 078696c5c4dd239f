// Skies, ridges, grassland and shaded lettering for the full-screen pictures.
#include "scene_paint.h"

#include <cmath>

#include "raster.h"

namespace {

// How far a pixel of an emblem lies from the shape's edge when going up (step -1) or
// down (step 1): 1 on the edge itself, at most 4. Lit and shaded bands follow from it.
int distanceToEdge(const Mask& mask, int x, int y, int step) {
    int d = 1;
    while (d <= 3 && mask.at(x, y + step * d)) ++d;
    return d;
}

bool nearMask(const Mask& mask, int x, int y, int radius) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (dx * dx + dy * dy <= radius * radius + radius && mask.at(x + dx, y + dy)) return true;
    return false;
}

int slantOffset(const EmblemStyle& style, const Mask& mask, int y) {
    return static_cast<int>(std::lround(style.slant * (mask.height - 1 - y)));
}

// Calls paint(px, py, x, y) for every pixel of the emblem's area grown by margin.
template <typename Paint>
void forEmblemArea(const Mask& mask, const EmblemStyle& style, int margin, Paint paint) {
    for (int y = -margin; y < mask.height + margin; ++y)
        for (int x = -margin; x < mask.width + margin; ++x) paint(x + slantOffset(style, mask, y), y, x, y);
}

Rgb emblemBody(const Mask& mask, const EmblemStyle& style, int x, int y) {
    Rgb c = rampColour(style.ramp, static_cast<double>(y) / std::max(1, mask.height - 1));
    int fromTop = distanceToEdge(mask, x, y, -1);
    int fromBottom = distanceToEdge(mask, x, y, 1);
    if (fromTop == 1) return mix(c, Rgb{255, 255, 255}, 0.6);
    if (fromTop == 2) return mix(c, Rgb{255, 255, 255}, 0.25);
    if (fromBottom <= 2) return scaled(c, fromBottom == 1 ? 0.55 : 0.75);
    return c;
}

}  // namespace

bool Mask::at(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height && cells[static_cast<std::size_t>(y) * width + x];
}

Mask maskFromArt(const Art& art, char filled) {
    Mask m{art.width, art.height, {}};
    for (const std::string& row : art.rows)
        for (char c : row) m.cells.push_back(c == filled);
    return m;
}

Mask maskFromText(const Font& font, std::string_view text) {
    RgbImage ink(textWidth(font, text), font.cellHeight);
    drawText(ink, font, 0, 0, text, Rgb{255, 255, 255});
    Mask m{ink.width(), ink.height(), {}};
    for (int y = 0; y < ink.height(); ++y)
        for (int x = 0; x < ink.width(); ++x) m.cells.push_back(ink.get(x, y).r != 0);
    return m;
}

// Scale2x: every cell becomes four, and a quarter takes a neighbour's value where two
// neighbours agree, which rounds the corners of the doubled shape.
Mask smoothDouble(const Mask& mask) {
    Mask out{mask.width * 2, mask.height * 2,
             std::vector<bool>(static_cast<std::size_t>(mask.width) * mask.height * 4)};
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            bool p = mask.at(x, y), a = mask.at(x, y - 1), b = mask.at(x + 1, y);
            bool c = mask.at(x - 1, y), d = mask.at(x, y + 1);
            bool quarter[4] = {(c == a && c != d && a != b) ? a : p, (a == b && a != c && b != d) ? b : p,
                               (d == c && d != b && c != a) ? c : p, (b == d && b != a && d != c) ? d : p};
            for (int q = 0; q < 4; ++q)
                out.cells[static_cast<std::size_t>(2 * y + q / 2) * out.width + 2 * x + q % 2] = quarter[q];
        }
    return out;
}

EmblemStyle readEmblemStyle(const SourceBlock& block, const std::string& prefix) {
    EmblemStyle style;
    style.ramp = block.colours(prefix + "-ramp", 1);
    const Entry& outline = block.entry(prefix + "-outline");
    style.outline = outline.colour(0);
    style.outlineWidth = outline.integer(1, 0, 6);
    const Entry& shadow = block.entry(prefix + "-shadow");
    style.shadow = shadow.colour(0);
    style.shadowX = shadow.integer(1, -10, 10);
    style.shadowY = shadow.integer(2, -10, 10);
    style.slant = block.number(prefix + "-slant", -1.0, 1.0);
    return style;
}

void paintEmblem(RgbImage& image, const Mask& mask, int x, int y, const EmblemStyle& style) {
    int margin = style.outlineWidth;
    auto outlined = [&](int mx, int my) { return nearMask(mask, mx, my, style.outlineWidth); };
    forEmblemArea(mask, style, margin, [&](int px, int py, int mx, int my) {
        if (outlined(mx, my)) image.set(x + px + style.shadowX, y + py + style.shadowY, style.shadow);
    });
    forEmblemArea(mask, style, margin, [&](int px, int py, int mx, int my) {
        if (mask.at(mx, my))
            image.set(x + px, y + py, emblemBody(mask, style, mx, my));
        else if (outlined(mx, my))
            image.set(x + px, y + py, style.outline);
    });
}

void paintSky(RgbImage& image, const std::vector<Rgb>& ramp, int horizon, int bands) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            double t = std::clamp(static_cast<double>(y) / horizon, 0.0, 1.0);
            double band = std::floor(t * bands + ditherOffset(x, y) + 0.5) / bands;
            image.set(x, y, rampColour(ramp, band));
        }
}

void paintStars(RgbImage& image, int count, int bottom, std::uint32_t seed) {
    Random random(seed);
    for (int i = 0; i < count; ++i) {
        int x = static_cast<int>(random.range(0, image.width()));
        int y = static_cast<int>(random.range(0, bottom));
        double brightness = random.range(0.35, 1.0) * (1.0 - 0.7 * y / bottom);
        Rgb star = mix(Rgb{255, 240, 210}, Rgb{200, 220, 255}, random.unit());
        image.add(x, y, star, brightness);
        if (brightness > 0.8)
            for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                image.add(x + dx, y + dy, star, 0.3);
    }
}

std::vector<double> ridgeLine(int width, double base, double amplitude, double scale, std::uint32_t seed,
                              int octaves) {
    std::vector<double> surface;
    for (int x = 0; x < width; ++x)
        surface.push_back(base - amplitude * (2.0 * fractalNoise(x / scale, 0.5, seed, octaves) - 1.0));
    return surface;
}

void paintRidge(RgbImage& image, const std::vector<double>& surface, Rgb top, Rgb bottom) {
    for (int x = 0; x < image.width(); ++x) {
        int from = static_cast<int>(std::lround(surface[x]));
        for (int y = std::max(from, 0); y < image.height(); ++y)
            image.set(x, y, mix(top, bottom, std::clamp((y - from) / 40.0, 0.0, 1.0)));
    }
}

// Each column is earth from its surface down, its colour rising from dark green at the
// bottom to bright yellow-green at the top of sunlit slopes; the lowest fifth is rock.
void paintGrassland(RgbImage& image, const std::vector<double>& surface, int fromX, int toX) {
    int bottom = image.height() - 1;
    for (int x = std::max(fromX, 0); x < std::min(toX, image.width()); ++x) {
        int top = static_cast<int>(std::lround(surface[x]));
        int c = bottom - top;
        if (c <= 0) continue;
        double slope = (surface[std::max(x - 3, 0)] - surface[std::min(x + 3, image.width() - 1)]) / 3.0;
        double k = slope >= 0 ? 1.0 - 0.5 * std::exp(-0.6 * slope) : 0.5 * std::exp(0.6 * slope);
        int rock = c / 5;
        for (int i = 0; i <= c; ++i) {
            double t = static_cast<double>(i) / c;
            Rgb colour = i < rock ? Rgb{clampChannel(10 + 50.0 * i / std::max(rock, 1)), 0, 0}
                                  : Rgb{clampChannel(32 * k * t), clampChannel(32 + 223 * k * t), 0};
            if (i < rock) colour.g = colour.b = colour.r;
            if (i >= rock && hashUnit(x, i, 77) < 0.04) colour = scaled(colour, 0.8);
            if (i == c) colour = mix(colour, Rgb{255, 255, 200}, 0.35);
            image.set(x, bottom - i, colour);
        }
    }
}

// Median-cut palette reduction for the 8-bit pictures.
#include "quantise.h"

#include <algorithm>
#include <array>
#include <map>

namespace {

constexpr std::size_t kMaxColours = 256;

struct Count {
    Rgb colour;
    long weight;
};

// A box of the colour cube: a range of the counts vector, which is sorted within boxes.
struct Box {
    std::size_t begin, end;
};

int channel(Rgb c, int axis) { return axis == 0 ? c.r : axis == 1 ? c.g : c.b; }

std::uint32_t key(Rgb c) { return static_cast<std::uint32_t>(c.r) << 16 | c.g << 8 | c.b; }

// The widest channel of a box and how wide it is.
std::pair<int, int> widestAxis(const std::vector<Count>& counts, Box box) {
    std::array<int, 3> lo{255, 255, 255}, hi{0, 0, 0};
    for (std::size_t i = box.begin; i < box.end; ++i)
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], channel(counts[i].colour, a));
            hi[a] = std::max(hi[a], channel(counts[i].colour, a));
        }
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (hi[a] - lo[a] > hi[axis] - lo[axis]) axis = a;
    return {axis, hi[axis] - lo[axis]};
}

// Splits the box with the widest spread at the weighted median of its widest channel.
bool splitOnce(std::vector<Count>& counts, std::vector<Box>& boxes) {
    std::size_t best = boxes.size();
    int bestSpread = 0, bestAxis = 0;
    for (std::size_t b = 0; b < boxes.size(); ++b) {
        if (boxes[b].end - boxes[b].begin < 2) continue;
        auto [axis, spread] = widestAxis(counts, boxes[b]);
        if (spread > bestSpread) {
            best = b;
            bestSpread = spread;
            bestAxis = axis;
        }
    }
    if (best == boxes.size()) return false;
    Box box = boxes[best];
    auto first = counts.begin() + static_cast<std::ptrdiff_t>(box.begin);
    auto last = counts.begin() + static_cast<std::ptrdiff_t>(box.end);
    std::stable_sort(first, last, [&](const Count& a, const Count& b) {
        return channel(a.colour, bestAxis) < channel(b.colour, bestAxis);
    });
    long total = 0, running = 0;
    for (auto it = first; it != last; ++it) total += it->weight;
    std::size_t cut = box.begin + 1;
    for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
        running += counts[i].weight;
        cut = i + 1;
        if (running * 2 >= total) break;
    }
    boxes[best] = {box.begin, cut};
    boxes.push_back({cut, box.end});
    return true;
}

Rgb boxMean(const std::vector<Count>& counts, Box box) {
    double r = 0, g = 0, b = 0, w = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        r += counts[i].colour.r * static_cast<double>(counts[i].weight);
        g += counts[i].colour.g * static_cast<double>(counts[i].weight);
        b += counts[i].colour.b * static_cast<double>(counts[i].weight);
        w += static_cast<double>(counts[i].weight);
    }
    return {clampChannel(r / w), clampChannel(g / w), clampChannel(b / w)};
}

std::uint8_t nearest(const std::vector<Rgb>& palette, Rgb c) {
    std::size_t best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        long dr = c.r - palette[i].r, dg = c.g - palette[i].g, db = c.b - palette[i].b;
        long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return static_cast<std::uint8_t>(best);
}

}  // namespace

IndexedImage quantise(const RgbImage& image) {
    // Count every colour; the map keeps them in a fixed order.
    std::map<std::uint32_t, Count> histogram;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            Rgb c = image.get(x, y);
            auto [it, fresh] = histogram.try_emplace(key(c), Count{c, 0});
            ++it->second.weight;
        }
    std::vector<Count> counts;
    for (const auto& [k, count] : histogram) counts.push_back(count);

    // Choose the palette: the colours themselves, or the means of the median-cut boxes.
    std::vector<Rgb> palette;
    if (counts.size() <= kMaxColours) {
        for (const Count& c : counts) palette.push_back(c.colour);
    } else {
        std::vector<Box> boxes{{0, counts.size()}};
        while (boxes.size() < kMaxColours && splitOnce(counts, boxes)) {
        }
        for (Box b : boxes) palette.push_back(boxMean(counts, b));
    }

    // Map each distinct colour once, then every pixel.
    std::map<std::uint32_t, std::uint8_t> lookup;
    for (const Count& c : counts) lookup[key(c.colour)] = nearest(palette, c.colour);
    IndexedImage out{image.width(), image.height(), palette, {}};
    out.indices.reserve(static_cast<std::size_t>(image.width()) * image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) out.indices.push_back(lookup[key(image.get(x, y))]);
    return out;
}

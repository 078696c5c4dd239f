// Explosion pictures: fireballs, dust clouds and firework stars, drawn centred on black.
//
// Two styles, "blast" and "burst", take their numbers from resources/pictures/explosions.txt.
#include <cmath>
#include <numbers>

#include "pictures.h"
#include "raster.h"

namespace {

constexpr double kTau = 2.0 * std::numbers::pi;

struct Canvas {
    RgbImage image;
    double centre;  // the picture's middle pixel, the same in x and y
};

Canvas makeCanvas(const SourceBlock& block) {
    int size = block.integer("size", 5, 511);
    if (size % 2 == 0)
        block.entry("size").fail("an explosion needs an odd size, so that it has a middle pixel");
    return {RgbImage(size, size), (size - 1) / 2.0};
}

// Rim of a blast at angle a: noise sampled round a circle, so the rim closes on itself.
double rimRadius(double a, double radius, double roughness, double lobes, std::uint32_t seed) {
    double n = fractalNoise(std::cos(a) * lobes / std::numbers::pi + 50.0,
                            std::sin(a) * lobes / std::numbers::pi + 50.0, seed, 3);
    return radius * (1.0 - roughness * n);
}

// The body of a blast: hot in the middle, cooling through the ramp towards a ragged rim,
// with billowing texture and a soft dark edge.
void paintFireball(Canvas& canvas, const SourceBlock& block, std::uint32_t seed) {
    double radius = block.number("radius", 1.0, 255.0);
    double roughness = block.number("roughness", 0.0, 0.9);
    double lobes = block.number("lobes", 0.5, 40.0);
    double billow = block.number("billow", 0.0, 2.0);
    double billowSize = block.number("billow-size", 0.5, 100.0);
    std::vector<Rgb> ramp = block.colours("ramp", 2);
    for (int y = 0; y < canvas.image.height(); ++y)
        for (int x = 0; x < canvas.image.width(); ++x) {
            double dx = x - canvas.centre, dy = y - canvas.centre;
            double t = std::hypot(dx, dy) / rimRadius(std::atan2(dy, dx), radius, roughness, lobes, seed);
            if (t > 1.12) continue;
            double texture = fractalNoise(x / billowSize, y / billowSize, seed + 17, 4) - 0.5;
            double heat = std::clamp(t * t + texture * billow, 0.0, 1.0);
            Rgb colour = rampColour(ramp, heat);
            canvas.image.set(x, y, t <= 1.0 ? colour : scaled(colour, (1.12 - t) / 0.12 * 0.6));
        }
}

// Streaks of light flung out of the blast.
void paintRays(Canvas& canvas, const SourceBlock& block, Random& random) {
    if (!block.has("rays")) return;
    const Entry& e = block.entry("rays");
    int count = e.integer(0, 0, 200);
    double from = e.number(1, 0.0, 255.0), to = e.number(2, 0.0, 255.0);
    Rgb colour = e.colour(3);
    double strength = e.number(4, 0.0, 1.0);
    for (int i = 0; i < count; ++i) {
        double a = kTau * (i + random.range(-0.3, 0.3)) / count;
        double length = random.range(from, to);
        for (double s = from * 0.5; s <= length; s += 0.5) {
            double fade = 1.0 - (s - from * 0.5) / (length - from * 0.5 + 1.0);
            canvas.image.add(static_cast<int>(std::lround(canvas.centre + std::cos(a) * s)),
                             static_cast<int>(std::lround(canvas.centre + std::sin(a) * s)), colour,
                             strength * fade);
        }
    }
}

// Single bright points scattered round the blast, some with a faint cross of light.
void paintSparks(Canvas& canvas, const SourceBlock& block, Random& random) {
    if (!block.has("sparks")) return;
    const Entry& e = block.entry("sparks");
    int count = e.integer(0, 0, 2000);
    double from = e.number(1, 0.0, 255.0), to = e.number(2, 0.0, 255.0);
    Rgb colour = e.colour(3);
    for (int i = 0; i < count; ++i) {
        double a = random.range(0.0, kTau), d = random.range(from, to);
        int x = static_cast<int>(std::lround(canvas.centre + std::cos(a) * d));
        int y = static_cast<int>(std::lround(canvas.centre + std::sin(a) * d));
        canvas.image.add(x, y, colour, 1.0);
        if (random.unit() < 0.3)
            for (auto [ox, oy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                canvas.image.add(x + ox, y + oy, colour, 0.35);
    }
}

// A thin shock wave round the blast.
void paintRing(Canvas& canvas, const SourceBlock& block) {
    if (!block.has("ring")) return;
    const Entry& e = block.entry("ring");
    double radius = e.number(0, 1.0, 255.0), width = e.number(1, 0.5, 50.0);
    Rgb colour = e.colour(2);
    for (int y = 0; y < canvas.image.height(); ++y)
        for (int x = 0; x < canvas.image.width(); ++x) {
            double off = std::fabs(std::hypot(x - canvas.centre, y - canvas.centre) - radius) / width;
            if (off < 1.0) canvas.image.add(x, y, colour, (1.0 - off) * (1.0 - off));
        }
}

// Lumps of earth thrown out of a crater: small dark blobs with a lit upper edge.
void paintClods(Canvas& canvas, const SourceBlock& block, Random& random) {
    if (!block.has("clods")) return;
    const Entry& e = block.entry("clods");
    int count = e.integer(0, 0, 2000);
    double from = e.number(1, 0.0, 255.0), to = e.number(2, 0.0, 255.0);
    Rgb dark = e.colour(3), light = e.colour(4);
    for (int i = 0; i < count; ++i) {
        double a = random.range(0.0, kTau), d = random.range(from, to);
        double x = canvas.centre + std::cos(a) * d, y = canvas.centre + std::sin(a) * d;
        double size = random.range(0.6, 1.8);
        fillDisc(canvas.image, x, y, size, dark);
        canvas.image.set(static_cast<int>(std::lround(x - size * 0.4)),
                         static_cast<int>(std::lround(y - size * 0.6)), light);
    }
}

RgbImage blastImage(const SourceBlock& block) {
    Canvas canvas = makeCanvas(block);
    auto seed = static_cast<std::uint32_t>(block.integer("seed", 0, 1000000));
    Random random(seed);
    paintFireball(canvas, block, seed);
    paintRing(canvas, block);
    paintRays(canvas, block, random);
    paintClods(canvas, block, random);
    paintSparks(canvas, block, random);
    return canvas.image;
}

// The look of one firework star, read from its block.
struct Star {
    Rgb colour, tip, core;
    int rays;
    double inner, outer, spacing, twist, droop, phase;
};

Star readStar(const SourceBlock& block) {
    return {block.colour("colour"),
            block.colour("tip"),
            block.colour("core"),
            block.integer("rays", 0, 64),
            block.number("inner", 0.0, 20.0),
            block.number("outer", 0.0, 20.0),
            block.number("spacing", 0.5, 10.0),
            block.number("twist", -6.0, 6.0),
            block.number("droop", -10.0, 10.0),
            block.number("phase", 0.0, 1.0)};
}

// One trail of sparks from the middle outwards; the end of the trail burns brightest.
void paintTrail(Canvas& canvas, const Star& star, double angle) {
    for (double s = star.inner; s <= star.outer + 1e-9; s += star.spacing) {
        double f = star.outer > 0 ? s / star.outer : 1.0;
        double a = angle + star.twist * f;
        double x = canvas.centre + std::cos(a) * s;
        double y = canvas.centre + std::sin(a) * s + star.droop * f * f;
        int px = static_cast<int>(std::lround(x)), py = static_cast<int>(std::lround(y));
        canvas.image.add(px, py, mix(star.colour, star.tip, f), 0.55 + 0.45 * f);
        if (s + star.spacing > star.outer + 1e-9)
            for (auto [ox, oy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                canvas.image.add(px + ox, py + oy, star.tip, 0.3);
    }
}

// Extra rings of single sparks: ring RADIUS COUNT RRGGBB.
void paintSparkRings(Canvas& canvas, const SourceBlock& block) {
    for (const Entry* e : block.all("ring")) {
        double radius = e->number(0, 0.0, 20.0);
        int count = e->integer(1, 1, 200);
        Rgb colour = e->colour(2);
        for (int i = 0; i < count; ++i) {
            double a = kTau * (i + 0.5) / count;
            canvas.image.add(static_cast<int>(std::lround(canvas.centre + std::cos(a) * radius)),
                             static_cast<int>(std::lround(canvas.centre + std::sin(a) * radius)), colour,
                             1.0);
        }
    }
}

RgbImage burstImage(const SourceBlock& block) {
    Canvas canvas = makeCanvas(block);
    Star star = readStar(block);
    for (int i = 0; i < star.rays; ++i) paintTrail(canvas, star, kTau * (i + star.phase) / star.rays);
    paintSparkRings(canvas, block);
    if (block.has("glitter")) {
        const Entry& e = block.entry("glitter");
        Random random(static_cast<std::uint32_t>(e.integer(0, 0, 1000000)));
        int count = e.integer(1, 0, 400);
        for (int i = 0; i < count; ++i) {
            double a = random.range(0.0, kTau), d = random.range(star.inner, star.outer + 1.0);
            canvas.image.add(static_cast<int>(std::lround(canvas.centre + std::cos(a) * d)),
                             static_cast<int>(std::lround(canvas.centre + std::sin(a) * d)), star.tip, 0.6);
        }
    }
    auto c = static_cast<int>(canvas.centre);
    canvas.image.add(c, c, star.core, 1.0);
    for (auto [ox, oy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        canvas.image.add(c + ox, c + oy, star.core, 0.5);
    return canvas.image;
}

}  // namespace

RgbImage explosionImage(const SourceFile& explosions, const std::string& name) {
    const SourceBlock& block = explosions.picture(name);
    const Entry& style = block.entry("style");
    if (style.word(0) == "blast") return blastImage(block);
    if (style.word(0) != "burst") style.fail("style must be 'blast' or 'burst'");
    return burstImage(block);
}

std::vector<Picture> buildExplosionPictures(const PictureSources& sources) {
    std::vector<Picture> out;
    for (std::size_t i = 1; i < sources.explosions.blocks.size(); ++i) {
        const std::string& name = sources.explosions.blocks[i].name;
        out.push_back(encodeBmp(name, explosionImage(sources.explosions, name)));
    }
    return out;
}

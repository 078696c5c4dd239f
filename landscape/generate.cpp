// Landscape generation: the three terrain kinds, the two column styles and the four skies.
//
// The random draws come in a fixed order (the game's replays depend on it): the terrain kind's
// own draws before its first column, the draws of the column styles pixel by pixel from the bottom
// of each column, then the kinds' choices. Waves and heights are single-precision, as are their
// constants; the column colours are worked out in double precision.
#include <algorithm>
#include <array>
#include <cmath>

#include "core/exact_maths.h"
#include "core/globals.h"
#include "core/random.h"
#include "diag/diag.h"
#include "landscape/landscape.h"
#include "landscape/pixels.h"

namespace {

using landscape::TableCos;
using landscape::TableSin;

// Column styles: lit green earth (kinds 0 and 1) and brown earth under grass (kind 2).
constexpr int STYLE_LIT = 4;
constexpr int STYLE_BROWN = 5;
constexpr int PROGRESS_EVERY = 5;
// Radians in a tenth of a degree: turns the table's per-column phase steps into slopes.
constexpr float RADIANS_PER_TENTH = 0.0017453294f;
constexpr int FULL_TURN = 3600;

// One draw scaled to 0..1.
float Fraction() { return static_cast<float>(game::rand()) * game::RAND_FRACTION; }

void ReportColumn(Landscape::ProgressCallback progress, int x, int width) {
    if (progress && x % PROGRESS_EVERY == 0) progress(static_cast<float>(x) / static_cast<float>(width));
}

// A sine wave over the columns: amplitude in pixels, frequency and phase in tenths of a degree.
struct Wave {
    float amplitude;
    float frequency;
    float phase;
};

// Kind 0, rolling hills: one long wave and three short ones about the middle height. The long
// wave turns through 0.6 to 0.9 of a circle over the width, the short ones through about five.
void RollingHills(Landscape& land, Landscape::ProgressCallback progress) {
    const int w = land.width;
    const int h = land.height;
    std::array<Wave, 4> waves{};
    waves[0].amplitude = static_cast<float>(h) * 0.25f * (0.9f + 0.10000002f * Fraction());
    waves[0].frequency = static_cast<float>(5400 / w) * (0.4f + 0.20000002f * Fraction());
    waves[0].phase = static_cast<float>(game::rand() % FULL_TURN);
    for (std::size_t k = 1; k < waves.size(); ++k) {
        waves[k].amplitude = static_cast<float>(h) * 0.2f * 0.33333334f * 0.5f;
        waves[k].frequency = static_cast<float>(36000 / w) * (0.4f + 0.20000002f * Fraction());
        waves[k].phase = static_cast<float>(game::rand() % FULL_TURN);
    }
    for (int x = 0; x < w; ++x) {
        float height = static_cast<float>(h) * 0.5f;
        float slope = 0.0f;
        for (Wave& wave : waves) {
            const int a = static_cast<int>(wave.phase);
            height += wave.amplitude * TableSin(a);
            slope += wave.amplitude * TableCos(a) * wave.frequency * RADIANS_PER_TENTH;
            wave.phase += wave.frequency;
        }
        land.SetTerrainHeight(x, static_cast<int>(height), STYLE_LIT, slope);
        ReportColumn(progress, x, w);
    }
}

// Kind 1, peaks: four slow waves raised to the sixth power over a low floor, so that flat
// valleys lie between sharp peaks.
void Peaks(Landscape& land, Landscape::ProgressCallback progress) {
    const int w = land.width;
    const int h = land.height;
    std::array<Wave, 4> waves{};
    const float amplitude = static_cast<float>(6 * h) * 0.125f * 0.25f;
    for (Wave& wave : waves) {
        wave.amplitude = amplitude;
        wave.frequency = (Fraction() + 1.0f) * 4.0f;
        wave.phase = static_cast<float>(game::rand() % FULL_TURN);
    }
    for (int x = 0; x < w; ++x) {
        float height = static_cast<float>(h) * 0.125f;
        float slope = 0.0f;
        for (Wave& wave : waves) {
            const int a = static_cast<int>(wave.phase);
            const float sn = TableSin(a);
            const float cs = TableCos(a);
            const float sn5 = sn * sn * sn * sn * sn;
            height += wave.amplitude * (sn5 * sn);
            slope += 6.0f * wave.amplitude * wave.frequency * RADIANS_PER_TENTH * cs * sn5;
            wave.phase += wave.frequency;
        }
        land.SetTerrainHeight(x, static_cast<int>(height), STYLE_LIT, slope);
        ReportColumn(progress, x, w);
    }
}

// Kind 2, plateaus and ramps: straight segments between random target heights, mostly gentle
// steps of up to h/18 over 5 to 20 columns, now and then a cliff of at least h/3 over 20 to 30.
// Everything stays between h/6 and 5h/6; each segment reaches its target only at the first
// column of the next.
void Plateaus(Landscape& land, Landscape::ProgressCallback progress) {
    const int w = land.width;
    const int h = land.height;
    const int low = h / 6;
    const int high = 5 * h / 6;
    const int r1 = game::rand();
    const int r2 = game::rand();
    int target = low + r2 % (r1 % (4 * h / 6) + 1);
    int x = 0;
    while (x < w) {
        const int start = target;
        int columns = 0;
        if (game::rand() % 12 == 0) {
            if (target < h / 2) {
                const int lo = target + h / 3;
                target = lo + game::rand() % (high - lo + 1);
            } else {
                const int hi = target - h / 3;
                target = low + game::rand() % (hi - low + 1);
            }
            columns = 20 + game::rand() % 11;
        } else {
            const int hi = std::min(target + h / 18, high);
            const int lo = std::max(target - h / 18, low);
            target = lo + game::rand() % (hi - lo + 1);
            columns = 5 + game::rand() % 16;
        }
        for (int j = 0; j < columns && x < w; ++j, ++x) {
            land.SetTerrainHeight(x, start + j * (target - start) / columns, STYLE_BROWN, 0.0);
            ReportColumn(progress, x, w);
        }
    }
}

// A pixel of a column: its material and colour.
struct Paint {
    std::int32_t material;
    COLORREF colour;
};

// Style 4 lights the earth by the slope: 0.5 on the flat, towards 1 facing up a rising slope and
// towards 0 on a falling one.
double Light(double slope) {
    return slope >= 0.0 ? 1.0 - 0.5 * exact::Exp(-0.6 * slope) : 0.5 * exact::Exp(0.6 * slope);
}

// Style 4, pixel i of a column of height c: a fifth of dark grey rock at the bottom, the rest
// green earth brightening towards the top as the light allows. A rock pixel draws one number.
Paint LitPixel(int i, int c, double light) {
    const int q = c / 5;
    if (i < q) {
        const int g = 50 * i / q + 10;
        return {Rock, RandomShade(g, g, g)};
    }
    const double t = c > 0 ? static_cast<double>(i) / c : 0.0;
    return {Earth, RGB(static_cast<int>(32 * light * t), 32 + static_cast<int>(223 * light * t), 0)};
}

// Style 5, pixel i of a column of height c: speckled grey rock up to a fifth (one draw a pixel),
// then brown earth darkest at the bottom under five rows of grass that blends into the earth over
// the ten rows below. Every earth pixel draws its grass shade, used or not.
Paint BrownPixel(int i, int c) {
    const int q = c / 5;
    if (i <= q) {
        const int g = q > 0 ? 40 * i / q + 10 : 10;
        if (game::rand() % 20 == 0) {
            const int speck = static_cast<int>(g * 0.83);
            return {Rock, RGB(speck, speck, speck)};
        }
        return {Rock, RGB(g, g, g)};
    }
    const double v = 0.7 * i / c + 0.3;
    const int earth[3] = {static_cast<int>(113 * v), static_cast<int>(62 * v), static_cast<int>(21 * v)};
    const int g1 = game::rand() % 40;
    const int g2 = game::rand() % 60;
    const int grass[3] = {g2, 160 + g1, 0};
    if (i > c - 5) return {Earth, RGB(grass[0], grass[1], grass[2])};
    if (i > c - 15) {
        const double f = (c - 5 - i) * 0.1;
        auto blend = [f](int e, int g) { return static_cast<int>(e * f + g * (1 - f)); };
        return {Earth, RGB(blend(earth[0], grass[0]), blend(earth[1], grass[1]), blend(earth[2], grass[2]))};
    }
    return {Earth, RGB(earth[0], earth[1], earth[2])};
}

// The skies, pixel (x, y) of a sky of w x h.
enum SkyKind { SKY_NIGHT, SKY_SUNSET, SKY_BANDS, SKY_CLOUDS, SKY_KINDS };

// Blue at the top fading to black.
COLORREF Night(int, int y, int, int h) { return RGB(0, 0, 255 * (h - 1 - y) / (h - 1)); }

// Blue at the top, orange at the bottom, redder to the right.
COLORREF Sunset(int x, int y, int w, int h) {
    return RGB((200 + 50 * x / (w - 1)) * y / (h - 1), (115 - 15 * x / (w - 1)) * y / (h - 1),
               200 - 200 * y / (h - 1));
}

// Three bands of h/3 rows, brightest down the middle: yellow to magenta, magenta to cyan, cyan to
// blue. The rows below the third band are never painted.
COLORREF Bands(int x, int y, int w, int h) {
    const int b = h / 3;
    const int c = 170 + (-145 * (x - w / 2) * (x - w / 2)) / (w * w / 4);
    const int a = c * (y % b) / b;
    switch (y / b) {
        case 0:
            return RGB(c, c - a, a);
        case 1:
            return RGB(c - a, a, c);
        default:
            return RGB(0, c - a, c);
    }
}

// Dark blue mottling from three crossed waves.
COLORREF Clouds(int x, int y, int, int) {
    const float s1 = TableSin(57 * x + 191 * y);
    const float s2 = TableSin(52 * x + 115 * y + 191);
    const float s3 = TableSin(46 * x + 82 * y + 819);
    return RGB(0, 0, 40 + static_cast<int>(40.0f * s1 * s2 * s3));
}

// Paints the sky picture one pixel at a time; an unknown kind leaves it as it was.
void PaintSky(int kind, int w, int h) {
    using SkyColour = COLORREF (*)(int x, int y, int w, int h);
    static constexpr SkyColour SKIES[SKY_KINDS] = {Night, Sunset, Bands, Clouds};
    if (kind < 0 || kind >= SKY_KINDS) return;
    landscape::SurfaceContext context(SkySurface);
    if (!context) return;
    const int rows = kind == SKY_BANDS ? h / 3 * 3 : h;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < w; ++x) SetPixel(context.dc(), x, y, SKIES[kind](x, y, w, h));
    }
}

}  // namespace

// 1. Report the start. 2-3. Clear the picture to white, or give up when it cannot be had.
// 4. Build the terrain column by column. 5. Paint the sky. 6. Summarise the columns.
void Landscape::Generate(int kind, int skyKind, ProgressCallback progress) {
    DIAG_SCOPE_NAMED("Landscape::Generate", "main");
    using Terrain = void (*)(Landscape&, ProgressCallback);
    static constexpr Terrain TERRAINS[] = {RollingHills, Peaks, Plateaus};

    if (progress) progress(0.0f);
    {
        landscape::SurfaceContext context(LandscapeSurface);
        if (!context) return;
        GraphxFillRect(context.dc(), 0, 0, width, height, landscape::WHITE);
    }
    if (kind == -1) kind = RandomLandscapeKind();
    if (kind >= 0 && kind < static_cast<int>(std::size(TERRAINS))) TERRAINS[kind](*this, progress);
    if (skyKind == -1) skyKind = RandomSkyKind();
    PaintSky(skyKind, skyWidth, skyHeight);
    ScanAllColumns();
}

// Row i of the column counts from the bottom: pixel (x, height - 1 - i). The Air above keeps the
// colour it has.
void Landscape::SetTerrainHeight(int x, int columnHeight, int style, double slope) {
    DIAG_SCOPE_NAMED("Landscape::SetTerrainHeight", "main");
    landscape::SurfaceContext context(LandscapeSurface);
    if (!context) return;
    const int c = std::clamp(columnHeight, 0, height - 1);
    const double light = Light(slope);
    for (int i = 0; i <= c; ++i) {
        const int y = height - 1 - i;
        const Paint paint = style == STYLE_LIT ? LitPixel(i, c, light) : BrownPixel(i, c);
        Cell(x, y) = paint.material;
        SetPixel(context.dc(), x, y, paint.colour);
    }
    for (int y = height - 2 - c; y >= 0; --y) Cell(x, y) = Air;
}

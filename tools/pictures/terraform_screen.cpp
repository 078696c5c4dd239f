// The terraforming picture, shown while a new landscape is made.
//
// A heading, an empty trough in which the game draws its progress bar, and a landscape
// half built; parameters in resources/pictures/terraform.txt.
#include <cmath>

#include "pictures.h"
#include "quantise.h"
#include "raster.h"
#include "scene_paint.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;

// Where the game draws its progress bar: columns 32 to 284, rows 48 to 60 (right and
// bottom just outside). Nothing of the picture may show there.
constexpr int kBarLeft = 32, kBarTop = 48, kBarRight = 285, kBarBottom = 61;

// Faint lines of a drawing board behind everything.
void paintGrid(RgbImage& image, const Entry& grid) {
    int spacing = grid.integer(0, 2, 100);
    Rgb colour = grid.colour(1);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (x % spacing == 0 || y % spacing == 0) image.blend(x, y, colour, 0.5);
}

void paintHeading(RgbImage& image, const PictureSources& sources, const SourceBlock& block) {
    const Entry& heading = block.entry("heading");
    Mask mask = smoothDouble(maskFromText(sources.normalFont, heading.rest(1)));
    EmblemStyle style = readEmblemStyle(block, "heading");
    int leaning = static_cast<int>(std::lround(style.slant * mask.height));
    paintEmblem(image, mask, (kWidth - mask.width - leaning) / 2, heading.integer(0, -20, kHeight), style);
}

// A sunken trough round the bar: raised outer rim, dark inner edge, black inside.
void paintBarTrough(RgbImage& image, const Entry& frame) {
    Rgb light = frame.colour(0), face = frame.colour(1), dark = frame.colour(2);
    image.fillRect(kBarLeft - 4, kBarTop - 4, kBarRight + 4, kBarBottom + 4, light);
    image.fillRect(kBarLeft - 3, kBarTop - 3, kBarRight + 4, kBarBottom + 4, dark);
    image.fillRect(kBarLeft - 3, kBarTop - 3, kBarRight + 3, kBarBottom + 3, face);
    image.fillRect(kBarLeft - 1, kBarTop - 1, kBarRight + 1, kBarBottom + 1, light);
    image.fillRect(kBarLeft - 1, kBarTop - 1, kBarRight, kBarBottom, dark);
    image.fillRect(kBarLeft, kBarTop, kBarRight, kBarBottom, Rgb{});
}

// The unfinished part of the landscape: its outline and a lattice of survey lines.
void paintWireframe(RgbImage& image, const std::vector<double>& ground, int fromX, const Entry& wire) {
    int spacing = wire.integer(0, 2, 50);
    Rgb line = wire.colour(1), edge = wire.colour(2);
    for (int x = fromX; x < kWidth; ++x) {
        int top = static_cast<int>(std::lround(ground[x]));
        for (int y = top; y < kHeight; ++y)
            if (x % spacing == 0 || (y - kHeight + 1) % spacing == 0) image.blend(x, y, line, 0.8);
        int prev = static_cast<int>(std::lround(ground[x - 1]));
        for (int y = std::min(top, prev); y <= std::max(top, prev); ++y) image.set(x, y, edge);
    }
}

// The front where the land is being raised: a bright line with sparks around it.
void paintBuildFront(RgbImage& image, const std::vector<double>& ground, int x, const Entry& front) {
    Rgb colour = front.colour(0);
    Random random(static_cast<std::uint32_t>(front.integer(1, 0, 1000000)));
    int top = static_cast<int>(std::lround(ground[x])) - 14;
    for (int y = top; y < kHeight; ++y) {
        double fade = std::clamp((y - top) / 10.0, 0.0, 1.0);
        image.add(x, y, colour, 0.9 * fade);
        image.add(x - 1, y, colour, 0.35 * fade);
        image.add(x + 1, y, colour, 0.35 * fade);
    }
    for (int i = 0; i < front.integer(2, 0, 500); ++i) {
        double sy = random.range(top, ground[x] + 20),
               sx = x + random.range(-6, 6) * (1.0 - (sy - top) / 60.0);
        image.add(static_cast<int>(sx), static_cast<int>(sy), colour, random.range(0.4, 1.0));
    }
}

// The heading, the trough and the words must leave the bar's place black.
void checkBarIsClear(const RgbImage& image) {
    for (int y = kBarTop; y < kBarBottom; ++y)
        for (int x = kBarLeft; x < kBarRight; ++x)
            if (!(image.get(x, y) == Rgb{}))
                throw SourceError("IDB_TERRASCREEN: the picture reaches into the progress bar at (" +
                                  std::to_string(x) + "," + std::to_string(y) + ")");
}

}  // namespace

Picture buildTerraformPicture(const PictureSources& sources) {
    const SourceBlock& block = sources.terraform.picture("IDB_TERRASCREEN");
    RgbImage image(kWidth, kHeight);

    // Night sky over a drawing board.
    paintSky(image, block.colours("sky-ramp", 2), block.integer("horizon", 1, kHeight),
             block.integer("sky-bands", 2, 255));
    paintGrid(image, block.entry("grid"));

    // The landscape: finished up to the build front, surveyed lines beyond it.
    const Entry& g = block.entry("ground");
    auto ground = ridgeLine(kWidth, g.number(0, 0, kHeight), g.number(1, 0, 100), g.number(2, 1, 1000),
                            static_cast<std::uint32_t>(g.integer(3, 0, 1000000)), g.integer(4, 1, 8));
    int front = block.integer("build-x", 1, kWidth - 2);
    paintGrassland(image, ground, 0, front);
    paintWireframe(image, ground, front, block.entry("wireframe"));
    paintBuildFront(image, ground, front, block.entry("front"));

    // Heading and trough over it all; the game writes the words in the player's language.
    paintHeading(image, sources, block);
    paintBarTrough(image, block.entry("bar-frame"));
    checkBarIsClear(image);
    return encodeBmp("IDB_TERRASCREEN", quantise(image));
}

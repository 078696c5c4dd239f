// The title picture: the name "Lobshot" over a sunset battlefield of tanks on hills.
//
// One tank has just fired at the ground beside another; parameters in
// resources/pictures/title.txt.
#include <cmath>
#include <numbers>

#include "pictures.h"
#include "quantise.h"
#include "raster.h"
#include "scene_paint.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;
constexpr int kTankScale = 2;

struct TitleTank {
    int x;       // centre column
    int ground;  // first ground row under the tank
    Rgb colour;
    double angle;  // barrel, degrees: 0 left, 90 up, 180 right
};

// The sun low over the hills, with a soft glow round it.
void paintSun(RgbImage& image, const Entry& sun) {
    double cx = sun.number(0, 0, kWidth), cy = sun.number(1, 0, kHeight), r = sun.number(2, 1, 100);
    Rgb top = sun.colour(3), bottom = sun.colour(4);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            double d = std::hypot(x - cx, y - cy) / r;
            if (d <= 1.0)
                image.set(x, y, mix(top, bottom, std::clamp((y - cy + r) / (2 * r), 0.0, 1.0)));
            else if (d < 3.0)
                image.add(x, y, bottom, 0.22 * (3.0 - d) * (3.0 - d) / 4.0);
        }
}

std::vector<TitleTank> readTanks(const SourceBlock& block, const std::vector<double>& ground) {
    std::vector<TitleTank> tanks;
    for (const Entry* e : block.all("tank")) {
        int x = e->integer(0, 12, kWidth - 12);
        tanks.push_back({x, static_cast<int>(std::lround(ground[x])), e->colour(1), e->number(2, 0, 180)});
    }
    return tanks;
}

// Levels the ground under each tank and eases it back into the hills on both sides.
void levelUnderTanks(std::vector<double>& ground, const std::vector<TitleTank>& tanks) {
    for (const TitleTank& t : tanks)
        for (int x = t.x - 24; x <= t.x + 24; ++x) {
            if (x < 0 || x >= kWidth) continue;
            double w = std::clamp((24.0 - std::abs(x - t.x)) / 10.0, 0.0, 1.0);
            ground[x] = ground[x] + (t.ground - ground[x]) * w;
        }
}

// A round crater where the shell came down.
void digCrater(std::vector<double>& ground, double cx, double cy, double radius) {
    for (int x = 0; x < kWidth; ++x) {
        double dx = x - cx;
        if (std::fabs(dx) < radius)
            ground[x] = std::max(ground[x], cy + std::sqrt(radius * radius - dx * dx));
    }
}

// The barrel starts in the middle of the row just above the tank, as in the game.
std::pair<double, double> barrelBase(const TitleTank& t) { return {t.x, t.ground - 6.0 * kTankScale - 1}; }

std::pair<double, double> barrelTip(const TitleTank& t, double length) {
    double a = t.angle * std::numbers::pi / 180.0;
    auto [baseX, baseY] = barrelBase(t);
    return {baseX - std::cos(a) * length, baseY - std::sin(a) * length};
}

void paintTank(RgbImage& image, const SourceFile& tankSource, const TitleTank& t) {
    RgbImage picture = tankImage(tankSource, t.colour);
    int left = t.x - 11 * kTankScale / 2, top = t.ground - 6 * kTankScale;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (!(picture.get(x, y) == Rgb{}))
                image.fillRect(left + x * kTankScale, top + y * kTankScale, left + (x + 1) * kTankScale,
                               top + (y + 1) * kTankScale, picture.get(x, y));
    auto [baseX, baseY] = barrelBase(t);
    auto [tipX, tipY] = barrelTip(t, 6.0 * kTankScale);
    for (double s = 0; s <= 1.0; s += 0.05)
        fillDisc(image, baseX + (tipX - baseX) * s, baseY + (tipY - baseY) * s, 0.9, t.colour);
}

// The path of the shot: a curve leaving the barrel along its line and coming down at the
// target, shown as a trail of fading dots, with the shell's explosion where it landed.
void paintShot(RgbImage& image, const PictureSources& sources, const TitleTank& shooter, double targetX,
               double targetY, const Entry& shot) {
    auto [x0, y0] = barrelTip(shooter, 6.0 * kTankScale + 2);
    double a = shooter.angle * std::numbers::pi / 180.0;
    double reach = (targetX - x0) / 2.0 / -std::cos(a);
    if (!std::isfinite(reach) || reach <= 0.0)
        shot.fail("the shooting tank's barrel must lean towards the target");
    double cx = x0 - std::cos(a) * reach, cy = y0 - std::sin(a) * reach;
    Rgb trail = shot.colour(2);
    int dots = shot.integer(3, 2, 200);
    for (int i = 0; i < dots; ++i) {
        double t = static_cast<double>(i) / dots;
        double x = (1 - t) * (1 - t) * x0 + 2 * t * (1 - t) * cx + t * t * targetX;
        double y = (1 - t) * (1 - t) * y0 + 2 * t * (1 - t) * cy + t * t * targetY;
        image.add(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)), trail, 0.3 + 0.6 * t);
    }
    RgbImage blast = explosionImage(sources.explosions, shot.word(4));
    for (int y = 0; y < blast.height(); ++y)
        for (int x = 0; x < blast.width(); ++x)
            image.add(static_cast<int>(targetX) - blast.width() / 2 + x,
                      static_cast<int>(targetY) - blast.height() / 2 + y, blast.get(x, y), 1.0);
}

void paintLogo(RgbImage& image, const SourceBlock& block) {
    auto art = block.arts.find("logo");
    if (art == block.arts.end()) throw SourceError(block.where + ": no art 'logo'");
    Mask mask = smoothDouble(smoothDouble(maskFromArt(art->second, '#')));
    EmblemStyle style = readEmblemStyle(block, "logo");
    int leaning = static_cast<int>(std::lround(style.slant * mask.height));
    paintEmblem(image, mask, (kWidth - mask.width - leaning) / 2, block.integer("logo-y", 0, kHeight), style);
}

}  // namespace

Picture buildTitlePicture(const PictureSources& sources) {
    const SourceBlock& block = sources.title.picture("IDB_TITLESCREEN");
    RgbImage image(kWidth, kHeight);

    // Sky, stars, sun and the distant hills, back to front.
    paintSky(image, block.colours("sky-ramp", 2), block.integer("horizon", 1, kHeight),
             block.integer("sky-bands", 2, 255));
    const Entry& stars = block.entry("stars");
    paintStars(image, stars.integer(0, 0, 2000), stars.integer(1, 1, kHeight),
               static_cast<std::uint32_t>(stars.integer(2, 0, 1000000)));
    paintSun(image, block.entry("sun"));
    for (const Entry* r : block.all("ridge"))
        paintRidge(image,
                   ridgeLine(kWidth, r->number(0, 0, kHeight), r->number(1, 0, 100), r->number(2, 1, 1000),
                             static_cast<std::uint32_t>(r->integer(3, 0, 1000000)), r->integer(4, 1, 8)),
                   r->colour(5), r->colour(6));

    // The battlefield: hills levelled under the tanks, with a crater where the shot landed.
    const Entry& g = block.entry("ground");
    auto ground = ridgeLine(kWidth, g.number(0, 0, kHeight), g.number(1, 0, 100), g.number(2, 1, 1000),
                            static_cast<std::uint32_t>(g.integer(3, 0, 1000000)), g.integer(4, 1, 8));
    auto tanks = readTanks(block, ground);
    levelUnderTanks(ground, tanks);
    const Entry& shot = block.entry("shot");
    std::size_t shooter = static_cast<std::size_t>(shot.integer(0, 0, static_cast<int>(tanks.size()) - 1));
    double targetX = shot.number(1, 10, kWidth - 10), targetY = ground[static_cast<std::size_t>(targetX)];
    digCrater(ground, targetX, targetY, shot.number(5, 0, 30));
    paintGrassland(image, ground, 0, kWidth);
    for (const TitleTank& t : tanks) paintTank(image, sources.tanks, t);
    paintShot(image, sources, tanks[shooter], targetX, targetY, shot);

    // The name on top of everything; the game writes the words in the player's language.
    paintLogo(image, block);
    return encodeBmp("IDB_TITLESCREEN", quantise(image));
}

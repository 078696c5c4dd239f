// Small pictures of play: the eight tanks, the five wind socks and the two menu bars.
#include <map>

#include "pictures.h"

namespace {

// Whether a colour turns into the see-through black of the game's 16-bit screen
// (5 bits of red, 6 of green, 5 of blue).
bool vanishesOnScreen(Rgb c) { return c.r < 8 && c.g < 4 && c.b < 8; }

struct Shade {
    double factor;  // share of the player colour kept
    double whiten;  // then mixed this far towards white
};

std::map<char, Shade> readShades(const SourceBlock& block) {
    std::map<char, Shade> shades;
    for (const Entry* e : block.all("shade")) {
        if (e->size() != 3 || e->word(0).size() != 1) e->fail("expected: shade C FACTOR WHITEN");
        shades[e->word(0)[0]] = {e->number(1, 0.0, 2.0), e->number(2, 0.0, 1.0)};
    }
    return shades;
}

// A wind sock is drawn in its own block, or is the mirror image of another sock.
RgbImage windSockImage(const SourceFile& socks, const std::string& name) {
    const SourceBlock& block = socks.picture(name);
    if (!block.has("mirror")) return block.artImage("sock", 15, 15);
    const Entry& mirror = block.entry("mirror");
    if (socks.picture(mirror.word(0)).has("mirror"))
        mirror.fail("a mirrored sock must be drawn, not mirrored");
    RgbImage source = windSockImage(socks, mirror.word(0));
    RgbImage image(15, 15);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 15; ++x) image.set(14 - x, y, source.get(x, y));
    return image;
}

// Frame colours of the menu bars, read from the top of their source.
struct BarColours {
    Rgb light, face, dark;
    Rgb numberShadow, numberLight, wellShadow, wellLight;
};

BarColours readBarColours(const SourceBlock& top) {
    return {top.colour("frame-light"),   top.colour("frame"),        top.colour("frame-dark"),
            top.colour("number-shadow"), top.colour("number-light"), top.colour("well-shadow"),
            top.colour("well-light")};
}

// A sunken edge one pixel outside the rectangle (right and bottom excluded), black inside.
void sunkenBox(RgbImage& bar, int left, int top, int right, int bottom, Rgb shadow, Rgb light) {
    bar.fillRect(left - 1, top - 1, right + 1, top, shadow);
    bar.fillRect(left - 1, top - 1, left, bottom + 1, shadow);
    bar.fillRect(left - 1, bottom, right + 1, bottom + 1, light);
    bar.fillRect(right, top, right + 1, bottom + 1, light);
    bar.fillRect(left, top, right, bottom, Rgb{});
}

// The raised grey frame of a whole bar.
RgbImage barFrame(const BarColours& colours) {
    RgbImage bar(320, 20, colours.face);
    bar.fillRect(0, 0, 320, 1, colours.light);
    bar.fillRect(0, 0, 1, 20, colours.light);
    bar.fillRect(0, 19, 320, 20, colours.dark);
    bar.fillRect(319, 0, 320, 20, colours.dark);
    return bar;
}

RgbImage menuBarImage(const SourceBlock& block, const BarColours& colours) {
    RgbImage bar = barFrame(colours);
    for (const Entry* e : block.all("box")) {
        if (e->size() != 5) e->fail("expected: box LEFT TOP RIGHT BOTTOM number|well");
        int left = e->integer(0, 1, 319), top = e->integer(1, 1, 19);
        int right = e->integer(2, left + 1, 319), bottom = e->integer(3, top + 1, 19);
        bool number = e->word(4) == "number";
        if (!number && e->word(4) != "well") e->fail("box style must be 'number' or 'well'");
        sunkenBox(bar, left, top, right, bottom, number ? colours.numberShadow : colours.wellShadow,
                  number ? colours.numberLight : colours.wellLight);
    }
    for (const Entry* e : block.all("icon")) {
        if (e->size() != 3) e->fail("expected: icon ART X Y");
        auto it = block.arts.find(e->word(0));
        if (it == block.arts.end()) e->fail("no art '" + e->word(0) + "'");
        RgbImage icon = block.artImage(e->word(0), it->second.width, it->second.height);
        bar.paste(icon, e->integer(1, 0, 319), e->integer(2, 0, 19), true);
    }
    return bar;
}

}  // namespace

RgbImage tankImage(const SourceFile& tanks, Rgb playerColour) {
    const SourceBlock& top = tanks.top();
    const Art& art = top.art("tank", 11, 6);
    auto shades = readShades(top);
    RgbImage image(11, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 11; ++x) {
            char c = art.rows[y][x];
            auto shade = shades.find(c);
            Rgb colour = shade == shades.end() ? top.symbol(c, art.where)
                                               : mix(scaled(playerColour, shade->second.factor),
                                                     Rgb{255, 255, 255}, shade->second.whiten);
            if (c != '.' && vanishesOnScreen(colour))
                throw SourceError(art.where + ": symbol '" + std::string(1, c) +
                                  "' is so dark that the game would show it as see-through");
            image.set(x, y, colour);
        }
    return image;
}

std::vector<Picture> buildTankPictures(const PictureSources& sources) {
    std::vector<Picture> out;
    for (const Entry* e : sources.tanks.top().all("tank")) {
        if (e->size() != 2) e->fail("expected: tank NAME RRGGBB");
        out.push_back(encodeBmp(e->word(0), tankImage(sources.tanks, e->colour(1))));
    }
    return out;
}

std::vector<Picture> buildWindSockPictures(const PictureSources& sources) {
    std::vector<Picture> out;
    for (std::size_t i = 1; i < sources.windSocks.blocks.size(); ++i) {
        const std::string& name = sources.windSocks.blocks[i].name;
        out.push_back(encodeBmp(name, windSockImage(sources.windSocks, name)));
    }
    return out;
}

std::vector<Picture> buildMenuBarPictures(const PictureSources& sources) {
    BarColours colours = readBarColours(sources.menuBars.top());
    std::vector<Picture> out;
    for (std::size_t i = 1; i < sources.menuBars.blocks.size(); ++i) {
        const SourceBlock& block = sources.menuBars.blocks[i];
        out.push_back(encodeBmp(block.name, menuBarImage(block, colours)));
    }
    return out;
}

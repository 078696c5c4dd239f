// gen_pictures: builds the game's pictures and fonts from their sources as bitmap files.
//
// The sources are resources/pictures and resources/fonts.
//
// Usage: gen_pictures <resources-dir> <output-dir>
// Writes <output-dir>/IDB_*.bmp for the 29 pictures. Exits with status 1 and a message
// naming the source file and line when a source is malformed, and refuses to write
// anything when a picture comes out with the wrong name, size or depth.
#include <fstream>
#include <iostream>
#include <set>
#include <string>

#include "display/glyph_codes.h"
#include "pictures.h"

namespace {

struct Expected {
    const char* name;
    int width, height, bits;
};

// The pictures the game loads, with the shapes it relies on.
constexpr Expected kExpected[] = {
    {"IDB_TITLESCREEN", 320, 200, 8},
    {"IDB_TERRASCREEN", 320, 200, 8},
    {"IDB_MENUBAR", 320, 20, 24},
    {"IDB_MENUBAR2", 320, 20, 24},
    {"IDB_NORMALCHARS", 8 * GLYPH_COUNT, 16, 1},
    {"IDB_SMALLCHARS", 4 * GLYPH_COUNT, 8, 1},
    {"IDB_TANKRED", 11, 6, 24},
    {"IDB_TANKBLUE", 11, 6, 24},
    {"IDB_TANKYELLOW", 11, 6, 24},
    {"IDB_TANKMAGENTA", 11, 6, 24},
    {"IDB_TANKGREEN", 11, 6, 24},
    {"IDB_TANKCYAN", 11, 6, 24},
    {"IDB_TANKORANGE", 11, 6, 24},
    {"IDB_TANKGREY", 11, 6, 24},
    {"IDB_WINDSOCKL2", 15, 15, 24},
    {"IDB_WINDSOCKL1", 15, 15, 24},
    {"IDB_WINDSOCK0", 15, 15, 24},
    {"IDB_WINDSOCKR1", 15, 15, 24},
    {"IDB_WINDSOCKR2", 15, 15, 24},
    {"IDB_SHELL", 33, 33, 24},
    {"IDB_ABOMB", 171, 171, 24},
    {"IDB_EARTHMOVER", 91, 91, 24},
    {"IDB_FIREWORK1", 21, 21, 24},
    {"IDB_FIREWORK2", 21, 21, 24},
    {"IDB_FIREWORK3", 21, 21, 24},
    {"IDB_FIREWORK4", 21, 21, 24},
    {"IDB_FIREWORK5", 21, 21, 24},
    {"IDB_FIREWORK6", 21, 21, 24},
    {"IDB_FIREWORK7", 21, 21, 24},
};

std::vector<Picture> buildAll(const PictureSources& sources) {
    std::vector<Picture> all = buildFontPictures(sources);
    for (auto* build :
         {buildTankPictures, buildWindSockPictures, buildMenuBarPictures, buildExplosionPictures}) {
        auto more = build(sources);
        all.insert(all.end(), more.begin(), more.end());
    }
    all.push_back(buildTitlePicture(sources));
    all.push_back(buildTerraformPicture(sources));
    return all;
}

// The file size a picture must have: headers, colour table and rows padded to 4 bytes.
std::size_t expectedFileSize(const Expected& e) {
    std::size_t table = e.bits == 24 ? 0 : (std::size_t{1} << e.bits) * 4;
    std::size_t stride = static_cast<std::size_t>((e.width * e.bits + 31) / 32 * 4);
    return 14 + 40 + table + stride * static_cast<std::size_t>(e.height);
}

// Every expected picture exactly once, each with its exact shape; returns the problems.
std::vector<std::string> checkPictures(const std::vector<Picture>& pictures) {
    std::vector<std::string> problems;
    std::set<std::string> seen;
    for (const Picture& p : pictures) {
        if (!seen.insert(p.name).second) problems.push_back(p.name + " is made twice");
        const Expected* e = nullptr;
        for (const Expected& candidate : kExpected)
            if (p.name == candidate.name) e = &candidate;
        if (!e) {
            problems.push_back(p.name + " is not a picture of the game");
        } else if (p.width != e->width || p.height != e->height || p.bitsPerPixel != e->bits ||
                   p.file.size() != expectedFileSize(*e)) {
            problems.push_back(p.name + " came out " + std::to_string(p.width) + "x" +
                               std::to_string(p.height) + " at " + std::to_string(p.bitsPerPixel) +
                               " bits, expected " + std::to_string(e->width) + "x" +
                               std::to_string(e->height) + " at " + std::to_string(e->bits));
        }
    }
    for (const Expected& e : kExpected)
        if (!seen.count(e.name)) problems.push_back(std::string(e.name) + " is missing");
    return problems;
}

void writePicture(const std::filesystem::path& dir, const Picture& p) {
    std::filesystem::path path = dir / (p.name + ".bmp");
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(p.file.data()), static_cast<std::streamsize>(p.file.size()));
    if (!out) throw std::runtime_error(path.string() + ": cannot be written");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: gen_pictures <resources-dir> <output-dir>\n";
        return 2;
    }
    try {
        auto pictures = buildAll(readPictureSources(argv[1]));
        auto problems = checkPictures(pictures);
        for (const std::string& p : problems) std::cerr << "gen_pictures: " << p << "\n";
        if (!problems.empty()) return 1;
        std::filesystem::create_directories(argv[2]);
        for (const Picture& p : pictures) writePicture(argv[2], p);
    } catch (const std::exception& e) {
        std::cerr << "gen_pictures: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

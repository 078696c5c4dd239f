// The builders of the game's pictures: each reads its sources and returns finished bitmaps.
#pragma once

#include <filesystem>
#include <vector>

#include "bmp_writer.h"
#include "fonts.h"
#include "source_file.h"

// Every source the generator reads, loaded once before anything is built.
struct PictureSources {
    Font normalFont;
    Font smallFont;
    SourceFile tanks;
    SourceFile windSocks;
    SourceFile menuBars;
    SourceFile explosions;
    SourceFile title;
    SourceFile terraform;
};

PictureSources readPictureSources(const std::filesystem::path& resourceDir);

std::vector<Picture> buildFontPictures(const PictureSources& sources);
std::vector<Picture> buildTankPictures(const PictureSources& sources);
std::vector<Picture> buildWindSockPictures(const PictureSources& sources);
std::vector<Picture> buildMenuBarPictures(const PictureSources& sources);
std::vector<Picture> buildExplosionPictures(const PictureSources& sources);
Picture buildTitlePicture(const PictureSources& sources);
Picture buildTerraformPicture(const PictureSources& sources);

// The 11x6 tank of the given player colour on black, shared by the tank pictures and the
// title scene.
RgbImage tankImage(const SourceFile& tanks, Rgb playerColour);

// An explosion picture by name, shared by the explosion pictures and the title scene.
RgbImage explosionImage(const SourceFile& explosions, const std::string& name);

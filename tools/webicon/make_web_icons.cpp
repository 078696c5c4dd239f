// Build-time maker of the page's icons from the game's pixel art (resources/icon/icon.txt).
//
//     make_web_icons SOURCE OUTDIR
//
// writes into OUTDIR, each scaled by whole pixels so that it stays sharp:
//   icon-32.png            the favicon, the art as it is
//   icon-192.png           the art six times over, for the home screen
//   icon-512.png           sixteen times, for the splash screen
//   icon-maskable-512.png  nine times, centred on the sky's colour filling the square, so that a
//                          launcher's round or rounded mask (the middle 80%) cuts only sky
// The art must be 32 x 32. A mistake in the source stops the build with its file and line.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/icon/icon_art.h"
#include "tools/webicon/png_encoder.h"

namespace {

struct Picture {
    int size = 0;
    std::vector<IconRgba> pixels;
};

// The colour behind the maskable icon: the art's first opaque pixel, the top of its sky.
IconRgba Backdrop(const IconArt& art) {
    for (const IconRgba& pixel : art.pixels)
        if (pixel[3] == 255) return pixel;
    return {0, 0, 0, 255};
}

// A square of `size` pixels filled with `fill`, the art scaled by `scale` in its middle; the art's
// see-through pixels show the fill.
Picture Place(const IconArt& art, int size, int scale, IconRgba fill) {
    Picture picture{size, std::vector<IconRgba>(static_cast<std::size_t>(size) * size, fill)};
    const int margin = (size - art.width * scale) / 2;
    for (int y = 0; y < art.height * scale; ++y) {
        for (int x = 0; x < art.width * scale; ++x) {
            const IconRgba& pixel = art.pixels[static_cast<std::size_t>(y / scale) * art.width + x / scale];
            if (pixel[3] != 0)
                picture.pixels[static_cast<std::size_t>(y + margin) * size + x + margin] = pixel;
        }
    }
    return picture;
}

bool Write(const std::string& path, const Picture& picture) {
    const std::vector<std::uint8_t> png = EncodePng(picture.size, picture.size, picture.pixels);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_web_icons SOURCE OUTDIR\n";
        return 2;
    }
    try {
        const IconArt art = ReadIconArt(argv[1]);
        if (art.width != 32 || art.height != 32)
            throw IconSourceError(std::string(argv[1]) + ": the art is not 32 x 32");
        const std::string dir = argv[2];
        const IconRgba clear = {0, 0, 0, 0};
        const bool ok = Write(dir + "/icon-32.png", Place(art, 32, 1, clear)) &&
                        Write(dir + "/icon-192.png", Place(art, 192, 6, clear)) &&
                        Write(dir + "/icon-512.png", Place(art, 512, 16, clear)) &&
                        Write(dir + "/icon-maskable-512.png", Place(art, 512, 9, Backdrop(art)));
        if (!ok) {
            std::cerr << "make_web_icons: cannot write into " << dir << "\n";
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}

// Documentation tool: scales a screenshot up by a whole factor with sharp pixels (each pixel
// becomes a FACTOR x FACTOR square), for the software centre's pictures.
//
// Usage: scale_shot IN.png FACTOR OUT.png
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kMaxFactor = 16;

bool Fail(const std::string& message) {
    std::fprintf(stderr, "scale_shot: %s\n", message.c_str());
    return false;
}

// Reads IN as RGB, writes it FACTOR times as wide and as high to OUT.
bool Scale(const char* in, int factor, const char* out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, in)) return Fail(std::string(in) + ": " + image.message);
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> source(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, source.data(), 0, nullptr))
        return Fail(std::string(in) + ": " + image.message);

    const std::size_t width = image.width, height = image.height, big_width = width * factor;
    std::vector<png_byte> scaled(big_width * height * factor * 3);
    for (std::size_t y = 0; y < height * factor; ++y)
        for (std::size_t x = 0; x < big_width; ++x)
            for (std::size_t c = 0; c < 3; ++c)
                scaled[(y * big_width + x) * 3 + c] = source[((y / factor) * width + x / factor) * 3 + c];

    png_image big{};
    big.version = PNG_IMAGE_VERSION;
    big.width = static_cast<png_uint_32>(big_width);
    big.height = static_cast<png_uint_32>(height * factor);
    big.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&big, out, 0, scaled.data(), 0, nullptr))
        return Fail(std::string(out) + ": " + big.message);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int factor = argc == 4 ? std::atoi(argv[2]) : 0;
    if (factor < 1 || factor > kMaxFactor) {
        std::fprintf(stderr, "usage: scale_shot IN.png FACTOR OUT.png (FACTOR 1 to %d)\n", kMaxFactor);
        return 2;
    }
    return Scale(argv[1], factor, argv[3]) ? 0 : 1;
}

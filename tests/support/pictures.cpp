// Test support: pictures built in memory as BMP bytes and installed as bitmap resources, and the
// shown page compared with a picture kept beside the tests.
#include "tests/support/pictures.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "display/glyph_codes.h"
#include "display/graphx.h"
#include "platform/resource.h"

namespace {

// A picture's pixels as RGB bytes; empty when it cannot be read.
std::vector<png_byte> ReadPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (image.width != 320 || !png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    return pixels;
}

// `value` little-endian in `size` bytes from `at`.
void Put(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int size = 4) {
    for (int i = 0; i < size; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A colour reference as a BMP keeps it, blue first.
std::uint32_t Bgr(COLORREF c) { return RGB(GetBValue(c), GetGValue(c), GetRValue(c)); }

void PutPixel(std::vector<std::uint8_t>& row, int bits, int x, std::uint32_t value) {
    if (bits == 1 && (value & 1)) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    if (bits == 8) row[x] = static_cast<std::uint8_t>(value);
    if (bits == 24) Put(row, 3 * x, Bgr(value), 3);
}

}  // namespace

std::vector<std::uint8_t> BuildBmp(const BmpPicture& picture) {
    const std::size_t header = picture.fileHeader ? 14 : 0;
    const std::size_t paletteSize = picture.palette.size() * 4;
    const std::size_t stride = ((static_cast<std::size_t>(picture.width) * picture.bits + 31) / 32) * 4;
    const std::size_t pixelsAt = header + 40 + paletteSize;
    std::vector<std::uint8_t> out(pixelsAt + stride * picture.height, 0);
    if (picture.fileHeader) {
        out[0] = 'B';
        out[1] = 'M';
        Put(out, 2, static_cast<std::uint32_t>(out.size()));
        Put(out, 10, static_cast<std::uint32_t>(pixelsAt));
    }
    Put(out, header, 40);
    Put(out, header + 4, static_cast<std::uint32_t>(picture.width));
    Put(out, header + 8, static_cast<std::uint32_t>(picture.topDown ? -picture.height : picture.height));
    Put(out, header + 12, 1, 2);
    Put(out, header + 14, static_cast<std::uint32_t>(picture.bits), 2);
    Put(out, header + 32, static_cast<std::uint32_t>(picture.palette.size()));
    for (std::size_t i = 0; i < picture.palette.size(); ++i)
        Put(out, header + 40 + 4 * i, Bgr(picture.palette[i]));
    for (int y = 0; y < picture.height; ++y) {
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < picture.width; ++x) PutPixel(row, picture.bits, x, picture.pixel(x, y));
        const int stored = picture.topDown ? y : picture.height - 1 - y;
        std::copy(row.begin(), row.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(pixelsAt + stride * stored));
    }
    return out;
}

std::vector<std::uint8_t> BuildFontBmp(int cellWidth, int cellHeight,
                                       const std::function<bool(int x, int y)>& ink) {
    BmpPicture picture;
    picture.width = GLYPH_COUNT * cellWidth;
    picture.height = cellHeight;
    picture.bits = 1;
    picture.palette = {0x000000, 0xFFFFFF};
    picture.pixel = [&](int x, int y) { return ink(x, y) ? 1u : 0u; };
    return BuildBmp(picture);
}

void InstallBitmap(const char* name, const std::vector<std::uint8_t>& bytes) {
    ResourceOverride(RT_BITMAP, name, std::span<const std::uint8_t>(bytes.data(), bytes.size()));
}

void InstallPicture(const char* name, int width, int height, const std::function<COLORREF(int, int)>& pixel) {
    InstallBitmap(name,
                  BuildBmp({.width = width, .height = height, .bits = 24, .pixel = pixel, .palette = {}}));
}

void ExpectShownPageIs(const std::string& name, int surface) {
    const std::string golden = std::string(LOBSHOT_SOURCE_DIR) + "/tests/" + name + ".png";
    std::string flat = name;
    std::replace(flat.begin(), flat.end(), '/', '_');
    const std::string shown = ::testing::TempDir() + "lobshot_" + flat + ".png";
    ASSERT_TRUE(GraphxWritePng(shown.c_str(), 0, surface));
    if (std::getenv("LOBSHOT_NEW_PICTURES")) {
        std::filesystem::copy_file(shown, golden, std::filesystem::copy_options::overwrite_existing);
        return;
    }
    const std::vector<png_byte> expected = ReadPng(golden);
    const std::vector<png_byte> actual = ReadPng(shown);
    ASSERT_EQ(actual.size(), 320u * 200 * 3);
    ASSERT_EQ(expected.size(), actual.size()) << "cannot read " << golden;
    int differ = 0;
    std::string first;
    for (std::size_t i = 0; i < actual.size(); i += 3) {
        if (std::equal(&actual[i], &actual[i] + 3, &expected[i])) continue;
        if (differ++ == 0) first = std::to_string(i / 3 % 320) + "," + std::to_string(i / 3 / 320);
    }
    EXPECT_EQ(differ, 0) << "pixels differ, the first at (" << first << "); the page shown is " << shown;
}

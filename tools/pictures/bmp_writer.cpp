// Windows bitmap encoding: file header, 40-byte info header, colour table and padded rows.
#include "bmp_writer.h"

#include <stdexcept>

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void u8(std::uint32_t v) { out_.push_back(static_cast<std::uint8_t>(v)); }
    void u16(std::uint32_t v) {
        u8(v & 0xFF);
        u8(v >> 8);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }

private:
    std::vector<std::uint8_t>& out_;
};

std::uint32_t rowStride(int width, int bits) {
    return static_cast<std::uint32_t>((width * bits + 31) / 32 * 4);
}

// Writes both headers and the colour table; the pixel rows follow directly after.
std::vector<std::uint8_t> headers(int width, int height, int bits, const std::vector<Rgb>& table) {
    std::uint32_t tableBytes = static_cast<std::uint32_t>(table.size() * 4);
    std::uint32_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + tableBytes;
    std::uint32_t imageBytes = rowStride(width, bits) * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> out;
    out.reserve(pixelOffset + imageBytes);
    ByteWriter w(out);

    // BITMAPFILEHEADER: magic, file size, two reserved words, offset of the pixels.
    for (std::uint32_t v : {std::uint32_t{'B'}, std::uint32_t{'M'}}) w.u8(v);
    for (std::uint32_t v : {pixelOffset + imageBytes, 0u, pixelOffset}) w.u32(v);

    // BITMAPINFOHEADER: a positive height stores the rows bottom-up; compression 0 is BI_RGB.
    w.u32(kInfoHeaderSize);
    w.u32(static_cast<std::uint32_t>(width));
    w.u32(static_cast<std::uint32_t>(height));
    w.u16(1);
    w.u16(static_cast<std::uint32_t>(bits));
    for (std::uint32_t v : {0u, imageBytes, 2835u, 2835u}) w.u32(v);
    w.u32(static_cast<std::uint32_t>(table.size()));
    w.u32(0);

    // Colour table entries are blue, green, red and a reserved zero.
    for (Rgb c : table)
        for (std::uint32_t v : {c.b, c.g, c.r, std::uint8_t{0}}) w.u8(v);
    return out;
}

// Appends the rows bottom-up; rowBytes(y, row) fills the unpadded bytes of picture row y.
template <typename RowFn>
void appendRows(std::vector<std::uint8_t>& out, int width, int height, int bits, RowFn rowBytes) {
    std::vector<std::uint8_t> row(rowStride(width, bits));
    for (int y = height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        rowBytes(y, row);
        out.insert(out.end(), row.begin(), row.end());
    }
}

Picture finish(const std::string& name, int width, int height, int bits, std::vector<std::uint8_t> file) {
    return {name, width, height, bits, std::move(file)};
}

}  // namespace

Picture encodeBmp(const std::string& name, const RgbImage& image) {
    auto file = headers(image.width(), image.height(), 24, {});
    appendRows(file, image.width(), image.height(), 24, [&](int y, std::vector<std::uint8_t>& row) {
        for (int x = 0; x < image.width(); ++x) {
            Rgb c = image.get(x, y);
            row[3 * x] = c.b, row[3 * x + 1] = c.g, row[3 * x + 2] = c.r;
        }
    });
    return finish(name, image.width(), image.height(), 24, std::move(file));
}

Picture encodeBmp(const std::string& name, const IndexedImage& image) {
    if (image.palette.size() > 256) throw std::runtime_error(name + ": more than 256 colours");
    std::vector<Rgb> table = image.palette;
    table.resize(256);  // unused entries stay black
    auto file = headers(image.width, image.height, 8, table);
    appendRows(file, image.width, image.height, 8, [&](int y, std::vector<std::uint8_t>& row) {
        std::copy_n(image.indices.begin() + static_cast<std::ptrdiff_t>(y) * image.width, image.width,
                    row.begin());
    });
    return finish(name, image.width, image.height, 8, std::move(file));
}

Picture encodeBmp(const std::string& name, const BitImage& image) {
    auto file = headers(image.width, image.height, 1, {Rgb{0, 0, 0}, Rgb{255, 255, 255}});
    appendRows(file, image.width, image.height, 1, [&](int y, std::vector<std::uint8_t>& row) {
        for (int x = 0; x < image.width; ++x)
            if (image.bits[static_cast<std::size_t>(y) * image.width + x])
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    });
    return finish(name, image.width, image.height, 1, std::move(file));
}

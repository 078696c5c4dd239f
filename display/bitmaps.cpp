// Bitmap resources: reading uncompressed BMP pictures (1, 8 and 24 bits per pixel) into 16-bit
// bitmaps, and loading them into new or existing off-screen surfaces.
#include <cstring>
#include <span>

#include "display/context.h"
#include "display/devices.h"
#include "display/graphx.h"
#include "platform/resource.h"

namespace {

constexpr std::size_t FILE_HEADER_SIZE = 14;
constexpr std::size_t INFO_HEADER_SIZE = 40;
// Pictures larger than this on either side are taken as damaged.
constexpr int LARGEST_SIDE = 16384;

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// The parts of a BMP that decoding needs, checked against the bytes that hold them.
struct BmpLayout {
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    int bits = 0;
    std::span<const std::uint8_t> palette;  // 4 bytes (blue, green, red, unused) a colour
    std::span<const std::uint8_t> rows;
    std::size_t stride = 0;
};

// Reads the headers of a BMP, with or without its 14-byte file header. False when the bytes are
// not an uncompressed picture of 1, 8 or 24 bits per pixel that they wholly contain.
bool ReadLayout(std::span<const std::uint8_t> bytes, BmpLayout* layout) {
    std::size_t info = 0;
    std::size_t pixelOffset = 0;
    if (bytes.size() >= FILE_HEADER_SIZE && bytes[0] == 'B' && bytes[1] == 'M') {
        info = FILE_HEADER_SIZE;
        pixelOffset = ReadU32(bytes, 10);
    }
    if (bytes.size() < info + INFO_HEADER_SIZE) return false;
    const std::uint32_t infoSize = ReadU32(bytes, info);
    const auto width = static_cast<std::int32_t>(ReadU32(bytes, info + 4));
    const auto height = static_cast<std::int32_t>(ReadU32(bytes, info + 8));
    const int bits = ReadU16(bytes, info + 14);
    const std::uint32_t compression = ReadU32(bytes, info + 16);
    std::uint32_t colours = ReadU32(bytes, info + 32);
    if (infoSize < INFO_HEADER_SIZE || compression != 0 || (bits != 1 && bits != 8 && bits != 24))
        return false;
    if (width <= 0 || width > LARGEST_SIDE || height == 0 || height < -LARGEST_SIDE || height > LARGEST_SIDE)
        return false;
    if (bits <= 8 && (colours == 0 || colours > (1u << bits))) colours = 1u << bits;
    if (bits > 8) colours = 0;
    const std::size_t paletteAt = info + infoSize;
    const std::size_t paletteSize = static_cast<std::size_t>(colours) * 4;
    if (paletteAt + paletteSize > bytes.size()) return false;
    if (pixelOffset == 0) pixelOffset = paletteAt + paletteSize;
    layout->width = width;
    layout->height = height < 0 ? -height : height;
    layout->bottomUp = height > 0;
    layout->bits = bits;
    layout->stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    const std::size_t rowsSize = layout->stride * static_cast<std::size_t>(layout->height);
    if (pixelOffset < paletteAt + paletteSize || pixelOffset + rowsSize > bytes.size()) return false;
    layout->palette = bytes.subspan(paletteAt, paletteSize);
    layout->rows = bytes.subspan(pixelOffset, rowsSize);
    return true;
}

std::uint16_t PaletteColour(const BmpLayout& layout, unsigned index) {
    if (index * 4 + 3 > layout.palette.size()) return 0;
    const std::uint8_t* entry = layout.palette.data() + index * 4;
    return ColourToPixel(RGB(entry[2], entry[1], entry[0]));
}

std::uint16_t SourcePixel(const BmpLayout& layout, const std::uint8_t* row, int x) {
    switch (layout.bits) {
        case 1:
            return PaletteColour(layout, (row[x / 8] >> (7 - x % 8)) & 1);
        case 8:
            return PaletteColour(layout, row[x]);
        default:
            return ColourToPixel(RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
}

// The picture as a 16-bit bitmap object, each colour cut to the top bits of its channels.
HBITMAP Decode(std::span<const std::uint8_t> bytes) {
    BmpLayout layout;
    if (!ReadLayout(bytes, &layout)) return nullptr;
    HBITMAP bitmap = MakeBitmap(layout.width, layout.height);
    for (int y = 0; y < layout.height; ++y) {
        const int stored = layout.bottomUp ? layout.height - 1 - y : y;
        const std::uint8_t* row = layout.rows.data() + layout.stride * static_cast<std::size_t>(stored);
        std::uint16_t* out = bitmap->pixels.Row(y);
        for (int x = 0; x < layout.width; ++x) out[x] = SourcePixel(layout, row, x);
    }
    return bitmap;
}

bool BitmapSize(HBITMAP bitmap, int* width, int* height) {
    BITMAP info;
    if (!GetObjectA(bitmap, sizeof info, &info)) return false;
    *width = info.bmWidth;
    *height = info.bmHeight;
    return true;
}

// Draws the bitmap into a lent surface context through a memory context holding it, either
// scaled onto the whole surface or copied one to one.
bool DrawBitmapInto(HDC surfaceDc, HBITMAP bitmap, int width, int height, int surfaceWidth, int surfaceHeight,
                    bool fitWidth, bool fitHeight, bool scale) {
    GRAPHX_SCOPE_NAMED("GraphxBitmapToOSSurface", false);
    HDC memory = CreateCompatibleDC(surfaceDc);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    bool drawn = true;
    if (scale) {
        drawn =
            StretchBitmap(memory, width, height, surfaceDc, surfaceWidth, surfaceHeight, fitWidth, fitHeight);
        if (!drawn) GRAPHX_ERROR("StretchBitmap");
    } else if (!BitBlt(surfaceDc, 0, 0, width, height, memory, 0, 0, SRCCOPY)) {
        GRAPHX_ERROR("BitBlt");
        drawn = false;
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    return drawn;
}

}  // namespace

HBITMAP LoadImageA(HINSTANCE instance, const char* name, UINT type, int width, int height, UINT flags) {
    if (type != IMAGE_BITMAP || width != 0 || height != 0 || flags != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    HINSTANCE module = instance ? instance : PlatformModuleHandle();
    HRSRC found = FindResourceA(module, name, RT_BITMAP);
    if (!found) return nullptr;
    const DWORD size = SizeofResource(module, found);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
    if (!data) return nullptr;
    HBITMAP bitmap = Decode(std::span<const std::uint8_t>(data, size));
    if (!bitmap) SetLastError(ERROR_GEN_FAILURE);
    return bitmap;
}

bool GraphxBitmapToOSSurface(int* number, int n, int s, HINSTANCE instance, const char* name, int memoryKind,
                             int width, int height, bool fitWidth, bool fitHeight) {
    GRAPHX_SCOPE_TRACED();
    GRAPHX_ROW(DIAG_LOW, "Attempting to load \"%s\"", name);
    HBITMAP bitmap = LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, 0);
    if (!bitmap) {
        GRAPHX_ERROR("NULL image");
        DiagLastError();
        return false;
    }
    int bitmapWidth = 0;
    int bitmapHeight = 0;
    BitmapSize(bitmap, &bitmapWidth, &bitmapHeight);
    GRAPHX_ROW(DIAG_LOW, "Loaded \"%s\", %ix%i\n", name, bitmapWidth, bitmapHeight);
    const int surfaceWidth = width == 0 ? bitmapWidth : width;
    const int surfaceHeight = height == 0 ? bitmapHeight : height;
    GRAPHX_ROW(DIAG_LOW, "Creating OS surface %ix%i", surfaceWidth, surfaceHeight);
    if (!CreateOSSurface(number, n, s, surfaceWidth, surfaceHeight, memoryKind)) {
        DeleteObject(bitmap);
        GRAPHX_ERROR("GraphxCreateOSSurface\n");
        return false;
    }
    GRAPHX_ROW(DIAG_LOW, "Getting HDCs ready to stretch bitmap");
    HDC surfaceDc = nullptr;
    bool result = GetHDC(&surfaceDc, OFFSCREEN, *number, n);
    if (result) {
        result = DrawBitmapInto(surfaceDc, bitmap, bitmapWidth, bitmapHeight, surfaceWidth, surfaceHeight,
                                fitWidth, fitHeight, true);
        ReleaseHDC(surfaceDc, OFFSCREEN, *number, n);
    }
    GRAPHX_ROW(DIAG_LOW, "Finished");
    DeleteObject(bitmap);
    return result;
}

bool StretchBitmap(HDC source, int sourceWidth, int sourceHeight, HDC dest, int destWidth, int destHeight,
                   bool fitWidth, bool fitHeight) {
    GRAPHX_SCOPE_TRACED();
    const int width = fitWidth ? destWidth : sourceWidth;
    const int height = fitHeight ? destHeight : sourceHeight;
    if (!StretchBlt(dest, 0, 0, width, height, source, 0, 0, sourceWidth, sourceHeight, SRCCOPY)) {
        GRAPHX_ERROR("BitBlt");
        return false;
    }
    return true;
}

bool GraphxCopyBitmapToSurface(int n, int s, HINSTANCE instance, const char* name) {
    GRAPHX_SCOPE_TRACED();
    HBITMAP bitmap = LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, 0);
    if (!bitmap) {
        GRAPHX_ERROR("NULL image from \"%s\"", name);
        DiagLastError();
        return false;
    }
    int width = 0;
    int height = 0;
    BitmapSize(bitmap, &width, &height);
    GRAPHX_ROW(DIAG_LOW, "Loaded \"%s\", %ix%i", name, width, height);
    HDC surfaceDc = nullptr;
    bool result = GetHDC(&surfaceDc, n, s, -1);
    if (result) {
        result = DrawBitmapInto(surfaceDc, bitmap, width, height, width, height, false, false, false);
        ReleaseHDC(surfaceDc, n, s, -1);
    }
    DeleteObject(bitmap);
    return result;
}

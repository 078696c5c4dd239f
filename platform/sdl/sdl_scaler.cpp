// The presenter's arithmetic: fitting the picture, nearest-neighbour scaling of the RGB565 page into
// 16- or 32-bit output pixels, and finding what a frame changed.
#include "platform/sdl/sdl_scaler.h"

#include <algorithm>
#include <cstring>

namespace {

// Output pixels of one page row, `count` of them, each converting the page pixel its column maps
// to; neighbours that show the same page pixel reuse its conversion.
template <typename Out>
void ConvertRow(const std::uint16_t* in, const int* columns, int count, const PixelLayout& layout, Out* row) {
    int lastColumn = -1;
    Out value = 0;
    for (int i = 0; i < count; ++i) {
        if (columns[i] != lastColumn) {
            lastColumn = columns[i];
            value = static_cast<Out>(ConvertRgb565(in[lastColumn], layout));
        }
        row[i] = value;
    }
}

template <typename Out>
void ScaleRows(const std::uint16_t* page, int pagePitchPixels, const ScaleMap& map, const PixelLayout& layout,
               PixelRect area, std::uint8_t* output, int outputPitch) {
    const int* columns = &map.sourceColumn[area.x - map.box.x];
    const Out* previous = nullptr;
    int previousSource = -1;
    for (int y = area.y; y < area.y + area.h; ++y) {
        Out* row = reinterpret_cast<Out*>(output + static_cast<std::ptrdiff_t>(y) * outputPitch) + area.x;
        int source = map.sourceRow[y - map.box.y];
        if (source == previousSource)
            std::memcpy(row, previous, static_cast<std::size_t>(area.w) * sizeof(Out));
        else
            ConvertRow(page + static_cast<std::ptrdiff_t>(source) * pagePitchPixels, columns, area.w, layout,
                       row);
        previous = row;
        previousSource = source;
    }
}

template <typename Out>
void FillSpan(std::uint8_t* output, int outputPitch, int y, int x, int count, Out value) {
    Out* row = reinterpret_cast<Out*>(output + static_cast<std::ptrdiff_t>(y) * outputPitch) + x;
    std::fill(row, row + count, value);
}

template <typename Out>
void FillBordersOf(const ScaleMap& map, Out black, std::uint8_t* output, int outputPitch) {
    const PixelRect& box = map.box;
    int width = map.outputWidth;
    for (int y = 0; y < map.outputHeight; ++y) {
        if (box.Empty() || y < box.y || y >= box.y + box.h) {
            FillSpan(output, outputPitch, y, 0, width, black);
            continue;
        }
        FillSpan(output, outputPitch, y, 0, box.x, black);
        FillSpan(output, outputPitch, y, box.x + box.w, width - box.x - box.w, black);
    }
}

// The entries of a never-decreasing map that fall in [first, first + count), as a start and a
// length.
void MapRange(const std::vector<int>& map, int first, int count, int* start, int* length) {
    auto begin = std::lower_bound(map.begin(), map.end(), first);
    auto end = std::lower_bound(begin, map.end(), first + count);
    *start = static_cast<int>(begin - map.begin());
    *length = static_cast<int>(end - begin);
}

}  // namespace

PixelRect FitFourByThree(int outW, int outH) {
    if (outW <= 0 || outH <= 0) return {};
    int w = outW, h = outW * 3 / 4;
    if (h > outH) {
        h = outH;
        w = outH * 4 / 3;
    }
    return PixelRect{(outW - w) / 2, (outH - h) / 2, w, h};
}

std::uint32_t ConvertRgb565(std::uint16_t pixel, const PixelLayout& layout) {
    std::uint32_t r = (pixel >> 11) & 31, g = (pixel >> 5) & 63, b = pixel & 31;
    r = (r << 3) | (r >> 2);
    g = (g << 2) | (g >> 4);
    b = (b << 3) | (b >> 2);
    return ((r >> layout.redLoss) << layout.redShift) | ((g >> layout.greenLoss) << layout.greenShift) |
           ((b >> layout.blueLoss) << layout.blueShift) | layout.fixedBits;
}

ScaleMap MakeScaleMap(int pageWidth, int pageHeight, int outputWidth, int outputHeight) {
    ScaleMap map;
    map.pageWidth = pageWidth;
    map.pageHeight = pageHeight;
    map.outputWidth = std::max(outputWidth, 0);
    map.outputHeight = std::max(outputHeight, 0);
    map.box = FitFourByThree(outputWidth, outputHeight);
    if (map.box.Empty() || pageWidth <= 0 || pageHeight <= 0) {
        map.box = PixelRect{};
        return map;
    }
    auto sample = [](int i, int source, int output) {
        return static_cast<int>((2 * static_cast<std::int64_t>(i) + 1) * source / (2 * std::int64_t{output}));
    };
    map.sourceColumn.resize(static_cast<std::size_t>(map.box.w));
    for (int i = 0; i < map.box.w; ++i) map.sourceColumn[i] = sample(i, pageWidth, map.box.w);
    map.sourceRow.resize(static_cast<std::size_t>(map.box.h));
    for (int i = 0; i < map.box.h; ++i) map.sourceRow[i] = sample(i, pageHeight, map.box.h);
    return map;
}

PixelRect OutputArea(const ScaleMap& map, PixelRect pageArea) {
    if (map.box.Empty() || pageArea.Empty()) return {};
    PixelRect area;
    MapRange(map.sourceColumn, pageArea.x, pageArea.w, &area.x, &area.w);
    MapRange(map.sourceRow, pageArea.y, pageArea.h, &area.y, &area.h);
    if (area.Empty()) return {};
    area.x += map.box.x;
    area.y += map.box.y;
    return area;
}

void ScalePage(const std::uint16_t* page, int pagePitchPixels, const ScaleMap& map, const PixelLayout& layout,
               PixelRect area, void* output, int outputPitch) {
    if (area.Empty()) return;
    auto* bytes = static_cast<std::uint8_t*>(output);
    if (layout.bytesPerPixel == 2)
        ScaleRows<std::uint16_t>(page, pagePitchPixels, map, layout, area, bytes, outputPitch);
    else
        ScaleRows<std::uint32_t>(page, pagePitchPixels, map, layout, area, bytes, outputPitch);
}

void FillBorders(const ScaleMap& map, const PixelLayout& layout, void* output, int outputPitch) {
    auto* bytes = static_cast<std::uint8_t*>(output);
    if (layout.bytesPerPixel == 2)
        FillBordersOf(map, static_cast<std::uint16_t>(layout.fixedBits), bytes, outputPitch);
    else
        FillBordersOf(map, layout.fixedBits, bytes, outputPitch);
}

PixelRect FrameRecord::Take(const std::uint16_t* page, int width, int height, int pitchPixels) {
    auto rowOf = [&](int y) { return page + static_cast<std::ptrdiff_t>(y) * pitchPixels; };
    auto keptRow = [&](int y) { return pixels_.data() + static_cast<std::ptrdiff_t>(y) * width; };
    auto rowBytes = static_cast<std::size_t>(width) * sizeof(std::uint16_t);

    // A first frame or a new size: everything is new.
    if (!known_ || width != width_ || height != height_) {
        pixels_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        width_ = width;
        height_ = height;
        known_ = true;
        for (int y = 0; y < height; ++y) std::memcpy(keptRow(y), rowOf(y), rowBytes);
        return PixelRect{0, 0, width, height};
    }

    // Otherwise the bounding rectangle of the differing pixels, keeping the new ones.
    int top = height, bottom = -1, left = width, right = -1;
    for (int y = 0; y < height; ++y) {
        const std::uint16_t* in = rowOf(y);
        std::uint16_t* kept = keptRow(y);
        if (std::memcmp(in, kept, rowBytes) == 0) continue;
        int first = 0, last = width - 1;
        while (in[first] == kept[first]) ++first;
        while (in[last] == kept[last]) --last;
        std::memcpy(kept + first, in + first,
                    static_cast<std::size_t>(last - first + 1) * sizeof(std::uint16_t));
        top = std::min(top, y);
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    if (bottom < 0) return {};
    return PixelRect{left, top, right - left + 1, bottom - top + 1};
}

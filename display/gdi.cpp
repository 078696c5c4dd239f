// The 2-D drawing calls on our contexts: pixels, block copies, lines, rectangles, text, and the
// pens, brushes and bitmaps selected into contexts.
#include "display/gdi.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>

#include "display/context.h"
#include "display/devices.h"
#include "text/utf8.h"

namespace {

GdiObject StockPen{OBJ_PEN, 0x000000, PS_SOLID, 1, false, true, 0, {}};
GdiObject StockBrush{OBJ_BRUSH, 0xFFFFFF, PS_SOLID, 1, false, true, 0, {}};

// The 1x1 bitmap of a fresh memory context.
GdiObject& StockBitmap() {
    static GdiObject bitmap{OBJ_BITMAP, 0, PS_SOLID, 1, false, true, 0, {}};
    if (!bitmap.pixels.pixels) {
        bitmap.pixels.width = bitmap.pixels.height = bitmap.pixels.pitch = 1;
        bitmap.pixels.storage.assign(1, 0);
        bitmap.pixels.pixels = bitmap.pixels.storage.data();
    }
    return bitmap;
}

bool Usable(HDC dc) {
    if (dc && dc->surface && dc->surface->pixels) return true;
    SetLastError(ERROR_GEN_FAILURE);
    return false;
}

bool Inside(const Surface* surface, int x, int y) {
    return x >= 0 && y >= 0 && x < surface->width && y < surface->height;
}

bool Near(const Surface* surface, int x, int y, int margin) {
    return x >= -margin && y >= -margin && x < surface->width + margin && y < surface->height + margin;
}

void Plot(Surface* surface, int x, int y, std::uint16_t pixel) {
    if (Inside(surface, x, y)) surface->Row(y)[x] = pixel;
}

// A round dot of the pen's width centred on (x, y).
void Stamp(Surface* surface, int x, int y, int width, std::uint16_t pixel) {
    if (width <= 1) {
        Plot(surface, x, y, pixel);
        return;
    }
    const double radius = width / 2.0;
    const int reach = static_cast<int>(radius);
    for (int j = -reach; j <= reach; ++j) {
        for (int i = -reach; i <= reach; ++i) {
            if (i * i + j * j <= radius * radius) Plot(surface, x + i, y + j, pixel);
        }
    }
}

// Pen patterns as lengths on and off, in steps along the line, scaled by the pen's width.
void PenPattern(const GdiObject* pen, int* on, int* off) {
    const int unit = std::max(1, pen->penWidth);
    switch (pen->penStyle & 0xF) {
        case PS_DASH:
            *on = 6 * unit, *off = 3 * unit;
            break;
        case PS_DOT:
            *on = unit, *off = unit;
            break;
        default:
            *on = 1, *off = 0;
            break;
    }
}

// Clips the segment to the surface grown by `margin` (Liang-Barsky). False when nothing is left.
// *skipped receives how many steps of the walk the clipping removed at the start.
bool ClipSegment(const Surface* surface, int margin, int* x1, int* y1, int* x2, int* y2, int* skipped) {
    const double dx = *x2 - *x1;
    const double dy = *y2 - *y1;
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {*x1 + static_cast<double>(margin), surface->width - 1.0 + margin - *x1,
                         *y1 + static_cast<double>(margin), surface->height - 1.0 + margin - *y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, t);
        if (p[i] > 0) t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
    const int steps = static_cast<int>(std::max(std::fabs(dx), std::fabs(dy)));
    *skipped = static_cast<int>(t0 * steps);
    const int ox = *x1;
    const int oy = *y1;
    *x1 = static_cast<int>(std::lround(ox + t0 * dx));
    *y1 = static_cast<int>(std::lround(oy + t0 * dy));
    *x2 = static_cast<int>(std::lround(ox + t1 * dx));
    *y2 = static_cast<int>(std::lround(oy + t1 * dy));
    return true;
}

// Walks the line with the pen: Bresenham steps, the pattern deciding which steps are drawn.
void DrawLine(Surface* surface, int x1, int y1, int x2, int y2, const GdiObject* pen, bool includeEnd) {
    const int margin = pen->penWidth + 1;
    const bool farOut = !Near(surface, x1, y1, margin) || !Near(surface, x2, y2, margin);
    int phase = 0;
    if (farOut && !ClipSegment(surface, margin, &x1, &y1, &x2, &y2, &phase)) return;
    int on = 1;
    int off = 0;
    PenPattern(pen, &on, &off);
    const std::uint16_t pixel = ColourToPixel(pen->colour);
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int stepX = x1 < x2 ? 1 : -1;
    const int stepY = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    for (int step = phase;; ++step) {
        const bool last = x1 == x2 && y1 == y2;
        if (last && !includeEnd) return;
        if (off == 0 || step % (on + off) < on) Stamp(surface, x1, y1, pen->penWidth, pixel);
        if (last) return;
        const int doubled = 2 * error;
        if (doubled >= dy) error += dy, x1 += stepX;
        if (doubled <= dx) error += dx, y1 += stepY;
    }
}

// Shrinks a block copy so that it lies inside both surfaces. False when nothing is left.
bool ClipBlock(const Surface* dest, const Surface* source, int* x, int* y, int* width, int* height, int* sx,
               int* sy) {
    const int shiftX = std::max({0, -*x, -*sx});
    const int shiftY = std::max({0, -*y, -*sy});
    *x += shiftX, *sx += shiftX, *width -= shiftX;
    *y += shiftY, *sy += shiftY, *height -= shiftY;
    *width = std::min({*width, dest->width - *x, source->width - *sx});
    *height = std::min({*height, dest->height - *y, source->height - *sy});
    return *width > 0 && *height > 0;
}

HGDIOBJ NewObject(DWORD type, COLORREF colour) {
    auto* object = new GdiObject;
    object->type = type;
    object->colour = colour;
    return object;
}

}  // namespace

void InitContext(DrawingContext* dc, Surface* surface, bool memory) {
    *dc = DrawingContext{};
    dc->memory = memory;
    dc->pen = &StockPen;
    dc->brush = &StockBrush;
    if (memory) {
        dc->bitmap = &StockBitmap();
        dc->surface = &dc->bitmap->pixels;
    } else {
        dc->surface = surface;
    }
}

HBITMAP MakeBitmap(int width, int height) {
    HBITMAP bitmap = NewObject(OBJ_BITMAP, 0);
    bitmap->pixels.width = width;
    bitmap->pixels.height = height;
    bitmap->pixels.pitch = width;
    bitmap->pixels.storage.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    bitmap->pixels.pixels = bitmap->pixels.storage.data();
    return bitmap;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour) {
    if (!Usable(dc) || !Inside(dc->surface, x, y)) return CLR_INVALID;
    const std::uint16_t pixel = ColourToPixel(colour);
    dc->surface->Row(y)[x] = pixel;
    return PixelToColour(pixel);
}

COLORREF GetPixel(HDC dc, int x, int y) {
    if (!Usable(dc) || !Inside(dc->surface, x, y)) return CLR_INVALID;
    return PixelToColour(dc->surface->Row(y)[x]);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
    if (!Usable(dest) || !Usable(source) || (rop != SRCCOPY && rop != SRCPAINT)) return 0;
    Surface* to = dest->surface;
    const Surface* from = source->surface;
    if (!ClipBlock(to, from, &x, &y, &width, &height, &sx, &sy)) return 1;
    const bool upwards = to == from && y > sy;
    for (int i = 0; i < height; ++i) {
        const int row = upwards ? height - 1 - i : i;
        std::uint16_t* out = to->Row(y + row) + x;
        const std::uint16_t* in = from->Row(sy + row) + sx;
        if (rop == SRCCOPY && width == 1) {
            *out = *in;  // falling earth moves single columns: skip the call
        } else if (rop == SRCCOPY) {
            std::memmove(out, in, static_cast<std::size_t>(width) * sizeof(std::uint16_t));
        } else {
            for (int j = 0; j < width; ++j) out[j] |= in[j];
        }
    }
    return 1;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sourceWidth,
                int sourceHeight, DWORD rop) {
    if (!Usable(dest) || !Usable(source) || (rop != SRCCOPY && rop != SRCPAINT)) return 0;
    if (width < 0 || height < 0 || sourceWidth < 0 || sourceHeight < 0) return 0;
    if (width == 0 || height == 0 || sourceWidth == 0 || sourceHeight == 0) return 1;
    Surface* to = dest->surface;
    const Surface* from = source->surface;
    const int rowStart = std::max(0, -y);
    const int rowEnd = std::min(height, to->height - y);
    const int columnStart = std::max(0, -x);
    const int columnEnd = std::min(width, to->width - x);
    for (int j = rowStart; j < rowEnd; ++j) {
        const int fromY = sy + static_cast<int>(static_cast<long long>(j) * sourceHeight / height);
        if (fromY < 0 || fromY >= from->height) continue;
        std::uint16_t* out = to->Row(y + j) + x;
        const std::uint16_t* in = from->Row(fromY);
        for (int i = columnStart; i < columnEnd; ++i) {
            const int fromX = sx + static_cast<int>(static_cast<long long>(i) * sourceWidth / width);
            if (fromX < 0 || fromX >= from->width) continue;
            out[i] = rop == SRCCOPY ? in[fromX] : static_cast<std::uint16_t>(out[i] | in[fromX]);
        }
    }
    return 1;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
    if (!dc) return 0;
    if (previous) *previous = dc->position;
    dc->position = POINT{x, y};
    return 1;
}

BOOL LineTo(HDC dc, int x, int y) {
    if (!Usable(dc)) return 0;
    const GdiObject* pen = dc->pen;
    const bool roundEnds = pen->geometric || pen->penWidth > 1;
    DrawLine(dc->surface, dc->position.x, dc->position.y, x, y, pen, roundEnds);
    dc->position = POINT{x, y};
    return 1;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    if (!Usable(dc) || !rect || !brush || brush->type != OBJ_BRUSH) return 0;
    Surface* surface = dc->surface;
    const int left = std::max(rect->left, 0);
    const int top = std::max(rect->top, 0);
    const int right = std::min(rect->right, surface->width);
    const int bottom = std::min(rect->bottom, surface->height);
    const std::uint16_t pixel = ColourToPixel(brush->colour);
    for (int y = top; y < bottom && left < right; ++y)
        std::fill(surface->Row(y) + left, surface->Row(y) + right, pixel);
    return 1;
}

BOOL TextOutA(HDC dc, int x, int y, const char* text, int length) {
    return TextOutInFont(dc, x, y, text, length, false);
}

BOOL TextOutInFont(HDC dc, int x, int y, const char* text, int length, bool small) {
    if (!Usable(dc) || !text) return 0;
    Surface* surface = dc->surface;
    const std::uint16_t ink = ColourToPixel(dc->textColour);
    const std::uint16_t paper = ColourToPixel(dc->backColour);
    const int width = small ? 4 : 8, height = small ? 8 : 16;
    const std::string_view characters(text, static_cast<std::size_t>(std::max(length, 0)));
    for (std::size_t at = 0; at < characters.size(); x += width) {
        const std::uint8_t* glyph = FixedFontGlyph(Utf8Next(characters, &at), small);
        for (int row = 0; row < height; ++row) {
            const int bits = glyph ? glyph[row] : 0;
            for (int column = 0; column < width; ++column) {
                if (bits & (0x80 >> column)) {
                    Plot(surface, x + column, y + row, ink);
                } else if (dc->backMode == OPAQUE) {
                    Plot(surface, x + column, y + row, paper);
                }
            }
        }
    }
    return 1;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->textColour, colour);
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->backColour, colour);
}

int SetBkMode(HDC dc, int mode) {
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    return std::exchange(dc->backMode, mode);
}

HPEN CreatePen(int style, int width, COLORREF colour) {
    HPEN pen = NewObject(OBJ_PEN, colour);
    pen->penStyle = static_cast<DWORD>(style);
    pen->penWidth = std::max(1, width);
    return pen;
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD, const DWORD*) {
    if (!brush || brush->lbStyle != BS_SOLID) return nullptr;
    HPEN pen = NewObject(OBJ_PEN, brush->lbColor);
    pen->penStyle = style & 0xF;
    pen->penWidth = std::max<int>(1, static_cast<int>(width));
    pen->geometric = (style & PS_GEOMETRIC) != 0;
    return pen;
}

HBRUSH CreateSolidBrush(COLORREF colour) { return NewObject(OBJ_BRUSH, colour); }

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (!dc || !object) return nullptr;
    HGDIOBJ* slot = nullptr;
    switch (object->type) {
        case OBJ_PEN:
            slot = &dc->pen;
            break;
        case OBJ_BRUSH:
            slot = &dc->brush;
            break;
        case OBJ_BITMAP:
            if (!dc->memory || (object->selections > 0 && dc->bitmap != object)) return nullptr;
            slot = &dc->bitmap;
            dc->surface = &object->pixels;
            break;
        default:
            return nullptr;
    }
    HGDIOBJ previous = *slot;
    if (previous) --previous->selections;
    ++object->selections;
    *slot = object;
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (!object || object->selections > 0) return 0;
    if (!object->stock) delete object;
    return 1;
}

DWORD GetObjectType(HGDIOBJ object) { return object ? object->type : 0; }

int GetObjectA(HGDIOBJ object, int size, void* out) {
    if (!object || object->type != OBJ_BITMAP || !out || size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP info;
    info.bmWidth = object->pixels.width;
    info.bmHeight = object->pixels.height;
    info.bmWidthBytes = object->pixels.pitch * 2;
    info.bmBits = object->pixels.pixels;
    std::memcpy(out, &info, sizeof info);
    return static_cast<int>(sizeof info);
}

HDC CreateCompatibleDC(HDC) { return MakeSurfaceContext(nullptr, true); }

BOOL DeleteDC(HDC dc) {
    if (!dc || !dc->memory) return 0;
    FreeSurfaceContext(dc);
    return 1;
}

BOOL GdiFlush() { return 1; }

// Drawing contexts and the small set of 2-D drawing calls the game makes on them.
//
// A context (HDC) is lent on a surface by GetHDC (graphx.h) or made in memory with
// CreateCompatibleDC to hold a bitmap. Colours are colour references 0x00BBGGRR (red in the low
// byte); they are reduced to the surface's 16-bit RGB565 pixels when written, and widened back
// when read by putting each channel's kept bits at the top and zeros below (a written 0x00FFFFFF
// reads back as 0x00F8FCF8). Every call clips to its surface: pixels outside are neither written
// nor read. Pens, brushes and bitmaps are objects of their own, selected into a context and
// deleted by the caller; a fresh context has a black one-pixel solid pen, black text on an
// opaque white background and the current position (0, 0).
#pragma once

#include <cstdint>

#include "platform/win.h"

struct DrawingContext;
struct GdiObject;
using HDC = DrawingContext*;
using HGDIOBJ = GdiObject*;
using HPEN = GdiObject*;
using HBRUSH = GdiObject*;
using HBITMAP = GdiObject*;
using COLORREF = std::uint32_t;

struct POINT {
    int x = 0;
    int y = 0;
};

struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct LOGBRUSH {
    UINT lbStyle = 0;
    COLORREF lbColor = 0;
    std::uintptr_t lbHatch = 0;
};

// The size and depth of a bitmap, as GetObjectA reports it.
struct BITMAP {
    int bmType = 0;
    int bmWidth = 0;
    int bmHeight = 0;
    int bmWidthBytes = 0;
    std::uint16_t bmPlanes = 1;
    std::uint16_t bmBitsPixel = 16;
    void* bmBits = nullptr;
};

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }

// The answer of GetPixel and SetPixel for a point outside the surface.
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Raster operations: a plain copy, and a bitwise OR of source into destination.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Pen styles. CreatePen makes cosmetic pens (LineTo leaves out the end point); ExtCreatePen with
// PS_GEOMETRIC makes pens of any width with round ends, which include the end point.
constexpr DWORD PS_SOLID = 0;
constexpr DWORD PS_DASH = 1;
constexpr DWORD PS_DOT = 2;
constexpr DWORD PS_ENDCAP_ROUND = 0x00000000;
constexpr DWORD PS_JOIN_ROUND = 0x00000000;
constexpr DWORD PS_GEOMETRIC = 0x00010000;
constexpr UINT BS_SOLID = 0;

// Object kinds reported by GetObjectType.
constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_MEMDC = 10;

constexpr UINT IMAGE_BITMAP = 0;

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour);
COLORREF GetPixel(HDC dc, int x, int y);

// Copies a width x height block from (sx, sy) of the source to (x, y) of the destination with
// SRCCOPY or SRCPAINT. Source and destination may be the same context, overlapping. The block is
// clipped to both surfaces.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
// Scales the source block onto the destination block (nearest pixel), clipped to the destination.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sourceWidth,
                int sourceHeight, DWORD rop);

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
// Draws with the selected pen from the current position to (x, y), which becomes current.
BOOL LineTo(HDC dc, int x, int y);
// Fills the rectangle without its right column and bottom row.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
// Draws text in the 8x16 fixed font, top-left at (x, y), in the text colour, with the background
// colour behind each cell when the mode is OPAQUE.
BOOL TextOutA(HDC dc, int x, int y, const char* text, int length);
// The same in the normal font (small false) or the 4x8 small font, of this game's own.
BOOL TextOutInFont(HDC dc, int x, int y, const char* text, int length, bool small);

COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF SetBkColor(HDC dc, COLORREF colour);
int SetBkMode(HDC dc, int mode);

HPEN CreatePen(int style, int width, COLORREF colour);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles);
HBRUSH CreateSolidBrush(COLORREF colour);
// Selects a pen, brush or bitmap (bitmaps only into memory contexts) and returns the object of
// that kind it replaces, or null when the selection was refused.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Deletes a pen, brush or bitmap that is not selected into a context.
BOOL DeleteObject(HGDIOBJ object);
DWORD GetObjectType(HGDIOBJ object);
int GetObjectA(HGDIOBJ object, int size, void* out);

// A memory context with a 1x1 bitmap selected until the caller selects its own.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);

// Drawing is never deferred here, so there is nothing to flush.
BOOL GdiFlush();

// A bitmap resource of the module (RT_BITMAP), decoded to 16-bit pixels; null, with GetLastError
// set, when there is none or it cannot be read. The width, height and flags must be 0.
HBITMAP LoadImageA(HINSTANCE instance, const char* name, UINT type, int width, int height, UINT flags);

// The Graphx display layer: display devices, numbered surfaces, drawing, copies, bitmaps, fonts.
//
// Surfaces are named by (n, s, nDest). n 0 to 7 is a display device, with s 1 its visible page,
// 2 its back page and 3 its texture surface (never made here); n 8 (OFFSCREEN) names off-screen
// surface s, numbered by CreateOSSurface from 0 and never reused. nDest picks, for an off-screen
// surface, the copy belonging to device nDest (0 to 7), or the surface itself (-1 or 8).
//
// Every surface holds 16-bit RGB565 pixels. Colours handed to drawing contexts are colour
// references 0x00BBGGRR (gdi.h explains the reduction to 16 bits); fill values and colour keys
// are raw pixel values instead (white is 0xFFFF; keys are masked to 16 bits, so the key
// 0xFFFFFF means white too). Rectangles are left, top, right, bottom with right and bottom just
// outside.
//
// Calling order: GraphxEnableAdapter for each device wanted, GraphxInit, CreateOSSurface and the
// bitmap loaders, any drawing, GraphxRestoreDisplays on reactivation, GraphxFinalize once. No call
// throws; every failure writes rows under the trace module "Graphx" and shows in the result.
// Everything runs on the window's thread.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "display/gdi.h"
#include "platform/win.h"

constexpr int OFFSCREEN = 8;

// Memory kinds of CreateOSSurface: where the platform places a surface. The game uses SYSTEM.
constexpr int MEMORY_KIND_ANY = 0;
constexpr int MEMORY_KIND_VIDEO = 1;
constexpr int MEMORY_KIND_SYSTEM = 2;

// Results of the rectangle copies.
constexpr std::uint32_t GRAPHX_BLIT_OK = 0;
constexpr std::uint32_t GRAPHX_BLIT_FAILED = 0x80004001;

// A colour-key range of raw source pixel values: pixels from low to high are not copied.
struct ColourKey {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
};

// Devices and surfaces.
void GraphxEnableAdapter(int n, int width, int height, bool blitByPlatform);
bool UseAdapter(int n);
// Makes every enabled device with its page pair, both pages cleared to 0. True unless 3-D set-up
// was asked for (this layer has none); a device that could not be made stays unusable.
bool GraphxInit(HWND window, HINSTANCE instance, bool use3D);
// A new off-screen surface of width x height made by the display object of device surface (n, s);
// its number goes to *number. Pixels are not cleared. At most 100 are ever made.
bool CreateOSSurface(int* number, int n, int s, int width, int height, int memoryKind);
// Brings back lost pages on reactivation.
bool GraphxRestoreDisplays();
// Releases every surface and device; nothing may use the layer afterwards.
void GraphxFinalize();
// Tests: forget every device, surface, font and fault, as at program start.
void GraphxResetForTests();

// Drawing contexts. A context lent by GetHDC must be given back with ReleaseHDC on the same
// (n, s, nDest) before the surface is copied, filled or flipped.
bool GetHDC(HDC* dc, int n, int s, int nDest);
void ReleaseHDC(HDC dc, int n, int s, int nDest);

// Fills (left, top, right, bottom) of (n, s) with a raw pixel value; left < 0 fills the whole
// surface. An empty rectangle with left and top >= 0 draws nothing and succeeds.
bool ClearScreen(int n, int s, std::uint32_t fill, int left, int top, int right, int bottom);
// Text of at most 200 characters in the 8x16 fixed font, top-left at (x, y).
void GraphxString(HDC dc, int x, int y, COLORREF textColour, COLORREF backColour, bool transparent,
                  const char* format, ...) __attribute__((format(printf, 7, 8)));
void GraphxStringV(HDC dc, int x, int y, COLORREF textColour, COLORREF backColour, bool transparent,
                   const char* format, std::va_list args);
// A line of text centred across the surface with its shadow one pixel right and down, in the normal
// or the small font: the words of the title and terraforming pictures.
void GraphxShadowedLine(HDC dc, int y, bool small, COLORREF colour, COLORREF shadow, const char* text);
// Pen styles of GraphxLine.
constexpr int PEN_SOLID = 1;
constexpr int PEN_DASHED = 2;
constexpr int PEN_DOTTED = 3;
// A line from (x1, y1) to (x2, y2), both ends included, width pixels wide with round ends.
void GraphxLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int width, int penStyle);
// Fills the rectangle without its right column and bottom row.
void GraphxFillRect(HDC dc, int left, int top, int right, int bottom, COLORREF colour);

// Shows the back page of device n and makes the old visible page the back page.
void GraphxFlip(int n);
// Shows the visible page of device n again, after drawing on it between flips.
void GraphxPresentAgain(int n);
// 0 when device n can flip now; 0x80070057 when it cannot be resolved.
std::uint32_t GraphxCanFlip(int n, int unused);

// Copies a rectangle of off-screen surface sSrc (nSrc must be 8) to (nDest, sDest), clipped to
// the destination unless stretching. Returns GRAPHX_BLIT_OK, also when nothing was in view.
std::uint32_t GraphxBlitSurface(int nSrc, int sSrc, int nDest, int sDest, int destLeft, int destTop,
                                int destRight, int destBottom, int srcLeft, int srcTop, int srcRight,
                                int srcBottom, bool useDeviceCopy, bool throughContexts, bool useColourKey,
                                const ColourKey* key, bool allowStretch);
// The unscaled copy of a source rectangle to (x, y).
std::uint32_t GraphxBlitSurfaceAt(int nSrc, int sSrc, int nDest, int sDest, int x, int y, int srcLeft,
                                  int srcTop, int srcRight, int srcBottom, bool useDeviceCopy,
                                  bool throughContexts, bool useColourKey, const ColourKey* key);
// Device copies of off-screen surfaces: with device 0 the only device, the surface itself is the
// only copy there is, so these only check that device d has it and that s exists.
bool EnsureSurfaceCompat(int s, int d);
bool UpdateDuplicateSurfaces(int s);

// Bitmaps (embedded RT_BITMAP resources, BMP at 1, 8 or 24 bits per pixel).
bool GraphxBitmapToOSSurface(int* number, int n, int s, HINSTANCE instance, const char* name, int memoryKind,
                             int width, int height, bool fitWidth, bool fitHeight);
bool StretchBitmap(HDC source, int sourceWidth, int sourceHeight, HDC dest, int destWidth, int destHeight,
                   bool fitWidth, bool fitHeight);
// Copies a bitmap unscaled to (0, 0) of (n, s).
bool GraphxCopyBitmapToSurface(int n, int s, HINSTANCE instance, const char* name);

// The bitmapped fonts: one row of cells for the characters of display/glyph_codes.h, 8x16 (normal)
// and 4x8 (small), white glyphs on black with each glyph's first column empty.
extern int NormalFontSurface;
extern int SmallFontSurface;
void GraphxInitBitmappedFont(HINSTANCE instance, int n, int s, const char* normalName, const char* smallName);
// Text of at most 200 bytes of UTF-8 in a bitmapped font, one cell a character; orMode draws glyphs
// over what is there, otherwise whole cells replace it.
void GraphxBitmapString(HDC dc, int x, int y, bool orMode, bool small, const char* format, ...)
    __attribute__((format(printf, 6, 7)));
void GraphxBitmapStringV(HDC dc, int x, int y, bool orMode, bool small, const char* format,
                         std::va_list args);

// Screenshots as PNG: any page or off-screen surface, and the visible page of device 0.
bool GraphxWritePng(const char* path, int n, int s);
bool GraphxWriteVisiblePng(const char* path);

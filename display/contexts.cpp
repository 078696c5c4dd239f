// Lending drawing contexts on surfaces, whole-surface fills, page flips, and the three drawing
// helpers (text, lines, filled rectangles) that the game's screens use.
#include <cstdio>
#include <cstring>

#include "display/context.h"
#include "display/devices.h"
#include "display/graphx.h"
#include "text/utf8.h"

namespace {

// GetHDC gives up after this many restores of a page that stays lost.
constexpr int CONTEXT_RESTORES = 4;
// ClearScreen and GraphxFlip try again after a lost page or a refused flip at most this often.
constexpr int SURFACE_RETRIES = 8;
// GraphxString and GraphxBitmapString draw at most this many characters.
constexpr int TEXT_LIMIT = 200;

// Brings back a lost surface named by (n, s): for a device its page pair through the visible
// page, for an off-screen surface the surface itself. Writes the platform code to *result.
bool RestoreAddress(int n, int s, Surface* surface, std::uint32_t* result) {
    Surface* target = surface;
    if (n != OFFSCREEN) {
        if (s == 3 && !getDD(n, s, nullptr, &target, nullptr, -1)) return false;
        if (!getDD(n, 1, nullptr, &target, nullptr, -1) || !target) return false;
    }
    *result = SurfaceRestore(target);
    return true;
}

// The name a failed context request is traced under.
const char* ContextErrorName(std::uint32_t code) {
    switch (code) {
        case DDERR_GENERIC:
        case DDERR_UNSUPPORTED:
        case DDERR_INVALIDPARAMS:
        case DDERR_INVALIDOBJECT:
        case DDERR_DCALREADYCREATED:
        case DDERR_INVALIDSURFACETYPE:
        case DDERR_WASSTILLDRAWING:
            return DDErrorName(code);
        default:
            return "Unknown Error";
    }
}

// Asks for the surface's context, restoring a lost page at most CONTEXT_RESTORES times.
bool RequestContext(int n, int s, Surface* surface) {
    GRAPHX_SCOPE_NAMED("GetHDC", false);
    int restores = 0;
    for (;;) {
        const std::uint32_t result = SurfaceGetDC(surface);
        if (result == DD_OK) return true;
        if (result != DDERR_SURFACELOST) {
            GRAPHX_ERROR("%s", ContextErrorName(result));
            return false;
        }
        GRAPHX_ROW(DIAG_DEBUG, "DDERR_SURFACELOST");
        GRAPHX_ROW(DIAG_DEBUG, "Trying to regain lost surface");
        std::uint32_t restored = DD_OK;
        if (!RestoreAddress(n, s, surface, &restored)) {
            GRAPHX_ERROR("Couldn't get primary/texture surface");
            return false;
        }
        if (restored != DD_OK) {
            GRAPHX_ERROR("restore error %i", DDErrorNumber(restored));
            return false;
        }
        GRAPHX_ROW(DIAG_DEBUG, "restored surface");
        if (++restores >= CONTEXT_RESTORES) {
            GRAPHX_ERROR("Restores a few times but can't get a DC - giving up");
            return false;
        }
    }
}

// One fill attempt after another while the surface is lost and comes back.
bool FillSurface(int n, Surface* surface, const PixelRect* rect, std::uint16_t fill) {
    GRAPHX_SCOPE_NAMED("ClearScreen", false);
    for (int attempt = 0; attempt < SURFACE_RETRIES; ++attempt) {
        const std::uint32_t result = SurfaceColourFill(surface, rect, fill);
        if (result == DD_OK) return true;
        if (result == DDERR_WASSTILLDRAWING) return false;
        if (result != DDERR_SURFACELOST) {
            GRAPHX_ERROR("lpDDS->Blt %i", DDErrorNumber(result));
            if (result == DDERR_INVALIDRECT && rect) {
                GRAPHX_ERROR("invalid rect (%i, %i) (%i, %i)", rect->left, rect->top, rect->right,
                             rect->bottom);
            }
            return false;
        }
        std::uint32_t restored = DD_OK;
        if (!RestoreAddress(n, 1, surface, &restored)) return false;
        if (restored != DD_OK) {
            GRAPHX_ERROR("lpDDS->Blt, couldn't restore surface");
            return false;
        }
    }
    GRAPHX_ERROR("lpDDS->Blt, surface still lost after %i restores", SURFACE_RETRIES);
    return false;
}

}  // namespace

HDC MakeSurfaceContext(Surface* surface, bool memory) {
    auto* dc = new DrawingContext;
    InitContext(dc, surface, memory);
    return dc;
}

void FreeSurfaceContext(HDC dc) {
    if (!dc) return;
    for (HGDIOBJ selected : {dc->pen, dc->brush, dc->bitmap}) {
        if (selected) --selected->selections;
    }
    delete dc;
}

Surface* ContextSurface(HDC dc) { return dc ? dc->surface : nullptr; }

bool GetHDC(HDC* dc, int n, int s, int nDest) {
    GRAPHX_SCOPE();
    Surface* surface = nullptr;
    if (!getDD(n, s, nullptr, &surface, nullptr, nDest) || !surface) return false;
    if (!RequestContext(n, s, surface)) return false;
    *dc = MakeSurfaceContext(surface, false);
    return true;
}

void ReleaseHDC(HDC dc, int n, int s, int nDest) {
    GRAPHX_SCOPE();
    Surface* surface = nullptr;
    if (!getDD(n, s, nullptr, &surface, nullptr, nDest)) {
        GRAPHX_ERROR("getDD");
        return;
    }
    if (surface) SurfaceReleaseDC(surface);
    FreeSurfaceContext(dc);
}

bool ClearScreen(int n, int s, std::uint32_t fill, int left, int top, int right, int bottom) {
    GRAPHX_SCOPE();
    if (left >= 0 && top >= 0 && (left == right || top == bottom)) return true;
    Surface* surface = nullptr;
    if (!getDD(n, s, nullptr, &surface, nullptr, -1) || !surface) return false;
    const PixelRect rect{left, top, right, bottom};
    return FillSurface(n, surface, left < 0 ? nullptr : &rect, static_cast<std::uint16_t>(fill));
}

void GraphxFlip(int n) {
    GRAPHX_SCOPE();
    Surface* visible = nullptr;
    if (!getDD(n, 1, nullptr, &visible, nullptr, -1) || !visible) return;
    for (int attempt = 0; attempt < SURFACE_RETRIES; ++attempt) {
        const std::uint32_t result = SurfaceFlip(visible);
        if (result == DD_OK || result == DDERR_WASSTILLDRAWING) return;
        if (result == DDERR_SURFACELOST && SurfaceRestore(visible) != DD_OK) return;
    }
    GRAPHX_ERROR("Flip refused %i times - giving up", SURFACE_RETRIES);
}

void GraphxPresentAgain(int n) {
    GRAPHX_SCOPE();
    Surface* visible = nullptr;
    if (!getDD(n, 1, nullptr, &visible, nullptr, -1) || !visible) return;
    SurfacePresentAgain(visible);
}

std::uint32_t GraphxCanFlip(int n, int) {
    GRAPHX_SCOPE();
    Surface* visible = nullptr;
    if (!getDD(n, 1, nullptr, &visible, nullptr, -1) || !visible) return E_INVALIDARG;
    return SurfaceGetFlipStatus(visible);
}

void GraphxString(HDC dc, int x, int y, COLORREF textColour, COLORREF backColour, bool transparent,
                  const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    GraphxStringV(dc, x, y, textColour, backColour, transparent, format, args);
    va_end(args);
}

void GraphxStringV(HDC dc, int x, int y, COLORREF textColour, COLORREF backColour, bool transparent,
                   const char* format, std::va_list args) {
    GRAPHX_SCOPE_NAMED("GraphxString", false);
    SetTextColor(dc, textColour);
    SetBkColor(dc, backColour);
    if (transparent) SetBkMode(dc, TRANSPARENT);
    char text[TEXT_LIMIT + 1];
    const int wanted = std::vsnprintf(text, sizeof text, format, args);
    const int length = wanted < 0 ? 0 : (wanted > TEXT_LIMIT ? TEXT_LIMIT : wanted);
    if (!TextOutA(dc, x, y, text, length)) GRAPHX_ERROR("TextOut");
}

void GraphxShadowedLine(HDC dc, int y, bool small, COLORREF colour, COLORREF shadow, const char* text) {
    GRAPHX_SCOPE_NAMED("GraphxShadowedLine", false);
    if (!dc || !dc->surface || !text) return;
    const int length = static_cast<int>(std::strlen(text));
    const int x = (dc->surface->width - static_cast<int>(Utf8Columns(text)) * (small ? 4 : 8)) / 2;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, shadow);
    TextOutInFont(dc, x + 1, y + 1, text, length, small);
    SetTextColor(dc, colour);
    TextOutInFont(dc, x, y, text, length, small);
}

void GraphxLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int width, int penStyle) {
    GRAPHX_SCOPE();
    static constexpr DWORD STYLES[] = {PS_SOLID, PS_DASH, PS_DOT};
    if (penStyle < PEN_SOLID || penStyle > PEN_DOTTED) {
        GRAPHX_ERROR("bad penStyle");
        return;
    }
    const LOGBRUSH brush{BS_SOLID, colour, 0};
    const DWORD style = PS_GEOMETRIC | STYLES[penStyle - 1] | PS_ENDCAP_ROUND | PS_JOIN_ROUND;
    HPEN pen = ExtCreatePen(style, static_cast<DWORD>(width < 1 ? 1 : width), &brush, 0, nullptr);
    HGDIOBJ previous = SelectObject(dc, pen);
    if (!previous) {
        DeleteObject(pen);
        return;
    }
    if (!MoveToEx(dc, x1, y1, nullptr)) GRAPHX_ERROR("MoveToEx");
    if (!LineTo(dc, x2, y2)) {
        GRAPHX_ERROR("LineTo(%i,%i,%i,%i)", x1, y1, x2, y2);
        DiagLastError();
    }
    SelectObject(dc, previous);
    DeleteObject(pen);
}

void GraphxFillRect(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    GRAPHX_SCOPE();
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT rect{left, top, right, bottom};
    if (!FillRect(dc, &rect, brush)) {
        GRAPHX_ERROR("FillRect");
        DiagLastError();
    }
    DeleteObject(brush);
}

// Copying rectangles of off-screen surfaces onto pages and other surfaces, with clipping to the
// destination and colour keys; and the per-device copies of off-screen surfaces.
#include <algorithm>

#include "display/context.h"
#include "display/devices.h"
#include "display/graphx.h"

namespace {

// A copy whose surfaces keep coming back lost gives up after this many restores.
constexpr int BLIT_RESTORES = 8;

// Everything a copy works with, as its caller gave it.
struct CopyRequest {
    int sSrc;
    int nDest;
    int sDest;
    PixelRect dest;
    PixelRect source;
    bool useDeviceCopy;
    bool useColourKey;
    const ColourKey* key;
    bool allowStretch;
};

const char* SurfaceKindName(int n, int s) {
    if (n == OFFSCREEN) return "offscreen surface";
    switch (s) {
        case 1:
            return "primary";
        case 2:
            return "backbuffer";
        case 3:
            return "texture";
        default:
            return "unknown surface";
    }
}

// The rows that follow a failed platform copy: its code's name, then both rectangles as given.
void TraceCopyFailure(const CopyRequest& copy, const char* what) {
    GRAPHX_SCOPE_NAMED("GraphxBlitSurface", false);
    GRAPHX_ERROR("Blt or BltFast returned %s", what);
    GRAPHX_ERROR("source: %s %i, (%i,%i)to(%i,%i)", "offscreen surface", copy.sSrc, copy.source.left,
                 copy.source.top, copy.source.right, copy.source.bottom);
    const int number = copy.nDest == OFFSCREEN ? copy.sDest : copy.nDest;
    GRAPHX_ERROR("destination: %s %i, (%i,%i)to(%i,%i)", SurfaceKindName(copy.nDest, copy.sDest), number,
                 copy.dest.left, copy.dest.top, copy.dest.right, copy.dest.bottom);
}

void TraceInvalidRect(const CopyRequest& copy, const Surface* source, const Surface* dest) {
    GRAPHX_SCOPE_NAMED("GraphxBlitSurface", false);
    GRAPHX_ERROR("INVALIDRECT");
    GRAPHX_ERROR("BLTFAST=%i, SYNC_BLIT=%i", 0, 1);
    GRAPHX_ERROR("source rect(x,y,w,h)=%i,%i,%i,%i ", copy.source.left, copy.source.top, copy.source.Width(),
                 copy.source.Height());
    GRAPHX_ERROR("dest rect(x,y,w,h)=%i,%i,%i,%i ", copy.dest.left, copy.dest.top, copy.dest.Width(),
                 copy.dest.Height());
    GRAPHX_ERROR("Source surface %ix%i", source->width, source->height);
    GRAPHX_ERROR("Dest surface %ix%i", dest->width, dest->height);
}

// Clips the destination rectangle to the surface and moves the source rectangle with it. False
// when nothing of the copy lies on the surface.
bool ClipToDestination(const Surface* dest, PixelRect* destRect, PixelRect* sourceRect) {
    const PixelRect clipped{std::max(destRect->left, 0), std::max(destRect->top, 0),
                            std::min(destRect->right, dest->width), std::min(destRect->bottom, dest->height)};
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) return false;
    sourceRect->left += clipped.left - destRect->left;
    sourceRect->top += clipped.top - destRect->top;
    sourceRect->right = sourceRect->left + clipped.Width();
    sourceRect->bottom = sourceRect->top + clipped.Height();
    *destRect = clipped;
    return true;
}

// The copy through two drawing contexts: plain block copies, or a marked stretch.
void CopyThroughContexts(const CopyRequest& copy) {
    GRAPHX_SCOPE_NAMED("GraphxBlitSurface", false);
    HDC source = nullptr;
    HDC dest = nullptr;
    if (!GetHDC(&source, OFFSCREEN, copy.sSrc, copy.nDest)) {
        GRAPHX_ERROR("Couldn't get source HDC");
        return;
    }
    if (!GetHDC(&dest, copy.nDest, copy.sDest, -1)) {
        GRAPHX_ERROR("Couldn't get dest HDC");
        ReleaseHDC(source, OFFSCREEN, copy.sSrc, copy.nDest);
        return;
    }
    const PixelRect& d = copy.dest;
    const PixelRect& s = copy.source;
    if (d.Width() == s.Width() && d.Height() == s.Height()) {
        if (!BitBlt(dest, d.left, d.top, d.Width(), d.Height(), source, s.left, s.top, SRCCOPY)) {
            DiagLastError();
            GRAPHX_ERROR("BitBlt");
            GRAPHX_ERROR("nSrc=%i, sSrc=%i", OFFSCREEN, copy.sSrc);
            GRAPHX_ERROR("nDest=%i, sDest=%i", copy.nDest, copy.sDest);
            GRAPHX_ERROR("dest rect = (%i, %i, %i, %i)", d.left, d.top, d.right, d.bottom);
            GRAPHX_ERROR("source rect = (%i, %i, %i, %i)", s.left, s.top, s.right, s.bottom);
            GRAPHX_ERROR("source surface details:");
            DiagHDC(source);
            GRAPHX_ERROR("destination surface details:");
            DiagHDC(dest);
        }
    } else {
        if (!StretchBlt(dest, d.left, d.top, d.Width(), d.Height(), source, s.left, s.top, s.Width(),
                        s.Height(), SRCCOPY)) {
            GRAPHX_ERROR("HDC StretchBlt");
            DiagLastError();
            GRAPHX_ERROR("dest: %i,%i,%i,%i", d.left, d.top, d.Width(), d.Height());
            GRAPHX_ERROR("src:  %i,%i,%i,%i", s.left, s.top, s.Width(), s.Height());
        }
        GraphxFillRect(dest, d.left, d.top, d.right, d.bottom, 0x0000FF);
        GraphxLine(dest, d.left, d.top, d.right - 1, d.bottom - 1, 0x00FFFF, 1, PEN_SOLID);
        GraphxLine(dest, d.right - 1, d.top, d.left, d.bottom - 1, 0x00FFFF, 1, PEN_SOLID);
    }
    ReleaseHDC(dest, copy.nDest, copy.sDest, -1);
    ReleaseHDC(source, OFFSCREEN, copy.sSrc, copy.nDest);
}

// Restores whichever surface of a copy was lost. False when the copy is to be given up.
bool RestoreForCopy(const CopyRequest& copy, Surface* source, Surface* dest) {
    GRAPHX_SCOPE_NAMED("GraphxBlitSurface", false);
    const std::uint32_t destState = SurfaceIsLost(dest);
    if (destState == DDERR_SURFACELOST) {
        if (SurfaceRestore(dest) == DD_OK) return true;
        TraceCopyFailure(copy, "Couldn't restore destination surface");
        return false;
    }
    if (destState != DD_OK) {
        TraceCopyFailure(copy, "lpDDSDest->IsLost");
        return false;
    }
    return SurfaceIsLost(source) == DDERR_SURFACELOST && SurfaceRestore(source) == DD_OK;
}

// The platform's copy: resolve, clip, blit, and restore lost surfaces between attempts.
std::uint32_t CopyByPlatform(CopyRequest copy) {
    GRAPHX_SCOPE_NAMED("GraphxBlitSurface", false);
    Surface* source = nullptr;
    Surface* dest = nullptr;
    const int sourceDevice = copy.useDeviceCopy && copy.nDest != OFFSCREEN ? copy.nDest : -1;
    if (!getDD(OFFSCREEN, copy.sSrc, nullptr, &source, nullptr, sourceDevice)) {
        GRAPHX_ERROR("getDD src");
        return GRAPHX_BLIT_FAILED;
    }
    if (!getDD(copy.nDest, copy.sDest, nullptr, &dest, nullptr, -1)) {
        GRAPHX_ERROR("getDD dest");
        return GRAPHX_BLIT_FAILED;
    }
    if (!source || !dest) {
        TraceCopyFailure(copy, source ? "lpDDSDest==NULL" : "lpDDSSrc==NULL");
        return GRAPHX_BLIT_FAILED;
    }
    PixelRect destRect = copy.dest;
    PixelRect sourceRect = copy.source;
    if (!copy.allowStretch && !ClipToDestination(dest, &destRect, &sourceRect)) return GRAPHX_BLIT_OK;
    KeyRange range;
    if (copy.useColourKey && copy.key) range = KeyRange{copy.key->low, copy.key->high};
    const KeyRange* key = copy.useColourKey && copy.key ? &range : nullptr;
    for (int restores = 0; restores <= BLIT_RESTORES; ++restores) {
        const std::uint32_t result = SurfaceBlt(dest, destRect, source, sourceRect, key);
        if (result == DD_OK) return GRAPHX_BLIT_OK;
        if (result == DDERR_INVALIDRECT) {
            TraceInvalidRect(copy, source, dest);
            return GRAPHX_BLIT_FAILED;
        }
        if (result != DDERR_SURFACELOST) {
            TraceCopyFailure(copy, DDErrorName(result));
            return GRAPHX_BLIT_FAILED;
        }
        if (!RestoreForCopy(copy, source, dest)) return GRAPHX_BLIT_FAILED;
    }
    GRAPHX_ERROR("Gave up after %i restores of lost surfaces", BLIT_RESTORES);
    return GRAPHX_BLIT_FAILED;
}

}  // namespace

std::uint32_t GraphxBlitSurface(int nSrc, int sSrc, int nDest, int sDest, int destLeft, int destTop,
                                int destRight, int destBottom, int srcLeft, int srcTop, int srcRight,
                                int srcBottom, bool useDeviceCopy, bool throughContexts, bool useColourKey,
                                const ColourKey* key, bool allowStretch) {
    GRAPHX_SCOPE();
    if (nSrc < 0 || nSrc > OFFSCREEN || sSrc < 0 || nDest < 0 || nDest > OFFSCREEN || sDest < 0) {
        GRAPHX_ERROR("Silly params  %i %i %i %i", nSrc, sSrc, nDest, sDest);
        return GRAPHX_BLIT_FAILED;
    }
    if (nSrc != OFFSCREEN) {
        GRAPHX_ROW(DIAG_DEBUG, "Aborting because source isn't an offscreen surface");
        return GRAPHX_BLIT_FAILED;
    }
    const CopyRequest copy{sSrc,
                           nDest,
                           sDest,
                           PixelRect{destLeft, destTop, destRight, destBottom},
                           PixelRect{srcLeft, srcTop, srcRight, srcBottom},
                           useDeviceCopy,
                           useColourKey,
                           key,
                           allowStretch};
    Surface* source = nullptr;
    if (useDeviceCopy) EnsureSurfaceCompat(sSrc, nDest);
    getDD(OFFSCREEN, sSrc, nullptr, &source, nullptr, useDeviceCopy ? nDest : -1);
    if (!source) {
        GRAPHX_ERROR("srcSurface==NULL");
        return GRAPHX_BLIT_FAILED;
    }
    if (!allowStretch &&
        (copy.dest.Width() != copy.source.Width() || copy.dest.Height() != copy.source.Height())) {
        GRAPHX_ERROR("Rectangles differ in size: dest %ix%i, source %ix%i", copy.dest.Width(),
                     copy.dest.Height(), copy.source.Width(), copy.source.Height());
        return GRAPHX_BLIT_FAILED;
    }
    const DR* device = DeviceRecord(nDest);
    const bool contextPath = throughContexts || (device && !device->blitByPlatform);
    if (!contextPath) return CopyByPlatform(copy);
    CopyThroughContexts(copy);
    return GRAPHX_BLIT_OK;
}

std::uint32_t GraphxBlitSurfaceAt(int nSrc, int sSrc, int nDest, int sDest, int x, int y, int srcLeft,
                                  int srcTop, int srcRight, int srcBottom, bool useDeviceCopy,
                                  bool throughContexts, bool useColourKey, const ColourKey* key) {
    GRAPHX_SCOPE();
    return GraphxBlitSurface(nSrc, sSrc, nDest, sDest, x, y, x + (srcRight - srcLeft),
                             y + (srcBottom - srcTop), srcLeft, srcTop, srcRight, srcBottom, useDeviceCopy,
                             throughContexts, useColourKey, key, false);
}

bool EnsureSurfaceCompat(int s, int d) {
    GRAPHX_SCOPE();
    if (d == OFFSCREEN) return true;
    if (s < 0 || s >= OSSurfaceCount || d < 0 || d >= DISPLAY_DEVICE_COUNT || !OSSurfaceTable[s].copies[d]) {
        GRAPHX_ERROR("pSurface==null");
        return false;
    }
    return true;
}

bool UpdateDuplicateSurfaces(int s) {
    GRAPHX_SCOPE_TRACED();
    return s >= 0 && s < OSSurfaceCount;
}

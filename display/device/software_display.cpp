// The software display objects: surfaces in main memory, page pairs exchanged by a flip, blits,
// fills, and the fault plan that makes them fail on request.
#include <algorithm>
#include <cstring>
#include <utility>

#include "display/device/dd.h"
#include "platform/win.h"

DisplayFaults DisplayFaultPlan;

namespace {

// Takes one from a failure counter; true when the call is to fail.
bool TakeFailure(int& counter) {
    if (counter <= 0) return false;
    --counter;
    return true;
}

bool InsideSurface(const Surface* surface, const PixelRect& rect) {
    return rect.left >= 0 && rect.top >= 0 && rect.left <= rect.right && rect.top <= rect.bottom &&
           rect.right <= surface->width && rect.bottom <= surface->height;
}

Surface* NewSurface(DisplayObject* maker, int width, int height, int memoryKind) {
    auto* surface = new Surface;
    surface->width = width;
    surface->height = height;
    surface->pitch = width;
    surface->memoryKind = memoryKind;
    surface->maker = maker;
    surface->storage.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    surface->pixels = surface->storage.data();
    DisplayAddRef(maker);
    return surface;
}

// Copies rows between surfaces of the same size, keeping every pixel (memmove order, so that a
// rectangle may overlap itself within one surface).
void CopyRows(Surface* dest, const PixelRect& d, const Surface* source, const PixelRect& s) {
    const int width = d.Width();
    const int height = d.Height();
    const bool upwards = dest == source && d.top > s.top;
    for (int i = 0; i < height; ++i) {
        const int row = upwards ? height - 1 - i : i;
        std::memmove(dest->Row(d.top + row) + d.left, source->Row(s.top + row) + s.left,
                     static_cast<std::size_t>(width) * sizeof(std::uint16_t));
    }
}

// One row of a keyed copy: each pixel the source's unless its value lies in the key range [low,
// low + span]. Every pixel is written, kept or replaced, in runs of 16 taken from the source first
// (which may be the same surface), so that the compiler makes vector operations of them.
void CopyKeyedRow(std::uint16_t* to, const std::uint16_t* from, int width, std::uint16_t low,
                  std::uint16_t span) {
    constexpr int RUN = 16;
    auto keyed = [low, span](std::uint16_t pixel, std::uint16_t under) {
        return static_cast<std::uint16_t>(pixel - low) > span ? pixel : under;
    };
    int x = 0;
    for (; x + RUN <= width; x += RUN) {
        std::uint16_t run[RUN];
        std::copy_n(from + x, RUN, run);
        for (int i = 0; i < RUN; ++i) to[x + i] = keyed(run[i], to[x + i]);
    }
    for (; x < width; ++x) to[x] = keyed(from[x], to[x]);
}

// Copies rows of the same size, leaving out source pixels whose value lies in the key range.
void CopyKeyed(Surface* dest, const PixelRect& d, const Surface* source, const PixelRect& s,
               const KeyRange& key) {
    const auto low = static_cast<std::uint16_t>(key.low);
    const auto span = static_cast<std::uint16_t>((key.high & 0xFFFFu) - low);
    for (int y = 0; y < d.Height(); ++y)
        CopyKeyedRow(dest->Row(d.top + y) + d.left, source->Row(s.top + y) + s.left, d.Width(), low, span);
}

// Scales by nearest neighbour, leaving out keyed source pixels when there is a key.
void CopyScaled(Surface* dest, const PixelRect& d, const Surface* source, const PixelRect& s,
                const KeyRange* key) {
    const std::uint32_t low = key ? (key->low & 0xFFFFu) : 1;
    const std::uint32_t high = key ? (key->high & 0xFFFFu) : 0;
    const int width = d.Width();
    const int height = d.Height();
    for (int y = 0; y < height; ++y) {
        const int sy = s.top + static_cast<int>(static_cast<long long>(y) * s.Height() / height);
        const std::uint16_t* from = source->Row(sy);
        std::uint16_t* to = dest->Row(d.top + y) + d.left;
        for (int x = 0; x < width; ++x) {
            const int sx = s.left + static_cast<int>(static_cast<long long>(x) * s.Width() / width);
            const std::uint16_t pixel = from[sx];
            if (pixel >= low && pixel <= high) continue;
            to[x] = pixel;
        }
    }
}

}  // namespace

void DisplayResetFaults() { DisplayFaultPlan = DisplayFaults{}; }

void DisplayLoseSurface(Surface* surface) {
    if (!surface) return;
    surface->lost = true;
    if (surface->partner) surface->partner->lost = true;
}

DisplayObject* DisplayCreate(int device, std::uint32_t* result) {
    if (DisplayFaultPlan.failDisplayObject) {
        *result = DDERR_NODIRECTDRAWHW;
        return nullptr;
    }
    *result = DD_OK;
    auto* display = new DisplayObject;
    display->device = device;
    return display;
}

void DisplayAddRef(DisplayObject* display) {
    if (display) ++display->references;
}

void DisplayRelease(DisplayObject* display) {
    if (display && --display->references == 0) delete display;
}

std::uint32_t DisplaySetMode(DisplayObject* display, int width, int height) {
    if (DisplayFaultPlan.setModeError != DD_OK) return DisplayFaultPlan.setModeError;
    if (width <= 0 || height <= 0) return DDERR_INVALIDMODE;
    display->modeWidth = width;
    display->modeHeight = height;
    return DD_OK;
}

std::uint32_t DisplayCreatePages(DisplayObject* display, bool videoMemory, Surface** visible,
                                 Surface** back) {
    if (DisplayFaultPlan.failAllPages) return DDERR_OUTOFMEMORY;
    if (videoMemory && DisplayFaultPlan.failVideoPages) return DDERR_OUTOFVIDEOMEMORY;
    if (display->modeWidth <= 0 || display->modeHeight <= 0) return DDERR_NOEXCLUSIVEMODE;
    const int kind = videoMemory ? MEMORY_KIND_VIDEO : MEMORY_KIND_ANY;
    Surface* front = NewSurface(display, display->modeWidth, display->modeHeight, kind);
    Surface* behind = NewSurface(display, display->modeWidth, display->modeHeight, kind);
    for (Surface* page : {front, behind})
        std::fill(page->storage.begin(), page->storage.end(), std::uint16_t{0});
    front->partner = behind;
    behind->partner = front;
    *visible = front;
    *back = behind;
    return DD_OK;
}

std::uint32_t DisplayCreateSurface(DisplayObject* display, const SurfaceDesc& desc, Surface** out) {
    if (TakeFailure(DisplayFaultPlan.failSurfaceCreations)) return DDERR_OUTOFMEMORY;
    if (desc.width <= 0 || desc.height <= 0) return DDERR_INVALIDPARAMS;
    const int kind = desc.memoryKind == MEMORY_KIND_VIDEO ? MEMORY_KIND_VIDEO : MEMORY_KIND_SYSTEM;
    *out = NewSurface(display, desc.width, desc.height, kind);
    return DD_OK;
}

void SurfaceAddRef(Surface* surface) {
    if (surface) ++surface->references;
}

void SurfaceRelease(Surface* surface) {
    if (!surface || --surface->references > 0) return;
    if (surface->partner) surface->partner->partner = nullptr;
    DisplayRelease(surface->maker);
    delete surface;
}

DisplayObject* SurfaceMaker(Surface* surface) {
    DisplayAddRef(surface->maker);
    return surface->maker;
}

std::uint32_t SurfaceIsLost(const Surface* surface) {
    if (DisplayFaultPlan.isLostError != DD_OK) return DisplayFaultPlan.isLostError;
    return surface->lost ? DDERR_SURFACELOST : DD_OK;
}

std::uint32_t SurfaceRestore(Surface* surface) {
    ++DisplayFaultPlan.restoreCalls;
    if (TakeFailure(DisplayFaultPlan.failRestores)) return DisplayFaultPlan.restoreError;
    if (DisplayFaultPlan.restoreKeepsLost) return DD_OK;
    surface->lost = false;
    if (surface->partner) surface->partner->lost = false;
    return DD_OK;
}

std::uint32_t SurfaceGetDC(Surface* surface) {
    ++DisplayFaultPlan.getDCCalls;
    if (DisplayFaultPlan.getDCError != DD_OK) return DisplayFaultPlan.getDCError;
    if (surface->lost) return DDERR_SURFACELOST;
    if (surface->dcOut) return DDERR_DCALREADYCREATED;
    surface->dcOut = true;
    return DD_OK;
}

std::uint32_t SurfaceReleaseDC(Surface* surface) {
    if (!surface->dcOut) return DDERR_NODC;
    surface->dcOut = false;
    return DD_OK;
}

std::uint32_t SurfaceColourFill(Surface* surface, const PixelRect* rect, std::uint16_t fill) {
    if (TakeFailure(DisplayFaultPlan.failBlits)) return DisplayFaultPlan.blitError;
    if (surface->lost) return DDERR_SURFACELOST;
    if (surface->dcOut) return DDERR_SURFACEBUSY;
    const PixelRect whole{0, 0, surface->width, surface->height};
    const PixelRect area = rect ? *rect : whole;
    if (!InsideSurface(surface, area)) return DDERR_INVALIDRECT;
    for (int y = area.top; y < area.bottom; ++y) {
        std::fill_n(surface->Row(y) + area.left, area.Width(), fill);
    }
    return DD_OK;
}

std::uint32_t SurfaceBlt(Surface* dest, const PixelRect& destRect, Surface* source,
                         const PixelRect& sourceRect, const KeyRange* key) {
    if (TakeFailure(DisplayFaultPlan.failBlits)) return DisplayFaultPlan.blitError;
    if (dest->lost || source->lost) return DDERR_SURFACELOST;
    if (dest->dcOut || source->dcOut) return DDERR_SURFACEBUSY;
    if (!InsideSurface(dest, destRect) || !InsideSurface(source, sourceRect)) return DDERR_INVALIDRECT;
    if (destRect.Width() == 0 || destRect.Height() == 0) return DD_OK;
    if (sourceRect.Width() == 0 || sourceRect.Height() == 0) return DDERR_INVALIDRECT;
    const bool sameSize = destRect.Width() == sourceRect.Width() && destRect.Height() == sourceRect.Height();
    if (key && (key->low & 0xFFFFu) > (key->high & 0xFFFFu)) key = nullptr;
    if (!sameSize) {
        CopyScaled(dest, destRect, source, sourceRect, key);
    } else if (key) {
        CopyKeyed(dest, destRect, source, sourceRect, *key);
    } else {
        CopyRows(dest, destRect, source, sourceRect);
    }
    return DD_OK;
}

std::uint32_t SurfaceFlip(Surface* visible) {
    if (TakeFailure(DisplayFaultPlan.failFlips)) return DisplayFaultPlan.flipError;
    Surface* back = visible->partner;
    if (!back) return DDERR_NOTFLIPPABLE;
    if (visible->lost || back->lost) return DDERR_SURFACELOST;
    if (visible->dcOut || back->dcOut) return DDERR_SURFACEBUSY;
    std::swap(visible->storage, back->storage);
    std::swap(visible->pixels, back->pixels);
    if (visible->maker && visible->maker->device == 0) {
        ++DisplayFaultPlan.presentCalls;
        PlatformPresent(visible->pixels, visible->width, visible->height, visible->pitch);
    }
    return DD_OK;
}

void SurfacePresentAgain(Surface* visible) {
    if (visible->lost || !visible->maker || visible->maker->device != 0) return;
    PlatformPresent(visible->pixels, visible->width, visible->height, visible->pitch);
}

std::uint32_t SurfaceGetFlipStatus(const Surface*) {
    return TakeFailure(DisplayFaultPlan.flipBusy) ? DDERR_WASSTILLDRAWING : DD_OK;
}

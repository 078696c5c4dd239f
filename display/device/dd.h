// Our software display objects: 16-bit surfaces in main memory, page pairs, blits and flips.
//
// This stands where a hardware display interface would stand beneath the Graphx layer. Every
// surface holds RGB565 pixels (red in bits 11-15, green 5-10, blue 0-4), one 16-bit value per
// pixel, rows packed with a pitch of `pitch` pixels. Operations answer with the result codes of
// dd_errors.h, so the layer above handles failures the way it would on a real display driver.
//
// Nothing here is ever lost or refused on its own: losses and failures come only from the fault
// plan (DisplayFaults), which tests and the headless runner set to exercise every recovery path.
// Everything runs on the game's one thread.
#pragma once

#include <cstdint>
#include <vector>

#include "display/device/dd_errors.h"
#include "display/graphx.h"

// Pixel format flags, with the values of the classic pixel-format description.
enum : std::uint32_t {
    DDPF_ALPHAPIXELS = 0x00000001,
    DDPF_ALPHA = 0x00000002,
    DDPF_FOURCC = 0x00000004,
    DDPF_PALETTEINDEXED4 = 0x00000008,
    DDPF_PALETTEINDEXEDTO8 = 0x00000010,
    DDPF_PALETTEINDEXED8 = 0x00000020,
    DDPF_RGB = 0x00000040,
    DDPF_COMPRESSED = 0x00000080,
    DDPF_RGBTOYUV = 0x00000100,
    DDPF_YUV = 0x00000200,
    DDPF_ZBUFFER = 0x00000400,
    DDPF_PALETTEINDEXED1 = 0x00000800,
    DDPF_PALETTEINDEXED2 = 0x00001000,
    DDPF_ZPIXELS = 0x00002000,
};

// A pixel format: for RGB formats the bit count and the channel masks; for YUV formats the same
// fields hold the Y, U and V masks.
struct PixelFormat {
    std::uint32_t flags = 0;
    std::uint32_t fourCC = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
    std::uint32_t alphaMask = 0;
};

// The one format of every surface: 16-bit 5-6-5.
inline constexpr PixelFormat RGB565_FORMAT{DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};

// A surface description: what is asked for when a surface is made.
struct SurfaceDesc {
    int width = 0;
    int height = 0;
    int memoryKind = MEMORY_KIND_ANY;
};

struct DisplayObject;

// A rectangle of pixels, right and bottom just outside.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// A colour-key range of raw pixel values.
struct KeyRange {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
};

// A surface. `pixels` points into `storage`; a page's storage moves to the other page at each
// flip.
struct Surface {
    int width = 0;
    int height = 0;
    int pitch = 0;
    int memoryKind = MEMORY_KIND_SYSTEM;
    bool lost = false;
    bool dcOut = false;  // a drawing context is lent on it
    int references = 1;  // released when this drops to 0
    DisplayObject* maker = nullptr;
    Surface* partner = nullptr;  // the other page of a page pair
    std::uint16_t* pixels = nullptr;
    std::vector<std::uint16_t> storage;

    std::uint16_t* Row(int y) { return pixels + static_cast<std::ptrdiff_t>(y) * pitch; }
    const std::uint16_t* Row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * pitch; }
};

// The display object of one device: the maker of its surfaces and the owner of its mode.
struct DisplayObject {
    int device = 0;
    int references = 1;
    int modeWidth = 0;
    int modeHeight = 0;
};

// Failures and losses to inject. Counters name how many of the next calls fail; codes say with
// what. The `...Calls` counters record how often each operation was asked, for tests to check.
struct DisplayFaults {
    bool failDisplayObject = false;  // DisplayCreate refuses every device
    bool failVideoPages = false;     // page pairs in display memory are refused
    bool failAllPages = false;       // page pairs are refused wherever they go
    int failSurfaceCreations = 0;    // off-screen surfaces refused, DDERR_OUTOFMEMORY
    int failRestores = 0;            // restores refused with restoreError
    std::uint32_t restoreError = DDERR_GENERIC;
    bool restoreKeepsLost = false;      // restores succeed but the surface stays lost
    std::uint32_t isLostError = DD_OK;  // the lost-state question answers this instead
    std::uint32_t getDCError = DD_OK;   // context requests answer this instead
    int failBlits = 0;                  // blits and fills refused with blitError
    std::uint32_t blitError = DDERR_GENERIC;
    int failFlips = 0;  // flips refused with flipError
    std::uint32_t flipError = DDERR_GENERIC;
    int flipBusy = 0;  // flip-status questions answered "still drawing"
    std::uint32_t setModeError = DD_OK;
    bool throwOnResolve = false;  // the next surface address resolution throws

    int restoreCalls = 0;
    int getDCCalls = 0;
    int presentCalls = 0;
};
extern DisplayFaults DisplayFaultPlan;

// Puts the fault plan back to "nothing fails" and zeroes the counters.
void DisplayResetFaults();
// Marks a surface lost, as the platform would when another program takes the screen. Losing
// either page of a pair loses both.
void DisplayLoseSurface(Surface* surface);

// The display object of a device, or null (and *result set) when it cannot be made.
DisplayObject* DisplayCreate(int device, std::uint32_t* result);
void DisplayAddRef(DisplayObject* display);
void DisplayRelease(DisplayObject* display);
std::uint32_t DisplaySetMode(DisplayObject* display, int width, int height);

// A visible page and its back page of the display's mode, both cleared to 0.
std::uint32_t DisplayCreatePages(DisplayObject* display, bool videoMemory, Surface** visible, Surface** back);
// A plain off-screen surface of the size the description asks for; its pixels are not cleared.
std::uint32_t DisplayCreateSurface(DisplayObject* display, const SurfaceDesc& desc, Surface** out);

void SurfaceAddRef(Surface* surface);
void SurfaceRelease(Surface* surface);
DisplayObject* SurfaceMaker(Surface* surface);
std::uint32_t SurfaceIsLost(const Surface* surface);
std::uint32_t SurfaceRestore(Surface* surface);
std::uint32_t SurfaceGetDC(Surface* surface);
std::uint32_t SurfaceReleaseDC(Surface* surface);

// Fills a rectangle with a raw pixel value; a null rectangle fills the whole surface.
std::uint32_t SurfaceColourFill(Surface* surface, const PixelRect* rect, std::uint16_t fill);
// Copies a source rectangle to a destination rectangle of the same size, or scales it when the
// sizes differ. Both must lie inside their surfaces (DDERR_INVALIDRECT otherwise). With a key,
// source pixels whose value lies from low to high (masked to 16 bits) are left out.
std::uint32_t SurfaceBlt(Surface* dest, const PixelRect& destRect, Surface* source,
                         const PixelRect& sourceRect, const KeyRange* key);
// Exchanges the pages of a pair (called on the visible page) and shows the new visible page when
// the display is device 0.
std::uint32_t SurfaceFlip(Surface* visible);
// Presents the visible page of device 0 as it is now.
void SurfacePresentAgain(Surface* visible);
std::uint32_t SurfaceGetFlipStatus(const Surface* visible);

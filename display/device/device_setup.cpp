// Finding the display devices, making their display objects, taking the screen and making the
// page pairs; and the two diagnostic dumps of contexts and pixel formats.
//
// Our platform has one output, reported by enumeration as the primary driver "display"; it
// becomes device 0, the only device with a record (devices.h). Taking the screen has no counterpart here
// beyond setting the mode of the display object, which the SDL backend shows scaled in its window.
#include <cstdio>
#include <cstring>

#include "display/context.h"
#include "display/devices.h"
#include "display/graphx.h"

namespace {

constexpr const char* PRIMARY_DRIVER = "display";
constexpr const char* PRIMARY_DESCRIPTION = "Lobshot software display";

// The description of device n for trace rows; empty for a number without a record.
const char* Description(int n) {
    const DR* device = DeviceRecord(n);
    return device ? device->description : "";
}

// Device n is enabled and its display object was made.
bool Usable(int n) {
    const DR* device = DeviceRecord(n);
    return device && device->enabled && device->ready;
}

// Our enumeration: the one output, reported as the primary driver without an identity.
void EnumerateAdapters() { DDEnumCallBackEx(nullptr, PRIMARY_DESCRIPTION, PRIMARY_DRIVER, nullptr, nullptr); }

// The adapter number named by a driver name: 0 for the primary driver, k for "\\.\DISPLAYk",
// or -1 (with *parsed false) when the name follows neither form.
int AdapterNumber(const char* driverName, bool* parsed) {
    *parsed = true;
    if (std::strcmp(driverName, PRIMARY_DRIVER) == 0) return 0;
    int number = 0;
    if (std::sscanf(driverName, "\\\\.\\DISPLAY%i", &number) == 1) return number;
    *parsed = false;
    return -1;
}

void MakeDisplayObject(int n) {
    GRAPHX_SCOPE_NAMED("CreateDirectDrawObjects", false);
    DR& device = DisplayTable[n];
    GRAPHX_ROW(DIAG_LOW, "Creating DirectDraw object for adapter %i (%s)", n, device.description);
    std::uint32_t result = DD_OK;
    device.dd = DisplayCreate(n, &result);
    if (!device.dd) {
        GRAPHX_ERROR("DirectDrawCreate - %s for guid %i", DDErrorName(result), n);
        return;
    }
    DisplayAddRef(device.dd);
    device.dd2 = device.dd;
    GRAPHX_ROW(DIAG_LOW, "DirectDrawCreate successful for guid %i", n);
    device.ready = true;
}

// First pass of InitDirectDrawDevices for one device: take the screen and set the mode.
void TakeScreen(int n) {
    GRAPHX_SCOPE_NAMED("InitDirectDrawDevices", false);
    DR& device = DisplayTable[n];
    GRAPHX_ROW(DIAG_LOW, "Initting device %i (%s)", n, device.description);
    GRAPHX_ROW(DIAG_LOW, "SetCooperativeLevel, focus window");
    GRAPHX_ROW(DIAG_LOW, "SetCooperativeLevel, exclusive mode");
    ActivateDirectDrawDevice(n);
}

// Second pass for one device: the page pair in display memory, else anywhere, both cleared.
void MakePages(int n) {
    GRAPHX_SCOPE_NAMED("InitDirectDrawDevices", false);
    DR& device = DisplayTable[n];
    GRAPHX_ROW(DIAG_LOW, "2 Initting device %i (%s)", n, device.description);
    Surface* visible = nullptr;
    Surface* back = nullptr;
    std::uint32_t result = DisplayCreatePages(device.dd2, true, &visible, &back);
    if (result == DD_OK) {
        GRAPHX_ROW(DIAG_LOW, "   Created VIDEO memory primary surface");
    } else {
        GRAPHX_ERROR("   Couldn't get video memory for primary surface of device %i, using system memory", n);
        result = DisplayCreatePages(device.dd2, false, &visible, &back);
        if (result != DD_OK) {
            GRAPHX_ERROR("   Couldn't create surfaces for device %i: %s", n, DDErrorName(result));
            return;
        }
    }
    device.primary = visible;
    device.primary3 = visible;
    SurfaceAddRef(visible);
    GRAPHX_ROW(DIAG_LOW, "   Got backbuffer with GetAttatchedSurface");
    device.back = back;
    device.back3 = back;
    SurfaceAddRef(back);
    GRAPHX_ROW(DIAG_LOW, "   ClearScreen, primary and backbuffer");
    ClearScreen(n, 1, 0, -1, -1, -1, -1);
    ClearScreen(n, 2, 0, -1, -1, -1, -1);
    GRAPHX_ROW(DIAG_LOW, "   Finished Device %i", n);
}

const char* ObjectTypeRow(DWORD type) {
    switch (type) {
        case 1:
            return "hdc is a  Pen";
        case 2:
            return "hdc is a  Brush";
        case 3:
            return "hdc is a  Device context";
        case 4:
            return "hdc is a  Metafile device context";
        case 5:
            return "hdc is a  Palette";
        case 6:
            return "hdc is a  Font";
        case 7:
            return "hdc is a  Bitmap";
        case 8:
            return "hdc is a  Region";
        case 9:
            return "hdc is a  Metafile";
        case 10:
            return "hdc is a  Memory device context";
        case 11:
            return "hdc is a  Extended pen";
        case 12:
            return "hdc is a  Enhanced metafile device context";
        case 13:
            return "hdc is a  Enhanced metafile";
        default:
            return "hdc has an unknown type";
    }
}

}  // namespace

void CreateDirectDrawObjects() {
    GRAPHX_SCOPE_TRACED();
    GRAPHX_ROW(DIAG_LOW, "ddraw.dll loaded");
    GRAPHX_ROW(DIAG_LOW, " using DirectDrawEnumerateExA\n");
    EnumerateAdapters();
    for (int n = 0; n < DEVICE_NUMBERS; ++n) {
        if (!UseAdapter(n)) {
            GRAPHX_ROW(DIAG_LOW, "Skipping adapter %i (%s)", n, Description(n));
            continue;
        }
        MakeDisplayObject(n);
    }
}

int DDEnumCallBackEx(const AdapterId* id, const char* description, const char* driverName, void*, void*) {
    GRAPHX_SCOPE_TRACED();
    GRAPHX_ROW(DIAG_LOW, "Driver name='%s'", driverName);
    GRAPHX_ROW(DIAG_LOW, "Driver Desc='%s'", description);
    GRAPHX_ROW(DIAG_LOW, "%s", id ? "GUID is non-null" : "GUID is null");
    bool parsed = false;
    const int n = AdapterNumber(driverName, &parsed);
    if (!parsed) {
        GRAPHX_ERROR("bad adapter name '%s'", driverName);
        return 1;
    }
    if (n < 0 || n >= DISPLAY_DEVICE_COUNT) {
        GRAPHX_ERROR("an too high (%i)", n);
        return 1;
    }
    GRAPHX_ROW(DIAG_LOW, "Enumerated adapter %i", n);
    DR& device = DisplayTable[n];
    device.enumerated = true;
    std::snprintf(device.description, sizeof device.description, "%s", description);
    if (id) {
        device.adapterId = *id;
        device.adapterRef = &device.adapterId;
    } else {
        device.adapterRef = nullptr;
    }
    GRAPHX_ROW(DIAG_LOW, "Stored GUID for device number %i", n);
    return 1;
}

void InitDirectDrawDevices(HWND, bool) {
    GRAPHX_SCOPE_TRACED();
    for (int n = 0; n < DEVICE_NUMBERS; ++n) {
        if (!Usable(n)) {
            GRAPHX_ROW(DIAG_LOW, "Skipping adapter %i (%s)", n, Description(n));
            continue;
        }
        TakeScreen(n);
    }
    for (int n = 0; n < DEVICE_NUMBERS; ++n) {
        if (!Usable(n)) {
            GRAPHX_ROW(DIAG_LOW, "2 Skipping adapter %i (%s)", n, Description(n));
            continue;
        }
        MakePages(n);
    }
}

bool ActivateDirectDrawDevice(int n) {
    GRAPHX_SCOPE_TRACED();
    DR* device = DeviceRecord(n);
    if (!device || !device->enabled) {
        GRAPHX_ROW(DIAG_LOW, "Skipping adapter %i (%s)", n, Description(n));
        return true;
    }
    if (!device->ready) {
        GRAPHX_ROW(DIAG_LOW, "The device was not ready");
        return true;
    }
    const std::uint32_t result = DisplaySetMode(device->dd2, device->width, device->height);
    if (result != DD_OK) {
        GRAPHX_ERROR("lpDD2->SetDisplayMode: %s", DDErrorName(result));
        return false;
    }
    return true;
}

void DiagHDC(HDC dc) {
    GRAPHX_SCOPE();
    if (!dc) {
        GRAPHX_ROW(DIAG_DEBUG, "hdc is NULL");
        return;
    }
    GRAPHX_ROW(DIAG_DEBUG, "%s", ObjectTypeRow(dc->memory ? OBJ_MEMDC : OBJ_DC));
    const Surface* surface = dc->surface;
    GRAPHX_ROW(DIAG_DEBUG, "surface is %ix%i", surface ? surface->width : 0, surface ? surface->height : 0);
    GRAPHX_ROW(DIAG_DEBUG, "bits per pixel=%i, colour planes=%i", 16, 1);
}

void GraphxDiag_DDPIXELFORMAT(const PixelFormat& format) {
    GRAPHX_SCOPE_TRACED();
    static constexpr struct {
        std::uint32_t flag;
        const char* name;
    } NAMED_FLAGS[] = {
        {DDPF_ALPHA, "DDPF_ALPHA"},
        {DDPF_ALPHAPIXELS, "DDPF_ALPHAPIXELS"},
        {DDPF_COMPRESSED, "DDPF_COMPRESSED"},
        {DDPF_PALETTEINDEXED1, "DDPF_PALETTEINDEXED1"},
        {DDPF_PALETTEINDEXED2, "DDPF_PALETTEINDEXED2"},
        {DDPF_PALETTEINDEXED4, "DDPF_PALETTEINDEXED4"},
        {DDPF_PALETTEINDEXED8, "DDPF_PALETTEINDEXED8"},
        {DDPF_PALETTEINDEXEDTO8, "DDPF_PALETTEINDEXEDTO8"},
        {DDPF_RGBTOYUV, "DDPF_RGBTOYUV"},
        {DDPF_ZBUFFER, "DDPF_ZBUFFER"},
        {DDPF_ZPIXELS, "DDPF_ZPIXELS"},
    };
    GRAPHX_ROW(DIAG_LOW, "DDPIXELFORMAT structure:");
    for (const auto& named : NAMED_FLAGS) {
        if (format.flags & named.flag) GRAPHX_ROW(DIAG_LOW, "   flag set - %s", named.name);
    }
    GRAPHX_ROW(DIAG_LOW, "%s", (format.flags & DDPF_FOURCC) ? "   dwFourCC valid" : "   dwFourCC invalid");
    if (format.flags & DDPF_RGB) {
        GRAPHX_ROW(DIAG_LOW, "   RGB data valid");
        GRAPHX_ROW(DIAG_LOW, "   dwRGBBitCount=%i", static_cast<int>(format.bitCount));
        GRAPHX_ROW(DIAG_LOW, "   dwRBitMask=%08X", format.redMask);
        GRAPHX_ROW(DIAG_LOW, "   dwGBitMask=%08X", format.greenMask);
        GRAPHX_ROW(DIAG_LOW, "   dwBBitMask=%08X", format.blueMask);
        GRAPHX_ROW(DIAG_LOW, "   dwRGBAlphaBitMask=%08X", format.alphaMask);
    } else if (format.flags & DDPF_YUV) {
        GRAPHX_ROW(DIAG_LOW, "   YUV data valid");
        GRAPHX_ROW(DIAG_LOW, "   dwYUVBitCount=%i", static_cast<int>(format.bitCount));
        GRAPHX_ROW(DIAG_LOW, "   dwYBitMask=%08X", format.redMask);
        GRAPHX_ROW(DIAG_LOW, "   dwUBitMask=%08X", format.greenMask);
        GRAPHX_ROW(DIAG_LOW, "   dwVBitMask=%08X", format.blueMask);
        GRAPHX_ROW(DIAG_LOW, "   dwYUVAlphaBitMask=%08X", format.alphaMask);
    } else {
        GRAPHX_ROW(DIAG_LOW, "  No RGB or YUV data");
    }
}

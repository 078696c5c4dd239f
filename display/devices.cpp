// Display devices and numbered off-screen surfaces: enabling, start-up, address resolution,
// making surfaces, restoring lost pages and shutting down.
#include "display/devices.h"

#include <exception>
#include <stdexcept>

#include "display/graphx.h"

DR DisplayTable[DISPLAY_DEVICE_COUNT];
OSSurface OSSurfaceTable[OS_SURFACE_LIMIT];
int OSSurfaceCount = 0;

namespace {

// A failing restore that is neither a success nor the wrong-mode answer is tried again this many
// times in all before RestoreIfLost gives up.
constexpr int RESTORE_ATTEMPTS = 8;

const char* MemoryKindName(int kind) {
    switch (kind) {
        case MEMORY_KIND_VIDEO:
            return "VIDEO";
        case MEMORY_KIND_SYSTEM:
            return "SYSTEM";
        default:
            return "ANY";
    }
}

// Step 1 of resolving: an off-screen surface, or the copy of it belonging to device nDest.
bool ResolveOffscreen(int s, Surface** surface, int nDest) {
    GRAPHX_SCOPE_NAMED("getDD", false);
    if (nDest != -1 && nDest != OFFSCREEN && (nDest < 0 || nDest >= DEVICE_NUMBERS)) {
        GRAPHX_ERROR(
            "Must specify destination device to get DDraw object for an offscreen surface (nDest=%i)", nDest);
        return false;
    }
    if (s < 0 || s >= OSSurfaceCount) {
        GRAPHX_ERROR("off-screen surface number out of range (%i)", s);
        return false;
    }
    const int device = (nDest >= 0 && nDest < DEVICE_NUMBERS) ? nDest : OSSurfaceTable[s].owner;
    if (surface) *surface = device < DISPLAY_DEVICE_COUNT ? OSSurfaceTable[s].copies[device] : nullptr;
    return true;
}

// Steps 2 to 4 of resolving: a page of a device, or its texture surface, which is never made.
bool ResolveDevice(int n, int s, DisplayObject** dd, Surface** surface, DR** record) {
    GRAPHX_SCOPE_NAMED("getDD", false);
    if (n < 0 || n > OFFSCREEN) {
        GRAPHX_ERROR("Display device out of range (%i)", n);
        return false;
    }
    DR* device = DeviceRecord(n);
    if (!device || !device->ready) {
        GRAPHX_ERROR("Tried to access Direct Draw object that wasn't ready (%i)", n);
        return false;
    }
    if (record) *record = device;
    if (dd) *dd = device->dd2;
    Surface* found = nullptr;
    switch (s) {
        case 1:
            found = device->primary3;
            break;
        case 2:
            found = device->back3;
            break;
        case 3:
            GRAPHX_ERROR("*lplpDDS is null");
            break;
        default:
            GRAPHX_ERROR("Bad display number (%i)", s);
            return false;
    }
    if (surface) *surface = found;
    return true;
}

void FinalizeOffscreenSurfaces() {
    GRAPHX_SCOPE_NAMED("GraphxFinalize", false);
    for (int s = 0; s < OSSurfaceCount; ++s) {
        OSSurface& record = OSSurfaceTable[s];
        if (!record.inUse) {
            GRAPHX_ROW(DIAG_LOW, "Off-screen surface %i was NULL", s);
            continue;
        }
        record.inUse = false;
        for (Surface*& copy : record.copies) {
            SurfaceRelease(copy);
            copy = nullptr;
        }
        GRAPHX_ROW(DIAG_LOW, "Off-screen surface %i released", s);
    }
}

// Releases one reference of a device record and traces which it was.
template <typename T>
void ReleaseField(T*& field, const char* released, const char* wasNull, void (*release)(T*)) {
    GRAPHX_SCOPE_NAMED("DR.Finalize", false);
    if (!field) {
        GRAPHX_ROW(DIAG_LOW, "%s", wasNull);
        return;
    }
    release(field);
    field = nullptr;
    GRAPHX_ROW(DIAG_LOW, "%s", released);
}

}  // namespace

DR* DeviceRecord(int n) { return n >= 0 && n < DISPLAY_DEVICE_COUNT ? &DisplayTable[n] : nullptr; }

void GraphxEnableAdapter(int n, int width, int height, bool blitByPlatform) {
    GRAPHX_SCOPE();
    DR* device = DeviceRecord(n);
    if (!device) {
        GRAPHX_ERROR("nDevice");
        return;
    }
    device->enabled = true;
    device->width = width;
    device->height = height;
    device->blitByPlatform = blitByPlatform;
}

bool UseAdapter(int n) {
    GRAPHX_SCOPE();
    if (n < 0 || n >= DEVICE_NUMBERS) {
        GRAPHX_ERROR("bad n");
        return false;
    }
    const DR* device = DeviceRecord(n);
    return device && device->enabled;
}

bool GraphxInit(HWND window, HINSTANCE, bool use3D) {
    GRAPHX_SCOPE_TRACED();
    CreateDirectDrawObjects();
    InitDirectDrawDevices(window, use3D);
    if (use3D) {
        GRAPHX_ERROR("Problem with D3DInit");
        return false;
    }
    return true;
}

bool getDD(int n, int s, DisplayObject** dd, Surface** surface, DR** record, int nDest) {
    GRAPHX_SCOPE();
    try {
        if (DisplayFaultPlan.throwOnResolve) {
            DisplayFaultPlan.throwOnResolve = false;
            throw std::runtime_error("resolve");
        }
        if (n == OFFSCREEN) {
            if (dd) *dd = nullptr;
            return ResolveOffscreen(s, surface, nDest);
        }
        return ResolveDevice(n, s, dd, surface, record);
    } catch (...) {
        GRAPHX_ERROR("Exception");
        return false;
    }
}

bool CreateOSSurface(int* number, int n, int s, int width, int height, int memoryKind) {
    GRAPHX_SCOPE();
    if (OSSurfaceCount >= OS_SURFACE_LIMIT) {
        GRAPHX_ERROR("Too many off-screen surfaces");
        return false;
    }
    Surface* reference = nullptr;
    if (!getDD(n, s, nullptr, &reference, nullptr, -1)) return false;
    if (!reference) {
        GRAPHX_ERROR("pDDS==NULL, n=%i, s=%i", n, s);
        GRAPHX_ERROR(
            "Have you tried to get the texture surface for a display that isn't being used so hasn't had a "
            "texture created?");
        return false;
    }
    DisplayObject* maker = SurfaceMaker(reference);
    if (!maker) {
        GRAPHX_ERROR("GetDDInterface");
        return false;
    }
    const int kind = (memoryKind < 0 || memoryKind > 2) ? MEMORY_KIND_ANY : memoryKind;
    SurfaceDesc desc;
    desc.width = width;
    desc.height = height;
    desc.memoryKind = kind;
    Surface* made = nullptr;
    const std::uint32_t result = DisplayCreateSurface(maker, desc, &made);
    DisplayRelease(maker);
    if (result != DD_OK) {
        GRAPHX_ERROR("CreateSurface with %s memory: %s", MemoryKindName(kind), DDErrorName(result));
        GRAPHX_ERROR("Tried to make %ix%i surface", width, height);
        return false;
    }
    OSSurface& record = OSSurfaceTable[OSSurfaceCount];
    record.copies[n] = made;
    record.owner = n;
    record.inUse = true;
    *number = OSSurfaceCount++;
    return true;
}

bool RestoreIfLost(Surface* surface) {
    GRAPHX_SCOPE();
    const std::uint32_t state = SurfaceIsLost(surface);
    if (state == DD_OK) return true;
    if (state != DDERR_SURFACELOST) {
        GRAPHX_ERROR("isLost %i", DDErrorNumber(state));
        return false;
    }
    for (int attempt = 0; attempt < RESTORE_ATTEMPTS; ++attempt) {
        const std::uint32_t result = SurfaceRestore(surface);
        if (result == DD_OK) return true;
        if (result == DDERR_WRONGMODE) return false;
    }
    GRAPHX_ERROR("Gave up restoring after %i attempts", RESTORE_ATTEMPTS);
    return false;
}

bool GraphxRestoreDisplays() {
    GRAPHX_SCOPE_TRACED();
    for (int n = 0; n < DISPLAY_DEVICE_COUNT; ++n) {
        DR& device = DisplayTable[n];
        if (!device.enabled || !device.ready) continue;
        ActivateDirectDrawDevice(n);
        if (!device.primary3 || !RestoreIfLost(device.primary3)) {
            GRAPHX_ERROR("Couldn't restore primary surface %i", n);
            return false;
        }
        GRAPHX_ROW(DIAG_LOW, "restored primary surface %i. dimensions: %ix%i", n, device.primary3->width,
                   device.primary3->height);
        if (!device.back3 || !RestoreIfLost(device.back3)) {
            GRAPHX_ERROR("Couldn't restore backbuffer surface %i", n);
            return false;
        }
        GRAPHX_ROW(DIAG_LOW, "restored backbuffer surface %i. dimensions: %ix%i", n, device.back3->width,
                   device.back3->height);
    }
    GRAPHX_ROW(DIAG_LOW, "Finished");
    return true;
}

void DR::Finalize() {
    GRAPHX_SCOPE_NAMED("DR.Finalize", true);
    GRAPHX_ROW(DIAG_LOW, "   D3DDevice was NULL");
    GRAPHX_ROW(DIAG_LOW, "   D3D was NULL");
    ReleaseField<Surface>(back, "   back buffer released", "   backbuffer was NULL", SurfaceRelease);
    ReleaseField<Surface>(back3, "   backbuffer3 released", "   backbuffer3 was NULL", SurfaceRelease);
    ReleaseField<Surface>(primary, "   primary surface released", "   primary surface was NULL",
                          SurfaceRelease);
    ReleaseField<Surface>(primary3, "   primarysurface3 released", "   primarysurface3 was NULL",
                          SurfaceRelease);
    ReleaseField<DisplayObject>(dd2, "   DD2 object released", "   DD2 object was NULL", DisplayRelease);
    ReleaseField<DisplayObject>(dd, "   DD object released", "   DD object was NULL", DisplayRelease);
}

void GraphxFinalize() {
    GRAPHX_SCOPE_TRACED();
    FinalizeOffscreenSurfaces();
    for (int n = DEVICE_NUMBERS - 1; n >= 0; --n) {
        if (DR* device = DeviceRecord(n); device && device->ready) {
            GRAPHX_ROW(DIAG_LOW, "Releasing DirectDraw object %i: ", n);
            device->Finalize();
        } else {
            GRAPHX_ROW(DIAG_LOW, "DirectDraw object %i wasn't initialised, so it hasn't been released", n);
        }
    }
}

void GraphxResetForTests() {
    for (int s = 0; s < OSSurfaceCount; ++s) {
        for (Surface*& copy : OSSurfaceTable[s].copies) SurfaceRelease(copy);
    }
    for (DR& device : DisplayTable) {
        for (Surface* page : {device.primary, device.primary3, device.back, device.back3})
            SurfaceRelease(page);
        DisplayRelease(device.dd);
        DisplayRelease(device.dd2);
    }
    for (DR& device : DisplayTable) device = DR{};
    for (OSSurface& record : OSSurfaceTable) record = OSSurface{};
    OSSurfaceCount = 0;
    GraphxResetFonts();
    DisplayResetFaults();
}

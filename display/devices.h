// The Graphx layer's model: the device table, the off-screen surface table and address resolution.
//
// Other subsystems never see these; they name surfaces by number (graphx.h). The display
// layer's own files and its tests use them. The tables are process-wide for the whole run and
// go back to their start state with GraphxResetForTests.
#pragma once

#include <cstdint>

#include "diag/diag.h"
#include "display/device/dd.h"
#include "display/gdi.h"

// Surface addresses may name devices 0 to 7 (graphx.h), but the game enables only device 0, so
// only it has a record: every other number names a device that is never enabled nor ready.
constexpr int DEVICE_NUMBERS = 8;
constexpr int DISPLAY_DEVICE_COUNT = 1;
constexpr int OS_SURFACE_LIMIT = 100;

// An adapter's identity as enumeration reports it.
struct AdapterId {
    std::uint8_t bytes[16] = {};
};

// One display device record. The visible and back pages are each held twice, as the first and
// the drawing reference of the same surface, and the display object likewise.
struct DR {
    bool ready = false;
    bool enabled = false;
    bool enumerated = false;
    AdapterId adapterId;
    AdapterId* adapterRef = nullptr;
    char description[100] = {};
    int width = 0;
    int height = 0;
    bool blitByPlatform = false;
    DisplayObject* dd = nullptr;
    DisplayObject* dd2 = nullptr;
    Surface* primary = nullptr;
    Surface* primary3 = nullptr;
    Surface* back = nullptr;
    Surface* back3 = nullptr;

    void Finalize();
};

// One off-screen surface: the surface itself in its owner's entry of `copies`.
struct OSSurface {
    bool inUse = false;
    int owner = 0;
    Surface* copies[DISPLAY_DEVICE_COUNT] = {};
};

extern DR DisplayTable[DISPLAY_DEVICE_COUNT];
extern OSSurface OSSurfaceTable[OS_SURFACE_LIMIT];
extern int OSSurfaceCount;

// Resolves a surface address; outputs may be null when not wanted. See graphx.h for addresses.
bool getDD(int n, int s, DisplayObject** dd, Surface** surface, DR** record, int nDest);
// Restores a lost surface; true when it is (now) not lost.
bool RestoreIfLost(Surface* surface);
// The surface a lent context draws on (tests and copies).
Surface* ContextSurface(HDC dc);
// Makes a context on a surface (GetHDC) or in memory (CreateCompatibleDC, surface null), and
// frees it again, dropping its hold on the objects selected into it.
HDC MakeSurfaceContext(Surface* surface, bool memory);
void FreeSurfaceContext(HDC dc);

// The record of device n, or null for a number without one.
DR* DeviceRecord(int n);

// The platform side: finding devices, making their objects, taking the screen, and dumps.
void CreateDirectDrawObjects();
int DDEnumCallBackEx(const AdapterId* id, const char* description, const char* driverName, void* context,
                     void* monitor);
void InitDirectDrawDevices(HWND window, bool use3D);
bool ActivateDirectDrawDevice(int n);
void DiagHDC(HDC dc);
void GraphxDiag_DDPIXELFORMAT(const PixelFormat& format);
// Fonts and the fixed text font go back to their start state (part of GraphxResetForTests).
void GraphxResetFonts();

// Scopes and rows of the Graphx module: every operation opens a scope, and rows name it.
#define GRAPHX_SCOPE() DiagScope diagScope_(__func__, "Graphx", __LINE__)
#define GRAPHX_SCOPE_TRACED() DiagScope diagScope_(__func__, "Graphx", __LINE__, true)
#define GRAPHX_SCOPE_NAMED(name, traced) DiagScope diagScope_(name, "Graphx", __LINE__, traced)
#define GRAPHX_ROW(severity, ...) DiagTrace(severity, "Graphx", __LINE__, diagScope_.Function(), __VA_ARGS__)
#define GRAPHX_ERROR(...) GRAPHX_ROW(DIAG_ERROR, __VA_ARGS__)

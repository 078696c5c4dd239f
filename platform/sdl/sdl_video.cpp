// The SDL window and its presenter: the page scaled on the CPU into the window's surface, which
// SDL shows through shared memory on X11, updating only the part of the picture that changed.
#include "platform/sdl/sdl_video.h"

#include <SDL.h>
#ifdef LOBSHOT_HAVE_X11
#include <SDL_syswm.h>
#include <X11/Xutil.h>
#endif

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#include <time.h>
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif
#endif

#include "diag/diag.h"
#include "platform/sdl/sdl_icon.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/sdl/sdl_scaler.h"
#include "platform/win.h"

namespace {

constexpr int WINDOW_WIDTH = 960;
constexpr int WINDOW_HEIGHT = 720;

// The player's choice of how the window starts, and who hears of a switch.
bool StartFullscreen = true;
void (*FullscreenSwitched)(bool fullscreen) = nullptr;

struct Video {
    SDL_Window* window = nullptr;
    bool fullscreen = true;
    FrameRecord frame;  // the frame on the screen
    TogglePresses toggle;
    bool settlePending = false;  // full screen and resizing still to be asked for

    // The window's surface as last seen, and how the page is scaled into it. The surface belongs
    // to the window; SDL makes a new one when the window's size changes.
    SDL_Surface* surface = nullptr;
    int surfaceWidth = 0, surfaceHeight = 0;
    Uint32 surfaceFormat = 0;
    SDL_Surface* staging = nullptr;  // ours: 32-bit pixels for a window format we cannot write
    PixelLayout layout;
    ScaleMap map;
    bool wholeWindow = true;     // borders and picture to be drawn again
    bool redrawPending = false;  // exposed or resized since the last draw
    bool failing = false;        // a failure is traced once until presenting works again
    bool firstFrameShown = false;
    bool windowManager = true;  // full screen is asked of SDL only when a window manager answers

    // Frames shown since the game last looked at its events, and when the first and last of them
    // were shown: a long run of them (a new landscape's progress) is traced with its wall time.
    int burstFrames = 0;
    Uint32 burstStart = 0, burstLast = 0;
};

// A run of at least this many frames without a look at the events is traced.
constexpr int BURST_TRACED = 20;

Video TheVideo;

// SDL's video starts once: -1 not tried, 0 failed, 1 running.
int VideoStarted = -1;

// The program's start as far as the game can see it (after the shared libraries are loaded), and
// the milliseconds from it to SDL's video running and the window being made; the first frame's
// trace row reports them with its own, so start-up can be followed phase by phase.
const std::chrono::steady_clock::time_point ProgramStart = std::chrono::steady_clock::now();
double VideoStartedMs = 0, WindowMadeMs = 0;

// The CPU time the process has used, loading its libraries included, in milliseconds: on a busy
// machine the wall times above mostly measure waiting for a turn on the CPU.
double ProcessCpuMilliseconds() {
#ifdef __linux__
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) * 1000.0 + static_cast<double>(used.tv_nsec) / 1e6;
#else
    return 0;
#endif
}

double MillisecondsSinceStart() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - ProgramStart).count();
}

void TraceSdlError(const char* function, const char* what) {
    DiagTrace(DIAG_ERROR, "main", 0, function, "%s: %s", what, SDL_GetError());
}

// A present that fails traces its reason only when the one before it worked.
void PresentFailed(const char* what) {
    if (!TheVideo.failing) TraceSdlError("PlatformPresent", what);
    TheVideo.failing = true;
    TheVideo.wholeWindow = true;
}

// The layout of the window's pixels, when our scaler can write them directly.
bool LayoutOf(const SDL_PixelFormat& format, PixelLayout* layout) {
    if (format.palette || (format.BytesPerPixel != 2 && format.BytesPerPixel != 4)) return false;
    if (format.Rloss > 8 || format.Gloss > 8 || format.Bloss > 8) return false;
    *layout = PixelLayout{format.BytesPerPixel, format.Rshift, format.Gshift, format.Bshift,
                          format.Rloss,         format.Gloss,  format.Bloss,  format.Amask};
    return true;
}

void DropStaging() {
    if (TheVideo.staging) SDL_FreeSurface(TheVideo.staging);
    TheVideo.staging = nullptr;
}

// A new window surface is fresh shared memory, and the first write to each of its pages is a page
// fault: for a full-screen surface thousands of them, which on a virtual machine make up most of
// the time to the first frame. Asking the kernel for all the pages at once is much cheaper; a kernel
// that cannot (before Linux 5.14) simply declines.
void PrefaultPixels(const SDL_Surface& surface) {
#ifdef __linux__
    constexpr std::uintptr_t PAGE = 4096;
    auto first = reinterpret_cast<std::uintptr_t>(surface.pixels) & ~(PAGE - 1);
    auto end = reinterpret_cast<std::uintptr_t>(surface.pixels) +
               static_cast<std::uintptr_t>(surface.pitch) * surface.h;
    madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)surface;
#endif
}

// Takes up the window's current surface, and after a change of surface, size or page makes the
// maps again and asks for the whole window.
bool AcquireSurface() {
    SDL_Surface* surface = SDL_GetWindowSurface(TheVideo.window);
    if (!surface) {
        PresentFailed("SDL_GetWindowSurface");
        return false;
    }
    bool sameSurface = surface == TheVideo.surface && surface->w == TheVideo.surfaceWidth &&
                       surface->h == TheVideo.surfaceHeight &&
                       surface->format->format == TheVideo.surfaceFormat;
    if (sameSurface && TheVideo.map.pageWidth == TheVideo.frame.Width() &&
        TheVideo.map.pageHeight == TheVideo.frame.Height())
        return true;

    if (surface != TheVideo.surface && surface->pixels && TheVideo.firstFrameShown) PrefaultPixels(*surface);
    TheVideo.surface = surface;
    TheVideo.surfaceWidth = surface->w;
    TheVideo.surfaceHeight = surface->h;
    TheVideo.surfaceFormat = surface->format->format;
    DropStaging();
    if (!LayoutOf(*surface->format, &TheVideo.layout)) {
        // An unusual window format: scale into 32-bit pixels and let SDL convert them.
        TheVideo.staging =
            SDL_CreateRGBSurfaceWithFormat(0, surface->w, surface->h, 32, SDL_PIXELFORMAT_RGB888);
        if (!TheVideo.staging || !LayoutOf(*TheVideo.staging->format, &TheVideo.layout)) {
            DropStaging();
            TheVideo.surface = nullptr;
            PresentFailed("SDL_CreateRGBSurfaceWithFormat");
            return false;
        }
    }
    TheVideo.map = MakeScaleMap(TheVideo.frame.Width(), TheVideo.frame.Height(), surface->w, surface->h);
    TheVideo.wholeWindow = true;
    return true;
}

// Scales the changed part of the page (or, when asked, the whole window) into the surface.
bool ScaleInto(SDL_Surface* target, PixelRect pageArea, PixelRect* output) {
    if (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0) {
        PresentFailed("SDL_LockSurface");
        return false;
    }
    if (TheVideo.wholeWindow) {
        FillBorders(TheVideo.map, TheVideo.layout, target->pixels, target->pitch);
        *output = PixelRect{0, 0, target->w, target->h};
        ScalePage(TheVideo.frame.Pixels(), TheVideo.frame.Width(), TheVideo.map, TheVideo.layout,
                  TheVideo.map.box, target->pixels, target->pitch);
    } else {
        *output = OutputArea(TheVideo.map, pageArea);
        ScalePage(TheVideo.frame.Pixels(), TheVideo.frame.Width(), TheVideo.map, TheVideo.layout, *output,
                  target->pixels, target->pitch);
    }
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    return true;
}

void TraceFirstFrame() {
    if (TheVideo.firstFrameShown) return;
    TheVideo.firstFrameShown = true;
    DiagTrace(
        DIAG_DEBUG, "main", __LINE__, "PlatformPresent",
        "First frame shown: %ix%i window surface, %s; %.1f ms after start-up (video %.1f, window %.1f), "
        "%.1f ms of CPU",
        TheVideo.surfaceWidth, TheVideo.surfaceHeight, SDL_GetPixelFormatName(TheVideo.surfaceFormat),
        MillisecondsSinceStart(), VideoStartedMs, WindowMadeMs, ProcessCpuMilliseconds());
}

// The first frame goes to the X server over its socket instead of through the window surface's
// shared memory: the server's first read of a new shared segment takes a page fault for each of
// its pages, which on a virtual machine costs several times more than the picture itself. Each page
// row is sent once at the picture's width, into a pixmap of the server's, and the server copies it
// to every window row that shows it and paints the borders: however tall the picture, only the
// page's 200 rows cross the socket and are widened by the CPU (a fifth of a full HD picture's
// bytes). Later frames update parts of the picture
// through shared memory as usual, so the segment's pages are taken in a few at a time. False when
// the window is not on X11 or its pixels are not 32-bit true colour like the surface's (the caller
// then shows the frame through SDL).
bool PutFirstFrame() {
#ifdef LOBSHOT_HAVE_X11
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (TheVideo.staging || !SDL_GetWindowWMInfo(TheVideo.window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    Display* display = info.info.x11.display;
    ::Window window = info.info.x11.window;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.width != TheVideo.surfaceWidth ||
        attributes.height != TheVideo.surfaceHeight)
        return false;
    const SDL_PixelFormat& format = *TheVideo.surface->format;
    const Visual& visual = *attributes.visual;
    const PixelRect& box = TheVideo.map.box;
    if (box.Empty() || format.BytesPerPixel != 4 || visual.red_mask != format.Rmask ||
        visual.green_mask != format.Gmask || visual.blue_mask != format.Bmask)
        return false;

    // The page's rows widened to the picture's width, each once.
    const int pageRows = TheVideo.frame.Height();
    ScaleMap rows = TheVideo.map;
    rows.box = PixelRect{0, 0, box.w, pageRows};
    rows.outputWidth = box.w;
    rows.outputHeight = pageRows;
    rows.sourceRow.resize(static_cast<std::size_t>(pageRows));
    for (int y = 0; y < pageRows; ++y) rows.sourceRow[static_cast<std::size_t>(y)] = y;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(box.w) * static_cast<std::size_t>(pageRows));
    ScalePage(TheVideo.frame.Pixels(), TheVideo.frame.Width(), rows, TheVideo.layout, rows.box, pixels.data(),
              box.w * static_cast<int>(sizeof(std::uint32_t)));
    XImage* image = XCreateImage(display, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap,
                                 0, reinterpret_cast<char*>(pixels.data()), static_cast<unsigned>(box.w),
                                 static_cast<unsigned>(pageRows), 32, 0);
    if (!image) return false;
    bool usable = image->bits_per_pixel == 32;
    if (usable) {
        image->byte_order = SDL_BYTEORDER == SDL_LIL_ENDIAN ? LSBFirst : MSBFirst;
        Pixmap rowsPixmap =
            XCreatePixmap(display, window, static_cast<unsigned>(box.w), static_cast<unsigned>(pageRows),
                          static_cast<unsigned>(attributes.depth));
        XGCValues values{};
        values.graphics_exposures = False;  // a pixmap is never hidden: no events for each copy
        GC gc = XCreateGC(display, window, GCGraphicsExposures, &values);
        XPutImage(display, rowsPixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(box.w),
                  static_cast<unsigned>(pageRows));

        // The borders: black on a true-colour visual is pixel 0.
        XSetForeground(display, gc, 0);
        auto fill = [&](int x, int y, int w, int h) {
            if (w > 0 && h > 0)
                XFillRectangle(display, window, gc, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
        };
        fill(0, 0, TheVideo.surfaceWidth, box.y);
        fill(0, box.y + box.h, TheVideo.surfaceWidth, TheVideo.surfaceHeight - box.y - box.h);
        fill(0, box.y, box.x, box.h);
        fill(box.x + box.w, box.y, TheVideo.surfaceWidth - box.x - box.w, box.h);

        // The picture: each window row copied from the page row it shows.
        for (int y = 0; y < box.h; ++y)
            XCopyArea(display, rowsPixmap, window, gc, 0, TheVideo.map.sourceRow[static_cast<std::size_t>(y)],
                      static_cast<unsigned>(box.w), 1, box.x, box.y + y);
        XFreeGC(display, gc);
        XFreePixmap(display, rowsPixmap);
        XFlush(display);
    }
    image->data = nullptr;  // the pixels are the vector's
    XDestroyImage(image);
    return usable;
#else
    return false;
#endif
}

// Draws the part of the frame on the screen that changed, and the borders when they need it.
bool Draw(PixelRect pageArea) {
    if (!TheVideo.frame.Known() || !AcquireSurface()) return false;
    TheVideo.redrawPending = false;
    if (!TheVideo.firstFrameShown && TheVideo.wholeWindow) {
        // The window surface's pages are asked for after the first frame has gone to the server,
        // while the server shows it.
        bool put = PutFirstFrame();
        PrefaultPixels(*TheVideo.surface);
        if (put) {
            TheVideo.wholeWindow = false;
            TheVideo.failing = false;
            TraceFirstFrame();
            return true;
        }
    }
    PixelRect output;
    if (!ScaleInto(TheVideo.staging ? TheVideo.staging : TheVideo.surface, pageArea, &output)) return false;
    if (output.Empty()) return true;
    SDL_Rect rect{output.x, output.y, output.w, output.h};
    if (TheVideo.staging) {
        SDL_Rect target = rect;
        if (SDL_BlitSurface(TheVideo.staging, &rect, TheVideo.surface, &target) != 0) {
            PresentFailed("SDL_BlitSurface");
            return false;
        }
    }
    bool whole = TheVideo.wholeWindow;
    int result = whole ? SDL_UpdateWindowSurface(TheVideo.window)
                       : SDL_UpdateWindowSurfaceRects(TheVideo.window, &rect, 1);
    if (result != 0) {
        PresentFailed(whole ? "SDL_UpdateWindowSurface" : "SDL_UpdateWindowSurfaceRects");
        return false;
    }
    TheVideo.wholeWindow = false;
    TheVideo.failing = false;
    TraceFirstFrame();
    return true;
}

// Whether `asked` names `driver` among its comma-separated names.
bool Names(const char* asked, const char* driver) {
    std::string list = asked;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        if (SDL_strcasecmp(list.substr(start, end - start).c_str(), driver) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool SdlVideoDriverAllowed(const char* driver, const char* asked) {
    if (!driver) return false;
    bool invisible = SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0;
    return !invisible || (asked && Names(asked, driver));
}

const char* SdlVideoDriverToAsk(const char* display, const char* waylandDisplay, const char* asked) {
    bool set = display && *display, waylandSet = waylandDisplay && *waylandDisplay;
    return set && !waylandSet && !(asked && *asked) ? "x11" : nullptr;
}

std::string SdlNoDisplayReason(const char* display, const char* waylandDisplay) {
    const bool set = display && *display, waylandSet = waylandDisplay && *waylandDisplay;
    if (!set && !waylandSet)
        return "there is no display to show it on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
               "start the game from a desktop session";
    std::string named;
    if (waylandSet) named = "\"" + std::string(waylandDisplay) + "\" (WAYLAND_DISPLAY)";
    if (set) named += (named.empty() ? "\"" : " nor \"") + std::string(display) + "\" (DISPLAY)";
    return "the display " + named + " cannot be reached; is the desktop session still running?";
}

bool SdlNoSessionBus(const char* address, const char* runtimeDirectory) {
    if (address && *address) return false;
    if (!runtimeDirectory || !*runtimeDirectory) return true;
    std::error_code error;
    return !std::filesystem::exists(std::filesystem::path(runtimeDirectory) / "bus", error);
}

const char* SdlComposeTableToSet(const char* composeFile) {
    return composeFile && *composeFile ? nullptr : "/dev/null";
}

bool SdlVideoInit() {
    if (VideoStarted >= 0) return VideoStarted == 1;
    VideoStarted = 0;
    // The window's surface is shown by the video driver itself (shared memory on X11); SDL would
    // otherwise put an OpenGL renderer behind it, which costs more than it saves in software.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // An X display and no Wayland one: SDL goes straight to X11 instead of trying its drivers in turn.
    const char* ownChoice = SdlVideoDriverToAsk(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                                                std::getenv("SDL_VIDEODRIVER"));
    if (ownChoice) SDL_SetHint(SDL_HINT_VIDEODRIVER, ownChoice);
    // SDL's video connects to the session's message bus (for the screen saver and input methods).
    // Without a bus the bus library would start a helper program to look for one, a fork of the
    // whole game before its first frame; where there is none to find, the game asks for none.
    if (SdlNoSessionBus(std::getenv("DBUS_SESSION_BUS_ADDRESS"), std::getenv("XDG_RUNTIME_DIR")))
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    // SDL's X11 video opens an input method for typed text, and Xlib's own one starts by parsing
    // the locale's whole compose table (thousands of key sequences: more than half of SDL's start
    // on X11). The game reads keys, never composed text, so unless the player named a table
    // of their own Xlib is given an empty one.
    if (const char* table = SdlComposeTableToSet(std::getenv("XCOMPOSEFILE")))
        setenv("XCOMPOSEFILE", table, 1);
    // An X display that cannot be opened: SDL is left its own order, so that the refusal below
    // names what it offers instead.
    bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!started && ownChoice) {
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
        started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    if (!started) {
        TraceSdlError("OpenWindow", "SDL_InitSubSystem");
        PlatformSetWindowFailure(SdlNoDisplayReason(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY")));
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!SdlVideoDriverAllowed(driver, std::getenv("SDL_VIDEODRIVER"))) {
        PlatformSetWindowFailure(SdlNoDisplayReason(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY")));
        DiagTrace(DIAG_ERROR, "main", 0, "OpenWindow",
                  "No display could be opened (DISPLAY is \"%s\"); SDL offers only its invisible \"%s\" "
                  "video driver, which SDL_VIDEODRIVER=%s would allow",
                  std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "", driver ? driver : "",
                  driver ? driver : "");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    VideoStarted = 1;
    VideoStartedMs = MillisecondsSinceStart();
    return true;
}

void SdlVideoDesktopSize(int* width, int* height) {
    SDL_DisplayMode mode;
    if (SdlVideoInit() && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        *width = mode.w;
        *height = mode.h;
    } else {
        *width = WINDOW_WIDTH;
        *height = WINDOW_HEIGHT;
    }
}

bool SdlVideoOpen(const char* title) {
    if (!SdlVideoInit()) return false;
    const char* windowed = std::getenv("LOBSHOT_WINDOWED");
    TheVideo.fullscreen = StartFullscreen && !(windowed && std::strcmp(windowed, "1") == 0);
    // The window starts plain, so that the title appears at once: full screen starts as a window
    // already covering the desktop and becomes full screen after the first frame, because the
    // full-screen request and a resizable frame each wait for the window manager.
    int desktopW = WINDOW_WIDTH, desktopH = WINDOW_HEIGHT;
    SdlVideoDesktopSize(&desktopW, &desktopH);
    TheVideo.window = TheVideo.fullscreen
                          ? SDL_CreateWindow(title, 0, 0, desktopW, desktopH, 0)
                          : SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                             WINDOW_WIDTH, WINDOW_HEIGHT, 0);
    if (!TheVideo.window) {
        TraceSdlError("OpenWindow", "SDL_CreateWindow");
        PlatformSetWindowFailure(std::string("the display would not make one (") + SDL_GetError() + ")");
        return false;
    }
    TheVideo.settlePending = true;
    TheVideo.wholeWindow = true;
    SdlSetWindowIcon(TheVideo.window);
    WindowMadeMs = MillisecondsSinceStart();
    return true;
}

namespace {

// Takes a full-screen window off the screen at once. Destroying it makes SDL leave full screen
// first and wait a tenth of a second for a window manager to answer; without one (a bare X server)
// none ever does, so the window would linger. An unmapped window is left without waiting.
void UnmapFullscreen() {
#ifdef LOBSHOT_HAVE_X11
    if (!(SDL_GetWindowFlags(TheVideo.window) & SDL_WINDOW_FULLSCREEN)) return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(TheVideo.window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    XUnmapWindow(info.info.x11.display, info.info.x11.window);
    XFlush(info.info.x11.display);
#endif
}

// Whether a window manager looks after the window. Without one (a bare X server) SDL's full-screen
// requests are never answered, and each waits a tenth of a second for the answer; a window at the
// desktop's size already covers the whole screen there. Other video drivers are taken to have one.
bool WindowManagerPresent() {
#ifdef LOBSHOT_HAVE_X11
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(TheVideo.window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
    Display* display = info.info.x11.display;
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool present = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                      AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
                   count == 1;
    if (data) XFree(data);
    return present;
#else
    return true;
#endif
}

}  // namespace

void SdlVideoClose() {
    DropStaging();
    if (TheVideo.window) {
        UnmapFullscreen();
        SDL_DestroyWindow(TheVideo.window);
    }
    TheVideo = Video{};
}

SDL_Window* SdlVideoWindow() { return TheVideo.window; }

int SdlVideoXConnection() {
#ifdef LOBSHOT_HAVE_X11
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (TheVideo.window && SDL_GetWindowWMInfo(TheVideo.window, &info) && info.subsystem == SDL_SYSWM_X11)
        return ConnectionNumber(info.info.x11.display);
#endif
    return -1;
}

void SdlVideoToggleFullscreen() { TheVideo.toggle.Press(); }

namespace {

// After the first frame: the window becomes resizable and, unless a window was asked for, full screen.
void SettleWindow() {
    if (!TheVideo.settlePending || !TheVideo.window) return;
    TheVideo.settlePending = false;
    TheVideo.windowManager = WindowManagerPresent();
    SDL_SetWindowResizable(TheVideo.window, SDL_TRUE);
    if (TheVideo.fullscreen && TheVideo.windowManager)
        SDL_SetWindowFullscreen(TheVideo.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void ApplyPendingToggle() {
    if (!TheVideo.window || !TheVideo.toggle.Take()) return;
    TheVideo.fullscreen = !TheVideo.fullscreen;
    if (TheVideo.fullscreen) {
        int desktopW = WINDOW_WIDTH, desktopH = WINDOW_HEIGHT;
        SdlVideoDesktopSize(&desktopW, &desktopH);
        SDL_SetWindowPosition(TheVideo.window, 0, 0);
        SDL_SetWindowSize(TheVideo.window, desktopW, desktopH);
        if (TheVideo.windowManager) SDL_SetWindowFullscreen(TheVideo.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(TheVideo.window, 0);
        SDL_SetWindowSize(TheVideo.window, WINDOW_WIDTH, WINDOW_HEIGHT);
        SDL_SetWindowPosition(TheVideo.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    TheVideo.wholeWindow = true;
    if (FullscreenSwitched) FullscreenSwitched(TheVideo.fullscreen);
}

}  // namespace

void SdlStartFullscreen(bool fullscreen) { StartFullscreen = fullscreen; }

void SdlWatchFullscreen(void (*switched)(bool fullscreen)) { FullscreenSwitched = switched; }

void SdlSwitchFullscreen() { SdlVideoToggleFullscreen(); }

void SdlVideoRefresh() {
    TheVideo.wholeWindow = true;
    TheVideo.redrawPending = true;
}

void SdlVideoCatchUp() {
    if (TheVideo.burstFrames >= BURST_TRACED)
        DiagTrace(DIAG_DEBUG, "main", __LINE__, "PlatformPresent",
                  "%i frames shown in %u ms while the game was busy", TheVideo.burstFrames,
                  static_cast<unsigned>(TheVideo.burstLast - TheVideo.burstStart));
    TheVideo.burstFrames = 0;
    if (TheVideo.redrawPending && TheVideo.window && TheVideo.frame.Known()) Draw(PixelRect{});
}

bool SdlVideoPresent(const std::uint16_t* pixels, int width, int height, int pitchPixels) {
    if (!TheVideo.window) return false;
    ApplyPendingToggle();
    TheVideo.burstLast = SDL_GetTicks();
    if (TheVideo.burstFrames++ == 0) TheVideo.burstStart = TheVideo.burstLast;
    PixelRect changed = TheVideo.frame.Take(pixels, width, height, pitchPixels);
    if (changed.Empty() && !TheVideo.wholeWindow) return true;
    bool shown = Draw(changed);
    SettleWindow();
    return shown;
}

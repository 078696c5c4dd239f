// The SDL window and its presenter, scaling the game's page with sharp, even pixels.
#include "platform/sdl/sdl_video.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "diag/diag.h"

namespace {

constexpr int WINDOW_WIDTH = 960;
constexpr int WINDOW_HEIGHT = 720;

struct Video {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* frame = nullptr;         // the page as it arrives, RGB565
    SDL_Texture* prescaled = nullptr;     // the page enlarged by a whole factor, nearest neighbour
    int frameWidth = 0, frameHeight = 0;  // the page in `last`
    int textureWidth = 0, textureHeight = 0, prescale = 0;
    bool fullscreen = true;
    std::vector<std::uint16_t> last;  // the frame on the screen now, to skip repeats
    bool dirty = true;
    bool togglePending = false;  // Alt+Enter seen since the last frame
    bool settlePending = false;  // full screen and resizing still to be asked for
};

Video V;

void TraceSdlError(const char* function, const char* what) {
    DiagTrace(DIAG_ERROR, "main", 0, function, "%s: %s", what, SDL_GetError());
}

// The 4:3 rectangle, centred, that the page fills in an output of the given size.
SDL_Rect Letterbox(int outW, int outH) {
    int w = outW, h = outW * 3 / 4;
    if (h > outH) {
        h = outH;
        w = outH * 4 / 3;
    }
    return SDL_Rect{(outW - w) / 2, (outH - h) / 2, w, h};
}

// Makes the textures for a page of this size, with a whole prescale factor that reaches at least
// the output size, so that the final smooth scale only shrinks or slightly enlarges.
bool EnsureTextures(int width, int height, const SDL_Rect& box) {
    int factor = std::clamp((std::max(box.w / width, box.h / height)) + 1, 1, 16);
    if (V.frame && V.textureWidth == width && V.textureHeight == height && V.prescale == factor) return true;
    SdlVideoForgetTextures();
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    V.frame =
        SDL_CreateTexture(V.renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, width, height);
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "1");
    V.prescaled = SDL_CreateTexture(V.renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_TARGET,
                                    width * factor, height * factor);
    V.textureWidth = width;
    V.textureHeight = height;
    V.prescale = factor;
    if (!V.frame) TraceSdlError("PlatformPresent", "SDL_CreateTexture");
    return V.frame != nullptr;
}

void Draw() {
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(V.renderer, &outW, &outH);
    SDL_Rect box = Letterbox(outW, outH);
    if (!EnsureTextures(V.frameWidth, V.frameHeight, box)) return;
    SDL_UpdateTexture(V.frame, nullptr, V.last.data(), V.frameWidth * 2);
    SDL_Texture* source = V.frame;
    if (V.prescaled && SDL_SetRenderTarget(V.renderer, V.prescaled) == 0) {
        SDL_RenderCopy(V.renderer, V.frame, nullptr, nullptr);
        SDL_SetRenderTarget(V.renderer, nullptr);
        source = V.prescaled;
    }
    SDL_SetRenderDrawColor(V.renderer, 0, 0, 0, 255);
    SDL_RenderClear(V.renderer);
    SDL_RenderCopy(V.renderer, source, nullptr, &box);
    SDL_RenderPresent(V.renderer);
    V.dirty = false;
}

}  // namespace

bool SdlVideoInit() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        TraceSdlError("CreateWindowExA", "SDL_InitSubSystem");
        return false;
    }
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
    V.fullscreen = !(windowed && std::strcmp(windowed, "1") == 0);
    // The window starts plain, so that the title appears at once: full screen starts as a window
    // already covering the desktop and becomes full screen after the first frame, because the
    // full-screen request and a resizable frame each wait for the window manager. Making it for
    // OpenGL at once spares the renderer from making it again.
    int desktopW = WINDOW_WIDTH, desktopH = WINDOW_HEIGHT;
    SdlVideoDesktopSize(&desktopW, &desktopH);
    auto create = [&](Uint32 flags) {
        return V.fullscreen ? SDL_CreateWindow(title, 0, 0, desktopW, desktopH, flags)
                            : SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                               WINDOW_WIDTH, WINDOW_HEIGHT, flags);
    };
    V.window = create(SDL_WINDOW_OPENGL);
    if (!V.window) V.window = create(0);
    V.settlePending = true;
    if (!V.window) {
        TraceSdlError("CreateWindowExA", "SDL_CreateWindow");
        return false;
    }
    // Presenting must never wait for the monitor: a landscape's progress screen flips many times.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    V.renderer = SDL_CreateRenderer(V.window, -1, SDL_RENDERER_TARGETTEXTURE);
    if (!V.renderer) V.renderer = SDL_CreateRenderer(V.window, -1, SDL_RENDERER_SOFTWARE);
    if (!V.renderer) {
        TraceSdlError("CreateWindowExA", "SDL_CreateRenderer");
        SdlVideoClose();
        return false;
    }
    SDL_ShowCursor(SDL_DISABLE);
    V.dirty = true;
    return true;
}

void SdlVideoClose() {
    SdlVideoForgetTextures();
    if (V.renderer) SDL_DestroyRenderer(V.renderer);
    if (V.window) SDL_DestroyWindow(V.window);
    V = Video{};
}

void SdlVideoToggleFullscreen() { V.togglePending = !V.togglePending; }

namespace {

// Switching can wait for the window manager (a tenth of a second without one), so Alt+Enter
// presses are gathered and applied at most once a frame.
// After the first frame: the window becomes resizable and, unless a window was asked for, full screen.
void SettleWindow() {
    if (!V.settlePending || !V.window) return;
    V.settlePending = false;
    SDL_SetWindowResizable(V.window, SDL_TRUE);
    if (V.fullscreen) SDL_SetWindowFullscreen(V.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void ApplyPendingToggle() {
    if (!V.window || !V.togglePending) return;
    V.togglePending = false;
    V.fullscreen = !V.fullscreen;
    if (V.fullscreen) {
        int desktopW = WINDOW_WIDTH, desktopH = WINDOW_HEIGHT;
        SdlVideoDesktopSize(&desktopW, &desktopH);
        SDL_SetWindowPosition(V.window, 0, 0);
        SDL_SetWindowSize(V.window, desktopW, desktopH);
        SDL_SetWindowFullscreen(V.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(V.window, 0);
        SDL_SetWindowSize(V.window, WINDOW_WIDTH, WINDOW_HEIGHT);
        SDL_SetWindowPosition(V.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    V.dirty = true;
}

}  // namespace

void SdlVideoForgetTextures() {
    if (V.frame) SDL_DestroyTexture(V.frame);
    if (V.prescaled) SDL_DestroyTexture(V.prescaled);
    V.frame = V.prescaled = nullptr;
    V.textureWidth = V.textureHeight = V.prescale = 0;
}

void SdlVideoRefresh() {
    V.dirty = true;
    if (V.renderer && !V.last.empty()) Draw();
}

bool SdlVideoPresent(const std::uint16_t* pixels, int width, int height, int pitchPixels) {
    if (!V.renderer) return false;
    ApplyPendingToggle();
    std::size_t count = static_cast<std::size_t>(width) * height;
    bool same = !V.dirty && V.frameWidth == width && V.frameHeight == height && V.last.size() == count;
    for (int y = 0; same && y < height; ++y)
        same = std::memcmp(&V.last[static_cast<std::size_t>(y) * width],
                           pixels + static_cast<std::size_t>(y) * pitchPixels,
                           static_cast<std::size_t>(width) * 2) == 0;
    if (same) return true;
    V.last.resize(count);
    for (int y = 0; y < height; ++y)
        std::memcpy(&V.last[static_cast<std::size_t>(y) * width],
                    pixels + static_cast<std::size_t>(y) * pitchPixels, static_cast<std::size_t>(width) * 2);
    V.frameWidth = width;
    V.frameHeight = height;
    Draw();
    SettleWindow();
    return true;
}

// The web backend's picture: finished frames drawn into the page's canvas.
#include "platform/web/web_video.h"

#include <emscripten.h>

#include <cstring>
#include <vector>

// clang-format off: the bodies of EM_JS are JavaScript.
EM_JS(int, web_canvas_open, (), {
    const canvas = document.getElementById('screen');
    if (!canvas) return 0;
    Module.lobshotContext = canvas.getContext('2d', {alpha : false});
    return Module.lobshotContext ? 1 : 0;
});

// The first frame is the moment the page is ready to play.
EM_JS(void, web_canvas_put, (const std::uint32_t* rgba, int width, int height), {
    const context = Module.lobshotContext;
    if (context.canvas.width != width || context.canvas.height != height) {
        context.canvas.width = width;
        context.canvas.height = height;
    }
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    context.putImageData(new ImageData(bytes, width, height), 0, 0);
    if (Module.lobshotFirstFrameAt != undefined) return;
    Module.lobshotFirstFrameAt = performance.now();
    if (Module.lobshotFirstFrame) Module.lobshotFirstFrame();
});
// clang-format on

namespace {

// The newest frame handed over (RGB565, rows packed), and whether the canvas shows it yet.
struct Frames {
    std::vector<std::uint16_t> newest;
    int width = 0;
    int height = 0;
    bool shown = true;
    bool still = false;  // the last frame handed over was the same as the one before
    std::vector<std::uint32_t> rgba;
};

Frames Video;

// Whether the frame differs from the newest one, in size or in any pixel.
bool Differs(const std::uint16_t* pixels, int width, int height, int pitchPixels) {
    if (width != Video.width || height != Video.height) return true;
    for (int y = 0; y < height; ++y) {
        const std::uint16_t* row = pixels + static_cast<std::size_t>(y) * pitchPixels;
        if (std::memcmp(row, Video.newest.data() + static_cast<std::size_t>(y) * width,
                        width * sizeof *row) != 0)
            return true;
    }
    return false;
}

}  // namespace

bool WebVideoOpen() { return web_canvas_open() != 0; }

bool WebVideoPresent(const std::uint16_t* pixels, int width, int height, int pitchPixels) {
    Video.still = !Differs(pixels, width, height, pitchPixels);
    if (Video.still) return true;
    Video.newest.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        std::memcpy(Video.newest.data() + static_cast<std::size_t>(y) * width,
                    pixels + static_cast<std::size_t>(y) * pitchPixels, width * sizeof *pixels);
    Video.width = width;
    Video.height = height;
    Video.shown = false;
    return true;
}

void WebVideoShow() {
    if (Video.shown) return;
    Video.shown = true;
    Video.rgba.resize(Video.newest.size());
    for (std::size_t i = 0; i < Video.newest.size(); ++i) Video.rgba[i] = WebCanvasPixel(Video.newest[i]);
    web_canvas_put(Video.rgba.data(), Video.width, Video.height);
}

bool WebVideoStill() { return Video.still; }

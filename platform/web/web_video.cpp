// The web backend's picture: finished frames drawn into the page's canvas.
#include "platform/web/web_video.h"

#include <emscripten.h>

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

std::vector<std::uint32_t> Rgba;

}  // namespace

bool WebVideoOpen() { return web_canvas_open() != 0; }

bool WebVideoPresent(const std::uint16_t* pixels, int width, int height, int pitchPixels) {
    Rgba.resize(static_cast<std::size_t>(width) * height);
    std::uint32_t* out = Rgba.data();
    for (int y = 0; y < height; ++y) {
        const std::uint16_t* row = pixels + static_cast<std::size_t>(y) * pitchPixels;
        for (int x = 0; x < width; ++x) *out++ = WebCanvasPixel(row[x]);
    }
    web_canvas_put(Rgba.data(), width, height);
    return true;
}

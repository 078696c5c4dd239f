// The presenter's arithmetic, which needs no window: the 4:3 picture, the nearest-neighbour maps,
// RGB565 widened into the window's pixels, the frame on the screen and gathered Alt+Enter presses.
//
// Everything here works on plain memory; sdl_video.cpp hands it the window surface's pixels.
#pragma once

#include <cstdint>
#include <vector>

// A rectangle of pixels; (x, y) is its top-left corner.
struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool Empty() const { return w <= 0 || h <= 0; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The largest 4:3 rectangle that fits an output of outW x outH, centred; an odd spare pixel goes to
// the right or below. The game's 320x200 page was shown at 4:3 on a monitor, so its pixels are
// taller than wide. Empty for an empty output.
PixelRect FitFourByThree(int outW, int outH);

// How an output pixel is built from 8-bit channels: each channel loses its low `loss` bits and
// moves up by `shift`, and the fixed bits (an opaque alpha) are always set. Two or four bytes.
struct PixelLayout {
    int bytesPerPixel = 4;
    int redShift = 16, greenShift = 8, blueShift = 0;
    int redLoss = 0, greenLoss = 0, blueLoss = 0;
    std::uint32_t fixedBits = 0;
};

// An RGB565 pixel in the layout; each channel is widened to 8 bits by repeating its top bits, so
// full intensity stays full (31 -> 255, 63 -> 255).
std::uint32_t ConvertRgb565(std::uint16_t pixel, const PixelLayout& layout);

// Which page pixel each pixel of the picture shows. Output column i (counted from box.x) samples
// page column floor((i + 1/2) * pageWidth / box.w), the page pixel under its centre; rows alike.
// Both maps never decrease.
struct ScaleMap {
    int pageWidth = 0, pageHeight = 0;
    int outputWidth = 0, outputHeight = 0;
    PixelRect box;
    std::vector<int> sourceColumn;  // box.w entries
    std::vector<int> sourceRow;     // box.h entries
};
ScaleMap MakeScaleMap(int pageWidth, int pageHeight, int outputWidth, int outputHeight);

// The output rectangle (within the box) whose pixels sample the given page rectangle; empty when
// the picture is so small that no output pixel samples it.
PixelRect OutputArea(const ScaleMap& map, PixelRect pageArea);

// Writes the output pixels of `area` (an output rectangle inside map.box) from the page. `output`
// is the output's top-left pixel and `outputPitch` its row length in bytes. A row that shows the
// same page row as the row above it is copied from that row.
void ScalePage(const std::uint16_t* page, int pagePitchPixels, const ScaleMap& map, const PixelLayout& layout,
               PixelRect area, void* output, int outputPitch);

// Paints black every output pixel outside map.box.
void FillBorders(const ScaleMap& map, const PixelLayout& layout, void* output, int outputPitch);

// A copy of the frame on the screen, to find what the next frame changes.
class FrameRecord {
public:
    // Takes the page as the frame on the screen and returns the page rectangle that differs from
    // the frame before it: empty when nothing does, the whole page for the first frame, a new size
    // or after Forget.
    PixelRect Take(const std::uint16_t* page, int width, int height, int pitchPixels);
    // The next Take reports the whole page.
    void Forget() { known_ = false; }

    bool Known() const { return known_; }
    const std::uint16_t* Pixels() const { return pixels_.data(); }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    std::vector<std::uint16_t> pixels_;
    int width_ = 0, height_ = 0;
    bool known_ = false;
};

// Alt+Enter presses gathered between frames. Switching between full screen and a window can wait
// for the window manager, so it happens at most once a frame; an even number of presses in one
// frame changes nothing.
class TogglePresses {
public:
    void Press() { pending_ = !pending_; }
    // Whether to switch now; clears the gathered presses.
    bool Take() {
        bool toggle = pending_;
        pending_ = false;
        return toggle;
    }

private:
    bool pending_ = false;
};

// Test support for the display layer: a fresh device 0 of 320x200, trace capture, and pictures
// built in memory as BMP bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display/devices.h"
#include "display/graphx.h"
#include "tests/support/capture.h"

// A BMP picture: bits per pixel 1, 8 or 24. For 1 and 8 bits, `pixel` gives palette indices;
// for 24 bits it gives colour references. `fileHeader` adds the 14-byte file header; `topDown`
// stores the rows top first.
struct BmpPicture {
    int width = 1;
    int height = 1;
    int bits = 24;
    std::function<std::uint32_t(int x, int y)> pixel;
    std::vector<COLORREF> palette;
    bool fileHeader = true;
    bool topDown = false;
};
std::vector<std::uint8_t> BuildBmp(const BmpPicture& picture);

// A 1-bit font picture of 94 cells of cellWidth x cellHeight with `ink` deciding each pixel.
std::vector<std::uint8_t> BuildFontBmp(int cellWidth, int cellHeight,
                                       const std::function<bool(int x, int y)>& ink);

// Installs a picture under a bitmap resource name for the rest of the test.
void InstallBitmap(const char* name, const std::vector<std::uint8_t>& bytes);

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the layer with the given devices enabled at 320x200.
    void StartDevices(std::initializer_list<int> devices);
    // A new off-screen surface on device 0; its number.
    int MakeSurface(int width, int height);
    Surface* Resolve(int n, int s, int nDest = -1);
    std::uint16_t Pixel(int n, int s, int x, int y) { return Resolve(n, s)->Row(y)[x]; }
    void SetRaw(int n, int s, int x, int y, std::uint16_t value) { Resolve(n, s)->Row(y)[x] = value; }
    void FillRaw(int n, int s, std::uint16_t value);
    // How many pixels of (n, s) differ from `value`.
    int CountNot(int n, int s, std::uint16_t value);
    bool Traced(const std::string& text) const { return trace_.Text().find(text) != std::string::npos; }
    std::string Trace() const { return trace_.Text(); }

private:
    TraceCapture trace_;
};

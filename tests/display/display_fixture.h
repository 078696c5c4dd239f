// Test support for the display layer: a fresh device 0 of 320x200, trace capture, pixel access.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "display/devices.h"
#include "display/graphx.h"
#include "tests/support/capture.h"
#include "tests/support/pictures.h"

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

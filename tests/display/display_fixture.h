// Test support for the display layer: a fresh device 0 of 320x200, trace capture, pixel access.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "display/devices.h"
#include "display/graphx.h"
#include "platform/resource.h"
#include "tests/support/capture.h"
#include "tests/support/pictures.h"

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        Diag.TraceLowSeverity = false;
        ResourceClearOverrides();
        StartDevices({0});
    }
    void TearDown() override {
        GraphxResetForTests();
        ResourceClearOverrides();
        Diag.TraceLowSeverity = false;
    }

    // Starts the layer with the given devices enabled at 320x200.
    static void StartDevices(std::initializer_list<int> devices) {
        GraphxResetForTests();
        for (int n : devices) GraphxEnableAdapter(n, 320, 200, true);
        GraphxInit(nullptr, nullptr, false);
    }
    // A new off-screen surface on device 0; its number.
    static int MakeSurface(int width, int height) {
        int number = -1;
        EXPECT_TRUE(CreateOSSurface(&number, 0, 2, width, height, MEMORY_KIND_SYSTEM));
        return number;
    }
    static Surface* Resolve(int n, int s, int nDest = -1) {
        Surface* surface = nullptr;
        EXPECT_TRUE(getDD(n, s, nullptr, &surface, nullptr, nDest));
        return surface;
    }
    static std::uint16_t Pixel(int n, int s, int x, int y) { return Resolve(n, s)->Row(y)[x]; }
    static void SetRaw(int n, int s, int x, int y, std::uint16_t value) { Resolve(n, s)->Row(y)[x] = value; }
    static void FillRaw(int n, int s, std::uint16_t value) {
        Surface* surface = Resolve(n, s);
        for (int y = 0; y < surface->height; ++y) std::fill_n(surface->Row(y), surface->width, value);
    }
    // How many pixels of (n, s) differ from `value`.
    static int CountNot(int n, int s, std::uint16_t value) {
        Surface* surface = Resolve(n, s);
        int count = 0;
        for (int y = 0; y < surface->height; ++y)
            for (int x = 0; x < surface->width; ++x) count += surface->Row(y)[x] != value;
        return count;
    }
    bool Traced(const std::string& text) const { return trace_.Text().find(text) != std::string::npos; }
    std::string Trace() const { return trace_.Text(); }
    // Checks that the trace holds each of the rows.
    void ExpectTraced(std::initializer_list<const char*> rows) const {
        for (const char* row : rows) EXPECT_TRUE(Traced(row)) << row << "\n" << Trace();
    }

private:
    TraceCapture trace_;
};

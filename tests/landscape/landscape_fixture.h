// Test support for the landscape: start-up's set-up, landscapes of a chosen size, pixel access.
//
// The display and the landscape's shared state are made as start-up makes them; pixels are read
// and written through the surfaces' drawing contexts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "display/gdi.h"
#include "landscape/landscape.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"
#include "tests/support/world.h"

class LandscapeTest : public GameTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A landscape of width x height, all Air, its picture white, its columns scanned. Its
    // constructor's draws are made (and so is the generator's state moved) as usual.
    std::unique_ptr<Landscape> Make(int width, int height);
    static void Fill(Landscape& land, int left, int top, int right, int bottom, std::int32_t material,
                     COLORREF colour) {
        FillLand(land, left, top, right, bottom, material, colour);
    }
    static COLORREF Picture(int x, int y) { return PixelOf(8, LandscapeSurface, x, y); }

    // How many draws the generator has made since its state was `state`; -1 beyond `limit`.
    static int DrawsSince(std::uint32_t state, int limit = 100000);

private:
    std::unique_ptr<TraceCapture> trace_;
};

// Colours as a 16-bit surface gives them back.
constexpr COLORREF AsStored(COLORREF colour) { return colour & 0xF8FCF8; }

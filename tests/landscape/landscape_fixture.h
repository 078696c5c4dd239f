// Test support for the landscape: the world as start-up makes it, and the generator's draws.
#pragma once

#include <cstdint>

#include "core/random.h"
#include "tests/support/world.h"

class LandscapeTest : public WorldTest {
protected:
    static void Fill(Landscape& land, int left, int top, int right, int bottom, std::int32_t material,
                     COLORREF colour) {
        FillLand(land, left, top, right, bottom, material, colour);
    }

    // How many draws the generator has made since its state was `state`; -1 beyond `limit`.
    static int DrawsSince(std::uint32_t state, int limit = 100000) {
        const std::uint32_t now = game::RandState();
        for (int n = 0; n <= limit; ++n, state = state * 214013u + 2531011u)
            if (state == now) return n;
        return -1;
    }
};

// Colours as a 16-bit surface gives them back.
constexpr COLORREF AsStored(COLORREF colour) { return colour & 0xF8FCF8; }

// Test support: the pieces of a world that several subsystems' fixtures build alike, and the world
// itself as start-up makes it, for the tests of the landscape, the players, the weapons, the computer
// players and the screens.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "display/graphx.h"
#include "landscape/landscape.h"
#include "sound/sound_effect.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

// The wave resources of the game's sounds, in sound-number order.
inline constexpr int SOUND_RESOURCES[SOUND_COUNT] = {189, 190, 191, 155, 156, 157, 158, 159, 161,
                                                     160, 162, 163, 167, 165, 166, 192, 174, 193};

// A pixel of an off-screen surface, or of a device page when n is a device; CLR_INVALID when no
// context is lent.
COLORREF PixelOf(int n, int s, int x, int y);
void SetPixelOf(int n, int s, int x, int y, COLORREF colour);

// Fills the rectangle (right and bottom outside) of the landscape with a material and its
// picture with a colour, then rescans the columns.
void FillLand(Landscape& land, int left, int top, int right, int bottom, std::int32_t material,
              COLORREF colour);

// The display and its surfaces, every sound (one tick long), the sine table and the landscape's
// set-up as start-up makes them; the trace's output kept from the test's log.
class WorldTest : public GameTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A landscape of width x height, all Air, its picture white, its columns scanned. Its
    // constructor's draws are made (and so is the generator's state moved) as usual.
    static std::unique_ptr<Landscape> AirLandscape(int width, int height);
    // A pixel of the landscape's picture.
    static COLORREF Picture(int x, int y) { return PixelOf(OFFSCREEN, LandscapeSurface, x, y); }
    // Sound numbers started since the last call.
    static std::vector<int> Played();

private:
    std::optional<TraceCapture> trace_;
};

// Benchmark support: the largest landscape with the display and the landscape's shared state as
// start-up leaves them, and a way to put its terrain back between runs.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "core/globals.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "shell/shell.h"

// The display and the landscape's shared state as start-up leaves them, and a landscape of the
// largest size; everything is put back when the benchmark ends.
class LargestLandscape {
public:
    LargestLandscape() {
        GraphxResetForTests();
        GraphxEnableAdapter(0, SCREEN_WIDTH, SCREEN_HEIGHT, true);
        GraphxInit(nullptr, nullptr, false);
        FillSineTable();
        LandscapeResetForTests();
        Landscape::Init(0, 2);
        CreateOSSurface(&backup_, 0, 2, MAX_LANDSCAPE_WIDTH, MAX_LANDSCAPE_HEIGHT, MEMORY_KIND_SYSTEM);
        land.width = MAX_LANDSCAPE_WIDTH;
        land.height = MAX_LANDSCAPE_HEIGHT;
        land.skyWidth = MAX_SKY_WIDTH;
        land.skyHeight = MAX_SKY_HEIGHT;
        land.lowestAir = std::make_unique<std::int32_t[]>(MAX_LANDSCAPE_WIDTH);
        land.topSolid = std::make_unique<std::int32_t[]>(MAX_LANDSCAPE_WIDTH);
        land.gravityOn = 1;
    }
    ~LargestLandscape() {
        LandscapeResetForTests();
        GraphxResetForTests();
    }

    // Keeps the current terrain, and brings it back.
    void Save() {
        materials_.assign(MaterialMap.begin(), MaterialMap.end());
        Copy(LandscapeSurface, backup_);
    }
    void Restore() {
        std::copy(materials_.begin(), materials_.end(), MaterialMap.begin());
        Copy(backup_, LandscapeSurface);
        land.ScanAllColumns();
    }

    Landscape land;

private:
    static void Copy(int from, int to) {
        GraphxBlitSurfaceAt(OFFSCREEN, from, OFFSCREEN, to, 0, 0, 0, 0, MAX_LANDSCAPE_WIDTH,
                            MAX_LANDSCAPE_HEIGHT, true, false, false, nullptr);
    }

    int backup_ = -1;
    std::vector<std::int32_t> materials_;
};

// Test support: a match in progress, as the terraforming step leaves it, without running the loop.
#pragma once

#include "core/globals.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "shell/shell.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

class MatchTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        {
            TraceCapture noPictures;
            ThePlayers = new PlayerCollection(nullptr, 0, 2);
        }
        ThePlayers->NewMatch();
        TheLandscape = new Landscape();
        TheLandscape->width = 800;
        TheLandscape->height = 400;
        TheProjectiles = new ProjectileCollection(TheLandscape);
        CurrentMode = Aiming;
    }
    Player& Current() { return *ThePlayers->Current(); }

    // Key events straight to the shell, without the loop; whether the shell handled them.
    static bool Down(int key, bool repeat = false) { return ProcessKeyEvent(InputEvent::Down(key, repeat)); }
    static bool Up(int key) { return ProcessKeyEvent(InputEvent::Up(key)); }
    static bool Press(int key) {
        const bool handled = Down(key);
        Up(key);
        return handled;
    }
};

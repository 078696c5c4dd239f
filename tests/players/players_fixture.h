// Test support for the players and the set-up screens: a display, sounds and pictures in memory,
// the weapon table, and a player collection ready for a match.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/gdi.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "tests/support/pictures.h"
#include "tests/support/world.h"

// Tank pictures are this colour all over but for a black (transparent) top-left pixel.
constexpr COLORREF TANK_INK = 0x00FFFFFF;

// Two players ready for a match in the world, with their projectiles; the shell's reset at the end
// of the test frees the players, the landscape and the projectiles.
class PlayersTest : public WorldTest {
protected:
    void SetUp() override;

    // The back page of device 0, cleared to black, and one of its pixels as a colour reference.
    static void ClearBackPage();
    static COLORREF BackPixel(int x, int y);
    // Pixels of the back page that are not black within the rectangle.
    static int InkIn(int left, int top, int right, int bottom);
    // The players of a game of `count`, after NewMatch; the first of them.
    Player& Start(int count);

    // A flat landscape of the given size: Earth from row `ground` down, with every tank of the
    // game standing on it.
    void MakeLandscape(int width, int height, int ground);
    // Plays one row of cases.tsv, which says what its commands and probes are; each expectation
    // that does not hold fails the test.
    void Play(const std::string& commands);

    PlayerCollection* players = nullptr;
    Landscape* landscape = nullptr;
    ProjectileCollection* projectiles = nullptr;
};

// The projectiles a collection holds, from the most recently added.
std::vector<const Projectile*> Members(const ProjectileCollection& collection);

// Test support for the weapons: the world as start-up makes it with the weapons' tables, a landscape
// of a chosen size, tanks put where a test wants them, and the collection under test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "display/gdi.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "tests/support/world.h"

class ProjectilesTest : public WorldTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh all-Air landscape of width x height (white picture, columns scanned) with its
    // collection; gravity on, no wind, no tank in play.
    void MakeLandscape(int width, int height);
    // Fills the rectangle (right and bottom outside) with a material and a colour.
    void Fill(int left, int top, int right, int bottom, std::int32_t material, COLORREF colour = 0x3060A0);
    // Player i in play with its tank's bottom middle at (x, y) and the given armour.
    Player& PlaceTank(int i, int x, int y, std::int32_t armour = 100);

    // A projectile added to the collection; returns it.
    Projectile* Launch(float x, float y, float vx, float vy, std::int32_t kind, std::int32_t param = 0);
    // Runs n updates; the last result.
    bool Tick(int n = 1);

    // Members of the lists, newest first.
    std::vector<Projectile*> Flying(std::int32_t kind = -1) const;
    std::vector<Fragment*> Fragments(std::int32_t type = -1) const;
    int Explosions() const;
    // How many pixels of the landscape hold the material.
    int CountMaterial(std::int32_t material) const;

    // Sound numbers looping now.
    static std::vector<int> Looping();

    // Plays one row of cases.tsv, which says what its commands and probes are; each expectation
    // that does not hold fails the test.
    void Play(const std::string& commands);

    std::unique_ptr<Landscape> landscape;
    std::unique_ptr<ProjectileCollection> shots;
    PlayerCollection* players = nullptr;
};

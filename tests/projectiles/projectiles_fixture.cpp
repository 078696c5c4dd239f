// Test support for the weapons.
#include "tests/projectiles/projectiles_fixture.h"

#include <algorithm>

#include "core/globals.h"
#include "display/graphx.h"
#include "platform/headless/headless_audio.h"
#include "shell/shell.h"
#include "sound/sound.h"
#include "tests/support/world.h"

// Every sound lasts one tick, so a one-buffer sound is free again by the next one.
void ProjectilesTest::SetUp() {
    GameTest::SetUp();
    trace_ = std::make_unique<TraceCapture>();
    LandscapeResetForTests();
    ProjectilesResetForTests();
    InstallSounds(441);
    SoundInit(nullptr);
    FillSineTable();
    GraphxEnableAdapter(0, SCREEN_WIDTH, SCREEN_HEIGHT, true);
    GraphxInit(nullptr, nullptr, false);
    Landscape::Init(0, 2);
    Explosion::Init(0, 2, nullptr);
    Projectile::Init();
    InitFireRamp();
    players = new PlayerCollection(nullptr, 0, 2);
    ThePlayers = players;
    for (Player& p : players->players) p.alive = false;
    MakeLandscape(640, 300);
}

void ProjectilesTest::TearDown() {
    shots.reset();
    landscape.reset();
    LandscapeResetForTests();
    ProjectilesResetForTests();
    GameTest::TearDown();
    trace_.reset();
}

void ProjectilesTest::MakeLandscape(int width, int height) {
    shots.reset();
    landscape = std::make_unique<Landscape>();
    landscape->width = width;
    landscape->height = height;
    landscape->lowestAir = std::make_unique<std::int32_t[]>(width);
    landscape->topSolid = std::make_unique<std::int32_t[]>(width);
    landscape->gravityOn = 1;
    landscape->wind = 0;
    Fill(0, 0, width, height, Air, 0xFFFFFF);
    shots = std::make_unique<ProjectileCollection>(landscape.get());
    Played();
}

void ProjectilesTest::Fill(int left, int top, int right, int bottom, std::int32_t material, COLORREF colour) {
    FillLand(*landscape, left, top, right, bottom, material, colour);
}

Player& ProjectilesTest::PlaceTank(int i, int x, int y, std::int32_t armour) {
    Player& p = players->players[i];
    p.inGame = true;
    p.alive = true;
    p.x = x;
    p.y = y;
    p.armour = armour;
    players->numPlayers = std::max(players->numPlayers, i + 1);
    return p;
}

Projectile* ProjectilesTest::Launch(float x, float y, float vx, float vy, std::int32_t kind,
                                    std::int32_t param) {
    auto* p = new Projectile(x, y, vx, vy, kind, param, false);
    shots->Add(p);
    return p;
}

bool ProjectilesTest::Tick(int n) {
    bool busy = false;
    for (int i = 0; i < n; ++i) busy = shots->Update(players);
    return busy;
}

std::vector<Projectile*> ProjectilesTest::Flying(std::int32_t kind) const {
    std::vector<Projectile*> found;
    for (Projectile* p = shots->projectiles; p; p = p->next)
        if (kind < 0 || p->kind == kind) found.push_back(p);
    return found;
}

std::vector<Fragment*> ProjectilesTest::Fragments(std::int32_t type) const {
    std::vector<Fragment*> found;
    for (Fragment* f = shots->fragments; f; f = f->next)
        if (type < 0 || f->type == type) found.push_back(f);
    return found;
}

int ProjectilesTest::Explosions() const {
    int n = 0;
    for (const Explosion* e = shots->explosions; e; e = e->next) ++n;
    return n;
}

int ProjectilesTest::CountMaterial(std::int32_t material) const {
    const auto end = MaterialMap.begin() + static_cast<std::ptrdiff_t>(landscape->width) * landscape->height;
    return static_cast<int>(std::count(MaterialMap.begin(), end, material));
}

std::vector<int> ProjectilesTest::Played() { return AudioTakePlayed(); }
std::vector<int> ProjectilesTest::Looping() { return AudioLooping(); }

COLORREF ProjectilesTest::Picture(int x, int y) { return PixelOf(OFFSCREEN, LandscapeSurface, x, y); }

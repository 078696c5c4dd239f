// Test support for the weapons.
#include "tests/projectiles/projectiles_fixture.h"

#include <algorithm>

#include "core/globals.h"
#include "platform/headless/headless_audio.h"

void ProjectilesTest::SetUp() {
    WorldTest::SetUp();
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
    WorldTest::TearDown();
}

void ProjectilesTest::MakeLandscape(int width, int height) {
    shots.reset();
    landscape = AirLandscape(width, height);
    landscape->gravityOn = 1;
    landscape->wind = 0;
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

std::vector<int> ProjectilesTest::Looping() { return AudioLooping(); }

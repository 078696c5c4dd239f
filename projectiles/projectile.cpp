// A projectile's flight: the walk along its path in unit steps, the play-area and collision tests
// at every sample, and each kind's effect on the way.
#include "projectiles/projectile.h"

#include <cmath>

#include "core/data_resource.h"
#include "core/random.h"
#include "core/rules.h"
#include "diag/diag.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/lists.h"
#include "projectiles/projectile_collection.h"
#include "sound/sound.h"

namespace {

using projectiles::TryNew;

constexpr int SCATTER_TABLE_ID = 135;
constexpr std::uint32_t SCATTER_TABLE_BYTES = 20808;

// The Sod Salvo sheds ten clods a sample from its 30th sample to its 159th, walking the first
// 1300 records of the scatter table.
constexpr int SCATTER_START = 300;
constexpr int SCATTER_RECORDS = 1300;
constexpr int CLODS_PER_SAMPLE = 10;

// A firework splits at every 40th sample from the 80th to the 200th.
constexpr int SPLIT_PERIOD = 40;
constexpr int FIRST_SPLIT = 2;
constexpr int LAST_SPLIT = 5;

// An Earth Mover below ground darkens its trail (and slows by the drags of core/rules.h).
constexpr float EARTH_MOVER_TRAIL = 0.7f;

// Sparks of tank debris and flames of a lava shell come now and then, living 10 to 19 moves.
constexpr int DEBRIS_SPARK_CHANCE = 9;
constexpr int LAVA_FLAME_CHANCE = 5;
constexpr int MIN_LIFE = 10;
constexpr int LIFE_CHOICES = 10;

int RandomLife() { return MIN_LIFE + game::rand() % LIFE_CHOICES; }

float RandomFraction() { return static_cast<float>(game::rand()) * game::RAND_FRACTION; }

// A firework piece's speed factor: an odd draw slows it to 0.8..0.9, an even one speeds it up to
// 1.1..1.2. Two draws.
float SplitFactor() {
    if (game::rand() % 2 == 1) return 1.0f - (RandomFraction() + 1.0f) * 0.1f;
    return 1.1f + RandomFraction() * 0.1f;
}

}  // namespace

Projectile::Projectile(float x, float y, float vx, float vy, std::int32_t kind, std::int32_t param,
                       bool tracked)
    : x(x), y(y), prevX(x), prevY(y), vx(vx), vy(vy), kind(kind), param(param), tracked(tracked ? 1 : 0) {
    DIAG_SCOPE_NAMED("Projectile::Projectile", "Projectiles");
}

void Projectile::Init() {
    DIAG_SCOPE_NAMED("Projectile::Init", "Projectiles");
    const void* data = nullptr;
    LoadDataResource(SCATTER_TABLE_ID, SCATTER_TABLE_BYTES, &data);
    Weapons.ScatterTable = static_cast<const ScatterOffset*>(data);
}

bool Projectile::Fly(ProjectileCollection* collection, Landscape* landscape, PlayerCollection* players,
                     float windStep) {
    DIAG_SCOPE_NAMED("Projectile::Fly", "Projectiles");
    return WalkPath(*this, windStep, [&] { return Impact(collection, landscape, players); });
}

// 1. Off a side edge, far out or below the edge column's lowest Air, the projectile is lost with
// nothing else happening; there is no limit above the top. 2. The kind's effect in flight. 3. The
// kind's impact test, and on impact the kind's effect where it lands.
bool Projectile::Impact(ProjectileCollection* collection, Landscape* landscape, PlayerCollection* players) {
    DIAG_SCOPE_NAMED("Projectile::Impact", "Projectiles");
    const int xi = static_cast<int>(x);
    const int yi = static_cast<int>(y);
    const int w = landscape->width;
    const bool lostLeft = xi < 0 && (xi < -SIDE_MARGIN || yi > landscape->lowestAir[0]);
    const bool lostRight = xi >= w && (xi >= w + SIDE_MARGIN || yi > landscape->lowestAir[w - 1]);
    if (lostLeft || lostRight) {
        if (kind != KindEarth) SoundPlay(SOUND_LOST);
        return false;
    }

    const std::int32_t cell = landscape->Inside(xi, yi) ? landscape->Cell(xi, yi) : Air;
    InFlight(collection, landscape, cell);
    if (!Hits(landscape, players, cell)) return true;
    Land(collection, landscape, players);
    return false;
}

void Projectile::InFlight(ProjectileCollection* collection, Landscape* landscape, std::int32_t cell) {
    switch (kind) {
        case KindDebris:
            if (game::rand() % DEBRIS_SPARK_CHANCE == 0) {
                const COLORREF colour = RandomColourNear(GetRValue(static_cast<COLORREF>(param)),
                                                         GetGValue(static_cast<COLORREF>(param)),
                                                         GetBValue(static_cast<COLORREF>(param)));
                const int life = RandomLife();
                if (auto* spark = TryNew<Fragment>(x, y, FragSpark, life, colour))
                    collection->AddFragment(spark);
            }
            break;
        case KindSodSalvo:
            param += 1;
            ScatterEarth(collection, landscape);
            break;
        case KindABomb:
            param += 1;
            break;
        case KindEarthMover:
            if (cell == Earth || cell == Rock) {
                landscape->ShadePoint(static_cast<int>(x), static_cast<int>(y), EARTH_MOVER_TRAIL);
                const double drag = cell == Earth ? EARTH_DRAG : ROCK_DRAG;
                vx = static_cast<float>(vx * drag);
                vy = static_cast<float>(vy * drag);
            }
            break;
        case KindFirework:
            param += 1;
            SplitFirework(collection);
            break;
        case KindLava:
            if (game::rand() % LAVA_FLAME_CHANCE == 0) {
                const int life = RandomLife();
                if (auto* flame = TryNew<Fragment>(x, y, FragFlame, life, static_cast<COLORREF>(life)))
                    collection->AddFragment(flame);
            }
            break;
        default:
            break;
    }
}

// Ten scatter points a sample while the step count is in its window; each takes two colour draws
// whether or not its point is free, and a point inside the ground is skipped. The clods fly on
// with the shell's velocity.
void Projectile::ScatterEarth(ProjectileCollection* collection, const Landscape* landscape) {
    const int first = CLODS_PER_SAMPLE * param - SCATTER_START;
    if (first < 0 || first >= SCATTER_RECORDS || !Weapons.ScatterTable) return;
    for (int i = 0; i < CLODS_PER_SAMPLE; ++i) {
        const int green = 50 + game::rand() % 30;
        const int red = 100 + game::rand() % 50;
        const ScatterOffset& offset = Weapons.ScatterTable[first + i];
        const float px = x + static_cast<float>(offset.dx);
        const float py = y + static_cast<float>(offset.dy);
        const int pxi = static_cast<int>(px);
        const int pyi = static_cast<int>(py);
        if (landscape->Inside(pxi, pyi) && landscape->Cell(pxi, pyi) != Air) continue;
        const auto colour = static_cast<std::int32_t>(RGB(red, green, 0));
        if (auto* clod = TryNew<Projectile>(px, py, vx, vy, KindEarth, colour, false)) collection->Add(clod);
    }
}

// At each split mark a new piece leaves from here with the step count so far, so it splits again
// at the later marks: one shell becomes up to sixteen pieces.
void Projectile::SplitFirework(ProjectileCollection* collection) {
    const int mark = param / SPLIT_PERIOD;
    if (param % SPLIT_PERIOD != 0 || mark < FIRST_SPLIT || mark > LAST_SPLIT) return;
    const float fx = SplitFactor();
    const float fy = SplitFactor();
    if (auto* piece = TryNew<Projectile>(x, y, vx * fx, vy * fy, KindFirework, param, false))
        collection->Add(piece);
}

// Everything lands on the bottom edge and on solid ground. Earth never tests the tanks; the Earth
// Mover bores through the ground until it has slowed down or meets a side column.
bool Projectile::Hits(const Landscape* landscape, const PlayerCollection* players, std::int32_t cell) const {
    if (y >= static_cast<float>(landscape->height)) return true;
    const int xi = static_cast<int>(x);
    if (kind == KindEarth) return cell != Air;
    if (cell != Air) {
        if (kind != KindEarthMover) return true;
        if (vx * vx + vy * vy < EARTH_MOVER_STALL || xi == 0 || xi == landscape->width - 1) return true;
    }
    return players->PlayerAt(xi, static_cast<int>(y)) != -1;
}

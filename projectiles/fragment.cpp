// Fragments: wrecks that smoulder and sink, sparks and flames that rise and fade, hot lava pixels,
// and the fire colours they burn in.
#include "projectiles/fragment.h"

#include "core/globals.h"
#include "core/random.h"
#include "diag/diag.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/lists.h"
#include "projectiles/projectile_collection.h"
#include "sound/sound.h"

namespace {

using projectiles::TryNew;

// Sparks and flames move once every this many ticks; sparks fade a little at each move.
constexpr int TICKS_PER_MOVE = 5;
constexpr float SPARK_FADE = 0.95f;

// Chances per tick of a wreck's spark and a lava pixel's flame, and the lives they get.
constexpr int WRECK_SPARK_CHANCE = 3;
constexpr int LAVA_FLAME_CHANCE = 400;
constexpr int MIN_LIFE = 10;
constexpr int LIFE_CHOICES = 10;

// The trace row of a lava burn names this line, as the game's trace always has.
constexpr int LAVA_BURN_TRACE_LINE = 1279;

// The fire ramp's three stretches: pale yellow, yellow to red, red to black.
constexpr int RAMP_STEP = 33;

int RandomLife() { return MIN_LIFE + game::rand() % LIFE_CHOICES; }

bool InPlayArea(int sx, int sy, int barHeight) {
    return sx >= 0 && sx < SCREEN_WIDTH && sy >= 0 && sy < SCREEN_HEIGHT - barHeight;
}

}  // namespace

Fragment::Fragment(float x, float y, std::int32_t type, std::int32_t life, COLORREF colour)
    : x(x), y(y), type(type), colour(colour), life(life), lifeStart(life) {
    DIAG_SCOPE_NAMED("Fragment::Fragment", "Projectiles");
    if (type != FragLavaStream) return;
    queues = std::make_unique<LavaQueues>();
    (*queues)[0].push_back(LavaPoint{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
    SoundLoop(SOUND_LAVA_FLOW);
}

void InitFireRamp() {
    DIAG_SCOPE_NAMED("InitFireRamp", "Projectiles");
    std::array<COLORREF, FIRE_RAMP_SIZE>& ramp = Weapons.FireRamp;
    for (int k = 0; k < RAMP_STEP; ++k) ramp[k] = RGB(255, 255, 32);
    for (int k = 0; k < RAMP_STEP; ++k) ramp[RAMP_STEP + k] = RGB(255, 255 - 255 * k / RAMP_STEP, 0);
    for (int k = 0; k <= RAMP_STEP; ++k) ramp[2 * RAMP_STEP + k] = RGB(255 - 255 * k / RAMP_STEP, 0, 0);
}

bool Fragment::Increment(PlayerCollection* players, ProjectileCollection* collection, Landscape* landscape,
                         float windStep, bool* quiet) {
    DIAG_SCOPE_NAMED("Fragment::Increment", "Projectiles");
    switch (type) {
        case FragWreck:
            return IncrementWreck(collection, landscape);
        case FragSpark:
            return IncrementSpark(windStep);
        case FragFlame:
            return IncrementFlame(windStep);
        case FragLavaStream:
            return IncLavaStream(this, players, collection, landscape, quiet);
        case FragLavaPixel:
            return IncrementLavaPixel(players, collection, landscape);
        default:
            return false;
    }
}

// A wreck puffs out a spark in a colour near its own now and then, and sinks through Air (and
// beyond a side edge) until it rests on the ground or the bottom row.
bool Fragment::IncrementWreck(ProjectileCollection* collection, const Landscape* landscape) {
    if (game::rand() % WRECK_SPARK_CHANCE == 0) {
        const COLORREF sparkColour =
            RandomColourNear(GetRValue(colour), GetGValue(colour), GetBValue(colour));
        const int sparkLife = RandomLife();
        if (auto* spark = TryNew<Fragment>(x, y, FragSpark, sparkLife, sparkColour))
            collection->AddFragment(spark);
    }
    const int xi = static_cast<int>(x);
    const int below = static_cast<int>(y) + 1;
    if (y < static_cast<float>(landscape->height - 1) &&
        (!landscape->Inside(xi, below) || landscape->Cell(xi, below) == Air))
        y += 1.0f;
    return true;
}

// Every fifth tick a spark fades and, while it has life left, drifts one pixel up.
bool Fragment::IncrementSpark(float windStep) {
    tick += 1;
    if (tick < TICKS_PER_MOVE) return true;
    auto fade = [](int channel) { return static_cast<int>(static_cast<float>(channel) * SPARK_FADE); };
    colour = RGB(fade(GetRValue(colour)), fade(GetGValue(colour)), fade(GetBValue(colour)));
    tick = 0;
    life -= 1;
    if (life <= 0) return false;
    Rise(windStep);
    return true;
}

// A flame takes its colour from how much of its life is spent, and moves like a spark.
bool Fragment::IncrementFlame(float windStep) {
    colour = Weapons.FireRamp[(lifeStart - life) * FIRE_RAMP_SIZE / lifeStart];
    tick += 1;
    if (tick < TICKS_PER_MOVE) return true;
    tick = 0;
    life -= 1;
    if (life <= 0) return false;
    Rise(windStep);
    return true;
}

// One pixel up, one step sideways at random, and the wind's drift.
void Fragment::Rise(float windStep) {
    x += static_cast<float>(game::rand() % 3 - 1) + windStep;
    y -= 1.0f;
}

// 1. With landscape gravity a hot pixel sinks through Air, and the first time it sinks it burns the
// tanks it now lies in. 2. Now and then a flame rises from it.
bool Fragment::IncrementLavaPixel(PlayerCollection* players, ProjectileCollection* collection,
                                  const Landscape* landscape) {
    const int xi = static_cast<int>(x);
    const int yi = static_cast<int>(y);
    if (landscape->gravityOn && yi < landscape->height - 1 && landscape->Cell(xi, yi + 1) == Air) {
        y += 1.0f;
        if (damaged == 0) BurnTanks(players, collection);
    }
    if (game::rand() % LAVA_FLAME_CHANCE == 0) {
        const int flameLife = RandomLife();
        if (auto* flame = TryNew<Fragment>(x, y, FragFlame, flameLife, static_cast<COLORREF>(flameLife)))
            collection->AddFragment(flame);
    }
    return true;
}

// One point of damage to every tank in play that holds the pixel; a pixel has one chance only.
void Fragment::BurnTanks(PlayerCollection* players, ProjectileCollection* collection) {
    DiagScope scope("Fragment::InflictDamage", "Projectiles", LAVA_BURN_TRACE_LINE);
    const int xi = static_cast<int>(x);
    const int yi = static_cast<int>(y);
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        const Player& player = players->players[i];
        if (player.alive && player.inGame && player.Contains(xi, yi))
            players->DamagePlayer(1, players->current, i, collection);
    }
    damaged = 1;
}

// Lava flickers in a fresh fire colour every frame and leaves clipping to the context; the stream
// itself is not drawn.
void Fragment::Draw(HDC dc, int viewX, int viewY, int barHeight) const {
    DIAG_SCOPE_NAMED("Fragment::Draw", "Projectiles");
    const int sx = static_cast<int>(x) - viewX;
    const int sy = static_cast<int>(y) - viewY;
    switch (type) {
        case FragWreck:
        case FragSpark:
        case FragFlame:
            if (InPlayArea(sx, sy, barHeight)) SetPixel(dc, sx, sy, colour);
            break;
        case FragLavaPixel:
            SetPixel(dc, sx, sy, Weapons.FireRamp[game::rand() % FIRE_RAMP_SIZE]);
            break;
        default:
            break;
    }
}

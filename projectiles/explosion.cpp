// Impacts and explosions: what each kind of projectile does where it lands, and the explosion
// types with their pictures, thrown earth, craters and damage.
#include "projectiles/explosion.h"

#include <cmath>

#include "core/random.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/lists.h"
#include "projectiles/projectile_collection.h"
#include "sound/sound.h"

namespace {

using projectiles::TryNew;

// Every number an explosion type selects. A crater radius of 0 digs nothing; a debris count of 0
// throws nothing.
struct ExplosionSpec {
    std::int32_t duration;
    int craterRadius;
    float rockFactor;
    int rimWidth;
    int rimMode;
    float rimFactor;
    int debrisCount;
    int debrisRadius;
    float debrisSpeedMin;
    float debrisSpeedMax;
    float debrisColourFactor;
    int damageRadius;
    int fullDamage;
    bool clearsFragments;
};

constexpr ExplosionSpec EXPLOSION_SPECS[] = {
    {0, 0, 0.0f, 0, 0, 0.0f, 0, 0, 0.0f, 0.0f, 0.0f, 1, 5, false},          // debris touch
    {25, 16, 0.04f, 7, 1, 0.4f, 10, 15, 0.3f, 0.7f, 0.3f, 16, 20, true},    // Shell
    {250, 85, 0.3f, 15, 0, 0.3f, 25, 60, 0.8f, 1.3f, 0.3f, 85, 120, true},  // A-Bomb
    {40, 45, 0.3f, 1, 0, 0.8f, 150, 25, 0.1f, 0.7f, 0.8f, 0, 0, false},     // Earth Mover
    {17, 7, 0.04f, 5, 1, 0.4f, 0, 0, 0.0f, 0.0f, 0.0f, 10, 5, true},        // Firework
};
constexpr ExplosionSpec NO_EXPLOSION{};

// The pictures: the Shell's, the A-Bomb's and the Earth Mover's, then the seven fireworks', with
// the half size of each type's picture.
constexpr const char* IMAGE_NAMES[EXPLOSION_IMAGE_COUNT] = {
    "IDB_SHELL",     "IDB_ABOMB",     "IDB_EARTHMOVER", "IDB_FIREWORK1", "IDB_FIREWORK2",
    "IDB_FIREWORK3", "IDB_FIREWORK4", "IDB_FIREWORK5",  "IDB_FIREWORK6", "IDB_FIREWORK7",
};
constexpr int HALF_SIZES[] = {0, 16, 85, 45, 10};

// A lava shell pours this many pixels.
constexpr std::int32_t LAVA_VOLUME = 300;

const ExplosionSpec& SpecOf(std::int32_t type) {
    return type >= 0 && type < static_cast<std::int32_t>(std::size(EXPLOSION_SPECS)) ? EXPLOSION_SPECS[type]
                                                                                     : NO_EXPLOSION;
}

// Each channel times k, truncated.
COLORREF Darken(COLORREF colour, float k) {
    auto channel = [k](int value) { return static_cast<int>(static_cast<float>(value) * k); };
    return RGB(channel(GetRValue(colour)), channel(GetGValue(colour)), channel(GetBValue(colour)));
}

// Damage to a tank whose middle is d2 (squared, above 0) from the explosion: falling from full at
// the centre with the squared distance to half at the damage radius, none beyond.
int DamageAt(int d2, const ExplosionSpec& spec) {
    const int r2 = spec.damageRadius * spec.damageRadius;
    if (d2 > r2) return 0;
    return ((2 * r2 - d2) * spec.fullDamage) / (2 * r2);
}

// An explosion of the type at (x, y), linked into the collection; null (and so no crater, debris
// or damage) when it cannot be made.
Explosion* StartExplosion(ProjectileCollection* collection, float x, float y, std::int32_t type,
                          std::int32_t param) {
    auto* explosion = TryNew<Explosion>(x, y, type, param);
    if (explosion) collection->AddExplosion(explosion);
    return explosion;
}

// Debris first, so the earth thrown takes the colours of the ground the crater then removes.
void Blast(Explosion* explosion, ProjectileCollection* collection, Landscape* landscape,
           PlayerCollection* players, bool damages) {
    if (!explosion) return;
    explosion->ThrowDebris(collection, landscape);
    explosion->DigCrater(landscape);
    if (damages) explosion->InflictDamage(players, collection);
}

}  // namespace

// The effect of each kind where it lands, with its sound first. A tank debris piece that touches a
// tank damages it; one that falls on the ground leaves a smouldering wreck where it last flew.
void Projectile::Land(ProjectileCollection* collection, Landscape* landscape, PlayerCollection* players) {
    DIAG_SCOPE_NAMED("Projectile::Land", "Projectiles");
    switch (kind) {
        case KindShell:
            SoundPlay(SOUND_SHELL);
            Blast(StartExplosion(collection, x, y, ExplosionShell, 0), collection, landscape, players, true);
            break;
        case KindDebris:
            if (Explosion* touch = StartExplosion(collection, x, y, ExplosionDebrisTouch, 0)) {
                if (touch->InflictDamage(players, collection)) {
                    SoundPlay(SOUND_DEBRIS_HIT);
                } else {
                    SoundPlay(SOUND_THUD);
                    if (auto* wreck = TryNew<Fragment>(prevX, prevY, FragWreck))
                        collection->AddFragment(wreck);
                }
            }
            break;
        case KindEarth:
            SoundStop(SOUND_THUD);
            SoundPlay(SOUND_THUD);
            landscape->SetPoint(static_cast<int>(prevX), static_cast<int>(prevY),
                                static_cast<COLORREF>(param), Earth);
            break;
        case KindABomb:
            SoundPlay(SOUND_ABOMB);
            Blast(StartExplosion(collection, x, y, ExplosionABomb, 0), collection, landscape, players, true);
            break;
        case KindEarthMover:
            SoundPlay(SOUND_EARTH_MOVER);
            Blast(StartExplosion(collection, x, y, ExplosionEarthMover, 0), collection, landscape, players,
                  false);
            break;
        case KindFirework: {
            SoundPlay(SOUND_FIREWORK);
            const std::int32_t image = game::rand() % FIREWORK_IMAGE_COUNT;
            Blast(StartExplosion(collection, x, y, ExplosionFirework, image), collection, landscape, players,
                  true);
            break;
        }
        case KindLava:
            SoundPlay(SOUND_THUD);
            if (auto* stream = TryNew<Fragment>(prevX, prevY, FragLavaStream, LAVA_VOLUME))
                collection->AddFragment(stream);
            break;
        default:
            break;
    }
}

Explosion::Explosion(float x, float y, std::int32_t type, std::int32_t param)
    : x(x), y(y), type(type), param(param), duration(SpecOf(type).duration) {
    DIAG_SCOPE_NAMED("Explosion::Explosion", "Projectiles");
}

void Explosion::Init(int device, int surface, HINSTANCE instance) {
    DIAG_SCOPE_NAMED("Explosion::Init", "Projectiles");
    for (int i = 0; i < EXPLOSION_IMAGE_COUNT; ++i)
        GraphxBitmapToOSSurface(&Weapons.ExplosionImage[i], device, surface, instance, IMAGE_NAMES[i],
                                MEMORY_KIND_SYSTEM, 0, 0, true, true);
}

int Explosion::Image() const {
    switch (type) {
        case ExplosionShell:
            return Weapons.ExplosionImage[0];
        case ExplosionABomb:
            return Weapons.ExplosionImage[1];
        case ExplosionEarthMover:
            return Weapons.ExplosionImage[2];
        case ExplosionFirework:
            return param >= 0 && param < FIREWORK_IMAGE_COUNT ? Weapons.ExplosionImage[3 + param] : -1;
        default:
            return -1;
    }
}

int Explosion::HalfSize() const {
    return type >= 0 && type < static_cast<std::int32_t>(std::size(HALF_SIZES)) ? HALF_SIZES[type] : 0;
}

// 1. A random offset of the debris disc, never the centre. 2. Only a solid point throws a clod, in
// its own colour darkened. 3. The clod flies straight away from the centre at a random speed.
void Explosion::ThrowDebris(ProjectileCollection* collection, Landscape* landscape) const {
    DIAG_SCOPE_NAMED("Explosion::ThrowDebris", "Projectiles");
    const ExplosionSpec& spec = SpecOf(type);
    for (int n = 0; n < spec.debrisCount; ++n) {
        std::int32_t dx = 0;
        std::int32_t dy = 0;
        Landscape::RandomOffset(spec.debrisRadius, &dx, &dy);
        const float px = x + static_cast<float>(dx);
        const float py = y + static_cast<float>(dy);
        COLORREF colour = 0;
        if (!landscape->GetPoint(static_cast<int>(px), static_cast<int>(py), &colour)) continue;
        const float speed = spec.debrisSpeedMin + static_cast<float>(game::rand()) * game::RAND_FRACTION *
                                                      (spec.debrisSpeedMax - spec.debrisSpeedMin);
        const float length = std::sqrt(static_cast<float>(dx * dx + dy * dy));
        const float vx = speed * static_cast<float>(dx) / length;
        const float vy = speed * static_cast<float>(dy) / length;
        const auto param = static_cast<std::int32_t>(Darken(colour, spec.debrisColourFactor));
        if (auto* clod = TryNew<Projectile>(px, py, vx, vy, KindEarth, param, false)) collection->Add(clod);
    }
}

// The hole first (rock survives by chance), then the scorch: what is left inside the crater is
// darkened and the rim shaded back to full colour.
void Explosion::DigCrater(Landscape* landscape) const {
    DIAG_SCOPE_NAMED("Explosion::DigCrater", "Projectiles");
    const ExplosionSpec& spec = SpecOf(type);
    if (spec.craterRadius == 0) return;
    const int xi = static_cast<int>(x);
    const int yi = static_cast<int>(y);
    landscape->Hole(xi, yi, spec.craterRadius, false, spec.rockFactor);
    landscape->ShadeDisc(xi, yi, spec.craterRadius, spec.craterRadius + spec.rimWidth, spec.rimMode,
                         spec.rimFactor);
}

// 1. Each tank in play, in index order, is hit directly when the point lies in it or on its middle;
// otherwise the damage falls with the squared distance from its middle. 2. The blast clears the
// fragments within its damage radius.
bool Explosion::InflictDamage(PlayerCollection* players, ProjectileCollection* collection) const {
    DIAG_SCOPE_NAMED("Explosion::InflictDamage", "Projectiles");
    const ExplosionSpec& spec = SpecOf(type);
    const int xi = static_cast<int>(x);
    const int yi = static_cast<int>(y);
    bool hit = false;
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        const Player& player = players->players[i];
        if (!player.alive || !player.inGame) continue;
        const int dx = player.x - xi;
        const int dy = player.y - player.height / 2 - yi;
        const int d2 = dx * dx + dy * dy;
        const bool direct = player.Contains(xi, yi) || d2 == 0;
        const int damage = direct ? spec.fullDamage : DamageAt(d2, spec);
        hit = hit || direct;
        if (damage > 0) players->DamagePlayer(damage, players->current, i, collection);
    }
    if (spec.clearsFragments) ClearFragments(collection, spec.damageRadius);
    return hit;
}

// Whatever the type of a fragment in reach, it goes. A lava stream blown away while it still flows
// ends as one that has run dry: its sound stops and the whole flow cools into rock.
void Explosion::ClearFragments(ProjectileCollection* collection, int radius) const {
    const auto r2 = static_cast<float>(radius * radius);
    bool streamCleared = false;
    for (Fragment* fragment = collection->fragments; fragment;) {
        Fragment* next = fragment->next;
        const float dx = fragment->x - x;
        const float dy = fragment->y - y;
        if (dx * dx + dy * dy <= r2) {
            streamCleared = streamCleared || fragment->type == FragLavaStream;
            collection->RemoveFragment(fragment);
        }
        fragment = next;
    }
    if (!streamCleared) return;
    SoundStop(SOUND_LAVA_FLOW);
    collection->CoolLava();
}

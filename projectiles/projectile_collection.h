// Everything a shot sets going: projectiles, explosions and fragments, owned by one collection that
// the shell makes anew with every landscape.
//
// The three lists are doubly linked and every insertion is at the head, so a member added during a
// pass over its list is first visited on the next tick. The collection owns every member: one that
// ends is unlinked and destroyed at once, and destroying the collection destroys them all. The
// frame step calls Update once a tick in aiming, shooting and at the end of a match, Draw after the
// landscape and the tanks, and FollowView while a shot is in progress.
#pragma once

#include <array>
#include <cstdint>

#include "core/rules.h"
#include "display/gdi.h"
#include "projectiles/explosion.h"
#include "projectiles/fragment.h"
#include "projectiles/projectile.h"

class Landscape;
class PlayerCollection;

// The weapons' process-wide tables, loaded once at start-up and shared by every collection: the
// Sod Salvo's scatter offsets (read in place), the explosion pictures (off-screen surface numbers,
// -1 until loaded) and the fire colours.
struct WeaponTables {
    const ScatterOffset* ScatterTable = nullptr;
    std::array<int, EXPLOSION_IMAGE_COUNT> ExplosionImage{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::array<COLORREF, FIRE_RAMP_SIZE> FireRamp{};
};
extern WeaponTables Weapons;

// Tests: the tables as before start-up.
void ProjectilesResetForTests();

class ProjectileCollection final : public ShotLauncher {
public:
    // Empty lists for the given landscape (not owned), with the rules' GRAVITY.
    explicit ProjectileCollection(Landscape* landscape);
    ~ProjectileCollection();
    ProjectileCollection(const ProjectileCollection&) = delete;
    ProjectileCollection& operator=(const ProjectileCollection&) = delete;

    // Take ownership and link at the head; a projectile also gets the collection's gravity.
    void Add(Projectile* projectile);
    // A new projectile, added as above.
    void Launch(float x, float y, float vx, float vy, std::int32_t kind, std::int32_t param,
                bool tracked) override;
    void AddExplosion(Explosion* explosion);
    void AddFragment(Fragment* fragment);
    // Unlink and destroy one member.
    void RemoveFragment(Fragment* fragment);

    // One tick: every projectile flies, explosions age, fragments burn. True while the shot is
    // still busy: something flies or explodes, or a lava stream poured this tick.
    bool Update(PlayerCollection* players);
    // Explosions, projectiles and fragments onto (device, surface), whose top-left shows landscape
    // point (viewX, viewY) over a play area 320 x (200 - barHeight).
    void Draw(int device, int surface, int viewX, int viewY, int barHeight);
    // Centres the view on the tracked projectile, kept inside the landscape; nothing without one.
    void FollowView(std::int32_t* viewX, std::int32_t* viewY, int barHeight,
                    const Landscape* landscape) const;
    // The end of a lava flow: every hot lava pixel goes out and all Lava becomes Rock.
    void CoolLava();

    Projectile* projectiles = nullptr;
    Explosion* explosions = nullptr;
    Fragment* fragments = nullptr;
    Landscape* landscape;
    float gravity = GRAVITY;
    bool trackedAlive = false;  // a tracked projectile survived the last update
    std::int32_t trackedX = 0;  // where it was then, truncated
    std::int32_t trackedY = 0;

private:
    void FlyProjectiles(PlayerCollection* players, float windStep);
    void AgeExplosions();
    bool BurnFragments(PlayerCollection* players, float windStep);
    void DrawExplosions(int device, int surface, int viewX, int viewY) const;
    void DrawProjectiles(HDC dc, int viewX, int viewY, int barHeight) const;
};

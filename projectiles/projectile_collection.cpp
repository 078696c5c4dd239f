// The collection of a match's shot objects: its three lists, the tick that moves them, drawing, and
// the view that follows the fired shell.
#include "projectiles/projectile_collection.h"

#include <new>

#include "core/globals.h"
#include "core/rules.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "projectiles/lists.h"

WeaponTables Weapons;

void ProjectilesResetForTests() { Weapons = WeaponTables{}; }

namespace {

using projectiles::DestroyAll;
using projectiles::LinkAtHead;
using projectiles::Unlink;

// Explosion pictures leave out their black pixels.
constexpr ColourKey BLACK_KEY{0, 0};

constexpr COLORREF WHITE = RGB(255, 255, 255);
constexpr COLORREF ABOMB_FLASH = RGB(255, 200, 200);
constexpr COLORREF ABOMB_GLOW = RGB(200, 0, 0);
constexpr COLORREF ABOMB_CROSS = RGB(160, 160, 160);
// An A-Bomb flashes for 6 of every 40 samples.
constexpr int ABOMB_BLINK_PERIOD = 40;
constexpr int ABOMB_FLASH_SAMPLES = 6;

// A Sod Salvo starts white and, from its 30th sample, cools to the brown it keeps from its 100th.
constexpr int SOD_FADE_START = 30;
constexpr int SOD_FADE_END = 100;
constexpr COLORREF SOD_BROWN = RGB(127, 63, 0);

COLORREF SodSalvoColour(int p) {
    if (p < SOD_FADE_START) return WHITE;
    if (p > SOD_FADE_END) return SOD_BROWN;
    return RGB(255 - p * 128 / 100, 255 - p * 192 / 100, 255 - p * 255 / 100);
}

}  // namespace

ProjectileCollection::ProjectileCollection(Landscape* landscape) : landscape(landscape) {
    DIAG_SCOPE_NAMED("ProjectileCollection::ProjectileCollection", "Projectiles");
}

ProjectileCollection::~ProjectileCollection() {
    DIAG_SCOPE_NAMED("ProjectileCollection::~ProjectileCollection", "Projectiles");
    DestroyAll(projectiles);
    DestroyAll(explosions);
    DestroyAll(fragments);
}

void ProjectileCollection::Add(Projectile* projectile) {
    DIAG_SCOPE_NAMED("ProjectileCollection::Add", "Projectiles");
    projectile->gravity = gravity;
    LinkAtHead(projectiles, projectile);
}

void ProjectileCollection::Launch(float x, float y, float vx, float vy, std::int32_t kind, std::int32_t param,
                                  bool tracked) {
    auto* projectile = new (std::nothrow) Projectile(x, y, vx, vy, kind, param, tracked);
    if (projectile) Add(projectile);
}

void ProjectileCollection::AddExplosion(Explosion* explosion) {
    DIAG_SCOPE_NAMED("ProjectileCollection::AddExplosion", "Projectiles");
    LinkAtHead(explosions, explosion);
}

void ProjectileCollection::AddFragment(Fragment* fragment) {
    DIAG_SCOPE_NAMED("ProjectileCollection::AddFragment", "Projectiles");
    LinkAtHead(fragments, fragment);
}

void ProjectileCollection::RemoveFragment(Fragment* fragment) {
    DIAG_SCOPE_NAMED("ProjectileCollection::RemoveFragment", "Projectiles");
    Unlink(fragments, fragment);
    delete fragment;
}

void ProjectileCollection::CoolLava() {
    DIAG_SCOPE_NAMED("ProjectileCollection::CoolLava", "Projectiles");
    for (Fragment* fragment = fragments; fragment;) {
        Fragment* next = fragment->next;
        if (fragment->type == FragLavaPixel) RemoveFragment(fragment);
        fragment = next;
    }
    landscape->ReplaceMaterial(Lava, Rock);
}

// 1. Projectiles fly. 2. Explosions age. 3. Fragments burn, and a lava stream that ended takes its
// flow with it. The shot is busy while anything flies or explodes, or lava poured this tick.
bool ProjectileCollection::Update(PlayerCollection* players) {
    DIAG_SCOPE_NAMED("ProjectileCollection::Update", "Projectiles");
    trackedAlive = false;
    const auto windStep = static_cast<float>(landscape->wind * WIND_PER_UNIT);
    FlyProjectiles(players, windStep);
    AgeExplosions();
    const bool quiet = BurnFragments(players, windStep);
    return projectiles || explosions || !quiet;
}

// Projectiles added during the pass are linked before the one being moved, so they first fly on the
// next tick.
void ProjectileCollection::FlyProjectiles(PlayerCollection* players, float windStep) {
    for (Projectile* projectile = projectiles; projectile;) {
        Projectile* next = projectile->next;
        if (!projectile->Fly(this, landscape, players, windStep)) {
            Unlink(projectiles, projectile);
            delete projectile;
        } else if (projectile->tracked) {
            trackedAlive = true;
            trackedX = static_cast<std::int32_t>(projectile->x);
            trackedY = static_cast<std::int32_t>(projectile->y);
        }
        projectile = next;
    }
}

void ProjectileCollection::AgeExplosions() {
    for (Explosion* explosion = explosions; explosion;) {
        Explosion* next = explosion->next;
        explosion->age += 1;
        if (explosion->age >= explosion->duration) {
            Unlink(explosions, explosion);
            delete explosion;
        }
        explosion = next;
    }
}

// Returns whether everything stayed quiet.
bool ProjectileCollection::BurnFragments(PlayerCollection* players, float windStep) {
    bool quiet = true;
    bool streamEnded = false;
    for (Fragment* fragment = fragments; fragment;) {
        Fragment* next = fragment->next;
        if (!fragment->Increment(players, this, landscape, windStep, &quiet)) {
            streamEnded = streamEnded || fragment->type == FragLavaStream;
            RemoveFragment(fragment);
        }
        fragment = next;
    }
    if (streamEnded) CoolLava();
    return quiet;
}

void ProjectileCollection::Draw(int device, int surface, int viewX, int viewY, int barHeight) {
    DIAG_SCOPE_NAMED("ProjectileCollection::Draw", "Projectiles");
    DrawExplosions(device, surface, viewX, viewY);
    HDC dc = nullptr;
    if (!GetHDC(&dc, device, surface, -1)) return;
    DrawProjectiles(dc, viewX, viewY, barHeight);
    for (const Fragment* fragment = fragments; fragment; fragment = fragment->next)
        fragment->Draw(dc, viewX, viewY, barHeight);
    ReleaseHDC(dc, device, surface, -1);
}

// Each picture is centred on its point, with its black left out.
void ProjectileCollection::DrawExplosions(int device, int surface, int viewX, int viewY) const {
    for (const Explosion* explosion = explosions; explosion; explosion = explosion->next) {
        const int image = explosion->Image();
        if (image < 0) continue;
        const int half = explosion->HalfSize();
        GraphxBlitSurfaceAt(OFFSCREEN, image, device, surface, static_cast<int>(explosion->x) - viewX - half,
                            static_cast<int>(explosion->y) - viewY - half, 0, 0, 2 * half + 1, 2 * half + 1,
                            true, false, true, &BLACK_KEY);
    }
}

// One pixel each, in the play area only; an A-Bomb blinks inside a grey cross whose arms the
// context clips.
void ProjectileCollection::DrawProjectiles(HDC dc, int viewX, int viewY, int barHeight) const {
    for (const Projectile* p = projectiles; p; p = p->next) {
        const int sx = static_cast<int>(p->x) - viewX;
        const int sy = static_cast<int>(p->y) - viewY;
        if (sx < 0 || sx >= SCREEN_WIDTH || sy < 0 || sy >= SCREEN_HEIGHT - barHeight) continue;
        switch (p->kind) {
            case KindEarth:
                SetPixel(dc, sx, sy, static_cast<COLORREF>(p->param));
                break;
            case KindSodSalvo:
                SetPixel(dc, sx, sy, SodSalvoColour(p->param));
                break;
            case KindABomb:
                SetPixel(dc, sx, sy,
                         p->param % ABOMB_BLINK_PERIOD < ABOMB_FLASH_SAMPLES ? ABOMB_FLASH : ABOMB_GLOW);
                SetPixel(dc, sx - 1, sy, ABOMB_CROSS);
                SetPixel(dc, sx + 1, sy, ABOMB_CROSS);
                SetPixel(dc, sx, sy - 1, ABOMB_CROSS);
                SetPixel(dc, sx, sy + 1, ABOMB_CROSS);
                break;
            default:
                SetPixel(dc, sx, sy, WHITE);
                break;
        }
    }
}

// The shell sits in the middle of the play area unless an edge of the landscape is nearer.
void ProjectileCollection::FollowView(std::int32_t* viewX, std::int32_t* viewY, int barHeight,
                                      const Landscape* land) const {
    DIAG_SCOPE_NAMED("ProjectileCollection::FollowView", "Projectiles");
    if (!trackedAlive) return;
    *viewX = trackedX - SCREEN_WIDTH / 2;
    if (*viewX < 0) *viewX = 0;
    if (*viewX + SCREEN_WIDTH > land->width) *viewX = land->width - SCREEN_WIDTH;
    *viewY = trackedY - (SCREEN_HEIGHT - barHeight) / 2;
    if (*viewY < 0) *viewY = 0;
    if (*viewY - barHeight + SCREEN_HEIGHT > land->height) *viewY = land->height + barHeight - SCREEN_HEIGHT;
}

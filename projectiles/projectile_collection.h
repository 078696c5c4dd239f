// Everything of a shot in flight: projectiles, explosions and fragments, owned by one collection
// made anew with every landscape. The flight, impacts, fragments and lava fill these classes as they
// are built; the shell already calls every operation in its place.
#pragma once

#include <cstdint>

#include "platform/win.h"

class Landscape;
class PlayerCollection;

class Projectile {
public:
    // Once at start-up: the scatter table.
    static void Init();
};

class Explosion {
public:
    // Once at start-up: the explosion pictures.
    static void Init(int device, int surface, HINSTANCE instance);
};

// Once at start-up: the colour ramp of flames and lava.
void InitFireRamp();

class ProjectileCollection {
public:
    explicit ProjectileCollection(Landscape* landscape);
    ~ProjectileCollection();
    ProjectileCollection(const ProjectileCollection&) = delete;
    ProjectileCollection& operator=(const ProjectileCollection&) = delete;

    // True while anything is still flying or burning.
    bool Update(PlayerCollection* players);
    void Draw(int device, int surface, int viewX, int viewY, int margin);
    // Moves the view after the tracked projectile, if there is one.
    void FollowView(std::int32_t* viewX, std::int32_t* viewY, int margin, Landscape* landscape);

    Landscape* landscape;
};

// The projectile collection's operations as the shell uses them; flight arrives with the weapons work.
#include "projectiles/projectile_collection.h"

void Projectile::Init() {}
void Explosion::Init(int, int, HINSTANCE) {}
void InitFireRamp() {}

ProjectileCollection::ProjectileCollection(Landscape* landscape) : landscape(landscape) {}
ProjectileCollection::~ProjectileCollection() = default;
bool ProjectileCollection::Update(PlayerCollection*) { return false; }
void ProjectileCollection::Draw(int, int, int, int, int) {}
void ProjectileCollection::FollowView(std::int32_t*, std::int32_t*, int, Landscape*) {}

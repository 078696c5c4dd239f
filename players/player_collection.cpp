// The player collection's operations as the shell uses them; tanks arrive with the players work.
#include "players/player_collection.h"

PlayerCollection::PlayerCollection(HINSTANCE, int, int) {
    for (int i = 0; i < numPlayers; ++i) players[i].inGame = players[i].alive = true;
}

PlayerCollection::~PlayerCollection() = default;

Player* PlayerCollection::Current() { return &players[current]; }

Player* PlayerCollection::Get(int index) { return index >= 0 && index < MAX_PLAYERS ? &players[index] : nullptr; }

void PlayerCollection::NewMatch() {}
void PlayerCollection::PositionPlayers(Landscape*) {}
bool PlayerCollection::NextTurn() { return true; }
void PlayerCollection::SettleMatch() {}
void PlayerCollection::UpdateMenu() {}
void PlayerCollection::UpdateArmourChart() {}
void PlayerCollection::Draw(int, int, int, int, int, bool) {}
void PlayerCollection::DrawMenuBar(int, int) {}
void PlayerCollection::DrawShotMenuBar(int, int) {}
bool PlayerCollection::GlideToPlayer(int, std::int32_t*, std::int32_t*, int, Landscape*) { return true; }
bool PlayerCollection::GlideToBarrel(int, std::int32_t*, std::int32_t*, int, Landscape*) { return true; }
void PlayerCollection::Fire(ProjectileCollection*) {}
bool PlayerCollection::DoGravity(Landscape*, ProjectileCollection*) { return false; }

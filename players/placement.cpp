// Placing the tanks on a new landscape, and letting them fall when the ground under them goes.
#include <cstdlib>

#include "core/random.h"
#include "core/rules.h"
#include "diag/diag.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "sound/sound.h"

namespace {

// Random columns tried before the search walks on column by column.
constexpr int RANDOM_ATTEMPTS = 10;
// A tank loses one armour for every this many pixels it falls.
constexpr std::int32_t FALL_PER_DAMAGE = 6;

bool InsideEdges(int x, int width) { return x >= TANK_EDGE_DISTANCE && x < width - TANK_EDGE_DISTANCE; }

// The distance from column x to the nearest of the first `placed` tanks.
int NearestTank(const PlayerCollection& collection, int placed, int x, int width) {
    int nearest = width;
    for (int j = 0; j < placed; ++j) {
        const int distance = std::abs(x - collection.players[static_cast<std::size_t>(j)].x);
        if (distance < nearest) nearest = distance;
    }
    return nearest;
}

// When the tanks already placed leave no column with room enough, the column inside the edges
// farthest from all of them (the leftmost of equals) has to do.
int FarthestColumn(const PlayerCollection& collection, int placed, int width) {
    int best = TANK_EDGE_DISTANCE;
    int bestDistance = -1;
    for (int x = TANK_EDGE_DISTANCE; x < width - TANK_EDGE_DISTANCE; ++x) {
        const int distance = NearestTank(collection, placed, x, width);
        if (distance > bestDistance) {
            best = x;
            bestDistance = distance;
        }
    }
    return best;
}

// Ten random columns, then every column in turn from the last of them, wrapping at the right
// edge; the first one inside the edges and at least `spacing` from every tank placed so far wins.
int FindColumn(const PlayerCollection& collection, int placed, int spacing, int width) {
    auto acceptable = [&](int x) {
        return InsideEdges(x, width) && NearestTank(collection, placed, x, width) >= spacing;
    };
    int x = 0;
    for (int attempt = 0; attempt < RANDOM_ATTEMPTS; ++attempt) {
        x = game::rand() % width;
        if (acceptable(x)) return x;
    }
    for (int step = 0; step < width; ++step) {
        x = (x + 1) % width;
        if (acceptable(x)) return x;
    }
    return FarthestColumn(collection, placed, width);
}

}  // namespace

void PlayerCollection::PositionPlayers(Landscape* landscape) {
    DIAG_SCOPE_NAMED("PlayerCollection::PositionPlayers", "main");
    if (!landscape) return;
    const int width = landscape->width;
    const int spacing = (width - 2 * TANK_EDGE_DISTANCE) / (numPlayers + 2);
    for (int i = 0; i < numPlayers; ++i) {
        const int x = FindColumn(*this, i, spacing, width);
        players[static_cast<std::size_t>(i)].x = x;
        players[static_cast<std::size_t>(i)].y = landscape->SurfaceY(x);
    }
}

// A tank rests on the single pixel under the middle of its bottom row. Landing costs armour by the
// height fallen, booked against the player whose turn it is.
bool PlayerCollection::DoGravity(Landscape* landscape, ShotLauncher* projectiles) {
    DIAG_SCOPE_NAMED("PlayerCollection::DoGravity", "main");
    if (!landscape) return false;
    bool moved = false;
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        Player& player = players[static_cast<std::size_t>(i)];
        if (!player.inGame || !player.alive) continue;
        const int below = player.y + 1;
        const bool supported = landscape->Inside(player.x, below) && landscape->Cell(player.x, below) != Air;
        if (player.y < landscape->height - 1 && !supported) {
            player.y += 1;
            player.fallDistance += 1;
            moved = true;
        } else if (player.fallDistance > 0) {
            DamagePlayer(player.fallDistance / FALL_PER_DAMAGE, current, i, projectiles);
            player.fallDistance = 0;
            SoundPlay(SOUND_TANK_LANDS);
        }
    }
    return moved;
}

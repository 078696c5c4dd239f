// The lava stream: one pixel of lava a tick, filling the landscape from below, hurting the tanks
// it reaches, until its volume is used up or it has nowhere left to go.
#include <exception>

#include "core/random.h"
#include "diag/diag.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/fragment.h"
#include "projectiles/lists.h"
#include "projectiles/projectile_collection.h"
#include "sound/sound.h"

namespace {

using projectiles::TryNew;

// Set lava is dark grey, one random shade for all three channels.
constexpr int LAVA_GREY = 50;
constexpr int LAVA_SHADES = 40;

// Four times in ten a new candidate waits behind the older ones of its queue; otherwise it
// comes first.
constexpr int QUEUE_CHOICES = 10;
constexpr int APPEND_CHOICES = 4;

// The neighbours of a placed pixel and their priorities: below first, then diagonally below, then
// beside, then above.
struct Neighbour {
    int dx;
    int dy;
    int priority;
};
constexpr Neighbour NEIGHBOURS[] = {
    {0, 1, 1}, {1, 1, 2}, {-1, 1, 2}, {1, 0, 3}, {-1, 0, 3}, {-1, -1, 4}, {0, -1, 4}, {1, -1, 4},
};

// Takes candidates in order of priority until one lies on Air; the material is tested now, not
// when the point was offered. False when every queue has run out.
bool TakeCandidate(LavaQueues& queues, const Landscape* landscape, LavaPoint* point) {
    for (;;) {
        LavaQueue* queue = nullptr;
        for (LavaQueue& q : queues) {
            if (!q.empty()) {
                queue = &q;
                break;
            }
        }
        if (!queue) return false;
        *point = queue->front();
        queue->pop_front();
        if (!landscape->Inside(point->x, point->y) || landscape->Cell(point->x, point->y) == Air) return true;
    }
}

// Sets one lava pixel with its flickering top, burning every tank in play that holds it.
void PlaceLava(const LavaPoint& p, PlayerCollection* players, ProjectileCollection* collection,
               Landscape* landscape) {
    const int grey = LAVA_GREY + game::rand() % LAVA_SHADES - LAVA_SHADES / 2;
    landscape->SetPoint(p.x, p.y, RGB(grey, grey, grey), Lava);
    auto* pixel = TryNew<Fragment>(static_cast<float>(p.x), static_cast<float>(p.y), FragLavaPixel);
    if (pixel) collection->AddFragment(pixel);
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        const Player& player = players->players[i];
        if (!player.alive || !player.inGame || !player.Contains(p.x, p.y)) continue;
        players->DamagePlayer(1, players->current, i, collection);
        if (pixel) pixel->damaged = 1;
    }
}

// The end of a stream: its sound stops and its candidates go.
bool StopStream(Fragment* stream) {
    SoundStop(SOUND_LAVA_FLOW);
    if (stream->queues)
        for (LavaQueue& queue : *stream->queues) queue.clear();
    return false;
}

}  // namespace

// 1. A stream whose volume is used up ends. 2. The best free candidate is taken; with none left the
// stream ends. 3. Lava is set there, the shot stays busy, and the pixel's neighbours are offered.
// A failure of any kind ends the stream.
bool IncLavaStream(Fragment* stream, PlayerCollection* players, ProjectileCollection* collection,
                   Landscape* landscape, bool* quiet) {
    DIAG_SCOPE_NAMED("IncLavaStream", "Projectiles");
    try {
        if (stream->life <= 0 || !stream->queues) return StopStream(stream);
        LavaPoint point{};
        if (!TakeCandidate(*stream->queues, landscape, &point)) return StopStream(stream);
        *quiet = false;
        PlaceLava(point, players, collection, landscape);
        stream->life -= 1;
        for (const Neighbour& n : NEIGHBOURS)
            AddLavaPixel(stream, point.x + n.dx, point.y + n.dy, landscape->width, landscape->height,
                         landscape, n.priority);
        return true;
    } catch (...) {
        return StopStream(stream);
    }
}

// The candidate goes into every queue from its priority to the last, at the back of each four
// times in ten and at the front otherwise; one draw decides for all of them. A point that cannot be
// stored is simply not offered.
void AddLavaPixel(Fragment* stream, int x, int y, int width, int height, const Landscape* landscape,
                  int priority) {
    DIAG_SCOPE_NAMED("AddLavaPixel", "Projectiles");
    if (x < 0 || y < 0 || x >= width || y >= height || landscape->Cell(x, y) != Air) return;
    try {
        const bool append = game::rand() % QUEUE_CHOICES < APPEND_CHOICES;
        for (int q = priority; q <= LAVA_QUEUE_COUNT; ++q) {
            LavaQueue& queue = (*stream->queues)[q - 1];
            if (append)
                queue.push_back(LavaPoint{x, y});
            else
                queue.push_front(LavaPoint{x, y});
        }
    } catch (...) {
    }
}

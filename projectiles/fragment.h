// Fragments: the small things that stay after the flying is done. Wreck pieces of destroyed tanks,
// the sparks and flames that rise from them, and the lava: a stream that pours one pixel a tick
// and the hot pixels it leaves.
//
// Fragments live in the collection's fragment list and advance once a tick through Increment.
// Only a flowing lava stream keeps a shot busy; everything else burns on into the following turns.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>

#include "display/gdi.h"

class Landscape;
class PlayerCollection;
class ProjectileCollection;

enum FragmentType : std::int32_t {
    FragWreck = 0,       // sinks through Air and smoulders until an explosion clears it
    FragSpark = 1,       // rises and fades, one move every 5 ticks
    FragFlame = 2,       // rises through the fire colours, one move every 5 ticks
    FragLavaStream = 3,  // pours one lava pixel a tick until its volume is used up
    FragLavaPixel = 4,   // the flickering top of one lava pixel
};
constexpr int FRAGMENT_TYPE_COUNT = 5;

// Colours of flames and lava, from pale yellow through red to black.
constexpr int FIRE_RAMP_SIZE = 100;

// A lava stream's candidate points, in four queues by priority: below, diagonally below, beside
// and above an accepted pixel. A point offered with priority p goes into every queue from p to 4.
struct LavaPoint {
    std::int32_t x;
    std::int32_t y;
};
using LavaQueue = std::deque<LavaPoint>;
constexpr int LAVA_QUEUE_COUNT = 4;
using LavaQueues = std::array<LavaQueue, LAVA_QUEUE_COUNT>;

class Fragment {
public:
    // At (x, y); life counts the moves of a spark or flame, or the volume of a lava stream. A
    // stream starts the looping lava sound and offers its own pixel as its first candidate.
    Fragment(float x, float y, std::int32_t type, std::int32_t life = 0, COLORREF colour = 0);

    // One tick; false when the fragment has ended and is to be removed. windStep is the wind's
    // move of this tick; a lava stream that places a pixel clears *quiet.
    bool Increment(PlayerCollection* players, ProjectileCollection* collection, Landscape* landscape,
                   float windStep, bool* quiet);
    // Sets the fragment's pixel through a context on the frame whose top-left shows landscape
    // point (viewX, viewY) over a play area 320 x (200 - barHeight).
    void Draw(HDC dc, int viewX, int viewY, int barHeight) const;

    float x;
    float y;
    std::int32_t type;
    COLORREF colour;
    std::int32_t tick = 0;  // ticks since the last move, 0 to 4
    std::int32_t life;      // moves left, or the volume left of a stream
    std::int32_t lifeStart;
    std::int32_t damaged = 0;  // a lava pixel that has had its chance to hurt a tank
    Fragment* next = nullptr;
    Fragment* prev = nullptr;
    std::unique_ptr<LavaQueues> queues;  // a lava stream's only

private:
    bool IncrementWreck(ProjectileCollection* collection, const Landscape* landscape);
    bool IncrementSpark(float windStep);
    bool IncrementFlame(float windStep);
    bool IncrementLavaPixel(PlayerCollection* players, ProjectileCollection* collection,
                            const Landscape* landscape);
    void Rise(float windStep);
    void BurnTanks(PlayerCollection* players, ProjectileCollection* collection);
};

// Once at start-up: fills the fire colours.
void InitFireRamp();

// A lava stream's tick: places the best free candidate as a lava pixel and offers its neighbours.
// False when the stream has ended: its volume is used up or no candidate is free.
bool IncLavaStream(Fragment* stream, PlayerCollection* players, ProjectileCollection* collection,
                   Landscape* landscape, bool* quiet);
// Offers pixel (x, y) to the stream with a priority from 1 (below) to 4 (above), if it is inside
// the width x height landscape and Air.
void AddLavaPixel(Fragment* stream, int x, int y, int width, int height, const Landscape* landscape,
                  int priority);

// The eight players and their tanks: turn order, aiming, firing, falling, money and the menu bar.
//
// The shell makes one PlayerCollection at start-up and keeps it until shutdown, so cash and stock
// carry over from match to match. The tanks, the menu bar and the money rules fill this class as
// they are built; the shell already calls every operation in its place.
#pragma once

#include <array>
#include <cstdint>

#include "platform/win.h"

class Landscape;
class ProjectileCollection;

constexpr int MAX_PLAYERS = 8;
constexpr int WEAPON_COUNT = 6;

// One player and their tank. Angle 0..180 degrees (0 left, 90 up, 180 right), power 0..100,
// weapon 0..5; a negative stock means unlimited.
struct Player {
    bool inGame = false;
    bool alive = false;
    std::int32_t angle = 90;
    std::int32_t power = 50;
    std::int32_t weapon = 0;
    std::array<std::int32_t, WEAPON_COUNT> stock{-1, 0, 0, 0, 0, 0};
};

class PlayerCollection {
public:
    PlayerCollection(HINSTANCE instance, int device, int surface);
    ~PlayerCollection();
    PlayerCollection(const PlayerCollection&) = delete;
    PlayerCollection& operator=(const PlayerCollection&) = delete;

    Player* Current();
    Player* Get(int index);
    int CurrentIndex() const { return current; }

    void NewMatch();
    void PositionPlayers(Landscape* landscape);
    // False when fewer than two players are alive.
    bool NextTurn();
    void SettleMatch();
    void UpdateMenu();
    void UpdateArmourChart();

    void Draw(int device, int surface, int viewX, int viewY, int margin, bool angleGuide);
    void DrawMenuBar(int device, int surface);
    void DrawShotMenuBar(int device, int surface);
    // True when the view has arrived.
    bool GlideToPlayer(int index, std::int32_t* viewX, std::int32_t* viewY, int margin, Landscape* landscape);
    bool GlideToBarrel(int index, std::int32_t* viewX, std::int32_t* viewY, int margin, Landscape* landscape);
    void Fire(ProjectileCollection* projectiles);
    // True while a tank is still falling.
    bool DoGravity(Landscape* landscape, ProjectileCollection* projectiles);

    std::array<Player, MAX_PLAYERS> players{};
    int numPlayers = 2;
    int current = 0;
    std::int32_t wind = 0;
};

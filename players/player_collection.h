// The eight players of a game: turn order, placing and dropping tanks, firing, damage and money,
// gliding the view to a tank, and the menu bar with its wind sock and the armour chart.
//
// The shell makes one PlayerCollection at start-up and keeps it until shutdown, so cash and stock
// carry over from match to match and from game to game.
#pragma once

#include <array>
#include <cstdint>

#include "platform/win.h"
#include "players/player.h"

class Landscape;
class ShotLauncher;

constexpr int WIND_SOCK_COUNT = 5;

class PlayerCollection {
public:
    // Loads the tank pictures, the two bars and the wind socks, and names and colours the players.
    PlayerCollection(HINSTANCE instance, int device, int surface);
    PlayerCollection(const PlayerCollection&) = delete;
    PlayerCollection& operator=(const PlayerCollection&) = delete;

    // Cash, stock and selected weapon of every player as at the start of a run.
    void ResetAll();
    void SetNumPlayers(int count);
    // Fresh armour, angle, power and weapon for the players of the game, and a random first player.
    void NewMatch();
    // Passes the turn to the next living player; false when fewer than two are alive.
    bool NextTurn();

    Player* Get(int index);
    Player* Current();
    int CurrentIndex() const { return current; }

    void Draw(int device, int surface, int viewX, int viewY, int margin, bool angleGuide);
    // The tanks of the game one below the other, step pixels apart, for the screens.
    void DrawTankColumn(int device, int surface, int sx, int sy, int step);
    // The first living player of the game whose tank holds the pixel, or -1.
    int PlayerAt(int px, int py) const;

    // One step of the view towards the target (tx, ty); true once it has arrived or an edge of the
    // landscape stops it.
    static bool GlideView(int tx, int ty, std::int32_t* viewX, std::int32_t* viewY, int margin,
                          const Landscape* landscape);
    bool GlideToPlayer(int index, std::int32_t* viewX, std::int32_t* viewY, int margin, Landscape* landscape);
    bool GlideToBarrel(int index, std::int32_t* viewX, std::int32_t* viewY, int margin, Landscape* landscape);

    // Spreads the tanks of the game over a new landscape.
    void PositionPlayers(Landscape* landscape);
    // One pixel of fall for every tank over air, with landing damage; true while one is falling.
    bool DoGravity(Landscape* landscape, ShotLauncher* projectiles);

    // The current player's shot, from the tip of the barrel.
    void Fire(ShotLauncher* projectiles);
    // Every kind of damage reaches a tank through here; the attacker is the player whose turn it
    // is, and earns or pays for the hit.
    void DamagePlayer(std::int32_t amount, int attacker, int victim, ShotLauncher* projectiles);
    // Turns the match's profit, with a bonus for armour left, into cash.
    void SettleMatch();

    void UpdateMenu();
    void UpdateArmourChart();
    void DrawMenuBar(int device, int surface);
    void DrawShotMenuBar(int device, int surface);

    std::array<Player, MAX_PLAYERS> players{};
    std::int32_t numPlayers = 2;
    int menuBarSurface = -1;
    int chartBarSurface = -1;
    std::int32_t current = 0;
    std::int32_t wind = 0;
    // Blown fully and half to the left, hanging, half and fully to the right.
    std::array<int, WIND_SOCK_COUNT> windSocks{-1, -1, -1, -1, -1};
};

// The player collection's set-up, turn order, drawing of the tanks and the view's glide to a tank.
#include "players/player_collection.h"

#include <cstring>

#include "core/globals.h"
#include "core/random.h"
#include "core/rules.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "landscape/landscape.h"

namespace {

constexpr std::int32_t START_CASH = 100;
constexpr std::int32_t START_ANGLE = 60;
constexpr std::int32_t START_POWER = 25;

struct PlayerLook {
    const char* name;
    const char* picture;
    COLORREF colour;
};

constexpr PlayerLook LOOKS[MAX_PLAYERS] = {
    {"Red", "IDB_TANKRED", 0x000000FF},       {"Blue", "IDB_TANKBLUE", 0x00FF0000},
    {"Yellow", "IDB_TANKYELLOW", 0x0000DCDC}, {"Magenta", "IDB_TANKMAGENTA", 0x00DC00E1},
    {"Green", "IDB_TANKGREEN", 0x0000FF00},   {"Cyan", "IDB_TANKCYAN", 0x00DCDC00},
    {"Orange", "IDB_TANKORANGE", 0x00007FFF}, {"Grey", "IDB_TANKGREY", 0x00A0A0A0},
};

constexpr const char* WIND_SOCK_PICTURES[WIND_SOCK_COUNT] = {
    "IDB_WINDSOCKL2", "IDB_WINDSOCKL1", "IDB_WINDSOCK0", "IDB_WINDSOCKR1", "IDB_WINDSOCKR2"};

// A picture of the program into a new off-screen surface of its own size; a failed load leaves
// the number as it was (-1) and the picture then draws nothing.
void LoadPicture(int* number, HINSTANCE instance, int device, int surface, const char* name) {
    GraphxBitmapToOSSurface(number, device, surface, instance, name, MEMORY_KIND_SYSTEM, 0, 0, true, true);
}

// Moves one coordinate of the view by a sixth of the distance plus one, at most 15 pixels a step,
// and lands it exactly on the target from one pixel away.
bool StepTowards(int target, std::int32_t* value) {
    const int distance = target - *value;
    if (distance < -1) {
        const int sixth = distance / 6;
        *value += sixth < -15 ? -15 : sixth - 1;
        return false;
    }
    if (distance > 1) {
        const int sixth = distance / 6;
        *value += sixth > 15 ? 15 : sixth + 1;
        return false;
    }
    *value = target;
    return true;
}

}  // namespace

PlayerCollection::PlayerCollection(HINSTANCE instance, int device, int surface) {
    DIAG_SCOPE_NAMED("PlayerCollection", "main");
    ResetAll();
    SetNumPlayers(2);
    for (int i = 0; i < MAX_PLAYERS; ++i)
        LoadPicture(&players[i].tankSurface, instance, device, surface, LOOKS[i].picture);
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        players[i].colour = LOOKS[i].colour;
        std::strncpy(players[i].name, LOOKS[i].name, PLAYER_NAME_SIZE - 1);
    }
    LoadPicture(&menuBarSurface, instance, device, surface, "IDB_MENUBAR");
    LoadPicture(&chartBarSurface, instance, device, surface, "IDB_MENUBAR2");
    wind = 0;
    for (int i = 0; i < WIND_SOCK_COUNT; ++i)
        LoadPicture(&windSocks[i], instance, device, surface, WIND_SOCK_PICTURES[i]);
}

void PlayerCollection::ResetAll() {
    DIAG_SCOPE_NAMED("PlayerCollection::ResetAll", "main");
    for (Player& player : players) {
        player.inGame = false;
        player.cash = START_CASH;
        player.weapon = WeaponNone;
        player.stock = {-1, 0, 0, 0, 0, 0};
    }
}

void PlayerCollection::SetNumPlayers(int count) {
    DIAG_SCOPE_NAMED("PlayerCollection::SetNumPlayers", "main");
    numPlayers = count;
    for (int i = 0; i < MAX_PLAYERS; ++i) players[i].inGame = i < count;
}

void PlayerCollection::NewMatch() {
    DIAG_SCOPE_NAMED("PlayerCollection::NewMatch", "main");
    current = game::rand() % numPlayers;
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        Player& player = players[i];
        player.alive = i < numPlayers;
        if (!player.alive) continue;
        player.angle = START_ANGLE;
        player.power = START_POWER;
        player.weapon = WeaponShell;
        player.armour = FULL_ARMOUR;
        player.turnDamage = 0;
        player.profit = 0;
        player.fallDistance = 0;
    }
}

// Every player's damage of the last turn is cleared, living or not, so the armour chart starts
// the next shot clean.
bool PlayerCollection::NextTurn() {
    DIAG_SCOPE_NAMED("PlayerCollection::NextTurn", "main");
    int living = 0;
    for (int i = 0; i < numPlayers; ++i) {
        if (players[i].alive) ++living;
        players[i].turnDamage = 0;
    }
    if (living < 2) return false;
    do {
        current = (current + 1) % numPlayers;
    } while (!players[current].alive);
    UpdateMenu();
    return true;
}

Player* PlayerCollection::Get(int index) {
    DIAG_SCOPE_NAMED("PlayerCollection::Get", "main");
    return index >= 0 && index < MAX_PLAYERS ? &players[index] : nullptr;
}

Player* PlayerCollection::Current() {
    DIAG_SCOPE_NAMED("PlayerCollection::Current", "main");
    return &players[current];
}

void PlayerCollection::Draw(int device, int surface, int viewX, int viewY, int, bool angleGuide) {
    DIAG_SCOPE_NAMED("PlayerCollection::Draw", "main");
    for (int i = 0; i < numPlayers; ++i) {
        const Player& player = players[i];
        if (player.inGame && player.alive)
            player.Draw(device, surface, player.x - viewX, player.y - viewY, angleGuide && i == current);
    }
}

void PlayerCollection::DrawTankColumn(int device, int surface, int sx, int sy, int step) {
    DIAG_SCOPE_NAMED("PlayerCollection::DrawTankColumn", "main");
    for (int i = 0; i < numPlayers; ++i) {
        if (players[i].inGame) players[i].Draw(device, surface, sx, sy + i * step, false);
    }
}

int PlayerCollection::PlayerAt(int px, int py) const {
    DIAG_SCOPE_NAMED("PlayerCollection::PlayerAt", "main");
    for (int i = 0; i < numPlayers; ++i) {
        const Player& player = players[i];
        if (player.inGame && player.alive && player.Contains(px, py)) return i;
    }
    return -1;
}

bool PlayerCollection::GlideView(int tx, int ty, std::int32_t* viewX, std::int32_t* viewY, int margin,
                                 const Landscape* landscape) {
    DIAG_SCOPE_NAMED("PlayerCollection::GlideView", "main");
    bool xArrived = StepTowards(tx, viewX);
    bool yArrived = StepTowards(ty, viewY);
    if (*viewX < 0) {
        *viewX = 0;
        xArrived = true;
    }
    if (*viewX + SCREEN_WIDTH > landscape->width) {
        *viewX = landscape->width - SCREEN_WIDTH;
        xArrived = true;
    }
    if (*viewY < 0) {
        *viewY = 0;
        yArrived = true;
    }
    if (*viewY - margin + SCREEN_HEIGHT > landscape->height) {
        *viewY = landscape->height + margin - SCREEN_HEIGHT;
        yArrived = true;
    }
    return xArrived && yArrived;
}

// The tank two thirds of the way down the view above the bar, centred across.
bool PlayerCollection::GlideToPlayer(int index, std::int32_t* viewX, std::int32_t* viewY, int margin,
                                     Landscape* landscape) {
    DIAG_SCOPE_NAMED("PlayerCollection::GlideToPlayer", "main");
    const Player* player = Get(index);
    if (!player || !landscape) return true;
    return GlideView(player->x - SCREEN_WIDTH / 2, player->y + (2 * margin - 2 * SCREEN_HEIGHT) / 3, viewX,
                     viewY, margin, landscape);
}

// The tip of a short barrel in the middle of the view above the bar.
bool PlayerCollection::GlideToBarrel(int index, std::int32_t* viewX, std::int32_t* viewY, int margin,
                                     Landscape* landscape) {
    DIAG_SCOPE_NAMED("PlayerCollection::GlideToBarrel", "main");
    const Player* player = Get(index);
    if (!player || !landscape) return true;
    const int tx = player->x - static_cast<int>(BarrelCos(player->angle) * BARREL_LENGTH) - SCREEN_WIDTH / 2;
    const int ty = player->y - player->height + static_cast<int>(BarrelSin(player->angle) * -BARREL_LENGTH) -
                   (SCREEN_HEIGHT - margin) / 2;
    return GlideView(tx, ty, viewX, viewY, margin, landscape);
}

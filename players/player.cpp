// A single tank: drawing it with its barrel, hit-testing it, damaging it and blowing it up.
#include "players/player.h"

#include "core/globals.h"
#include "core/random.h"
#include "core/rules.h"
#include "core/shots.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "sound/sound.h"

namespace {

constexpr ColourKey BLACK_KEY{0, 0};

constexpr double GUIDE_LENGTH = 35.0;

// A destroyed tank throws this many pieces: the first few are coloured debris, the next ones earth
// in the tank's own colour, darkened, and the rest dark red earth.
constexpr int PIECES = 100;
constexpr int DEBRIS_PIECES = 5;
constexpr int DARKENED_PIECES_END = 60;

int SineIndex(std::int32_t tenths) {
    return ((tenths % SINE_TABLE_SIZE) + SINE_TABLE_SIZE) % SINE_TABLE_SIZE;
}

// The colour of one piece of a destroyed tank, drawing what that piece needs from the generator.
std::int32_t PieceColour(int piece, COLORREF colour) {
    if (piece < DEBRIS_PIECES) return static_cast<std::int32_t>(colour);
    if (piece < DARKENED_PIECES_END) {
        const float shade = 0.6f + 0.39999998f * (static_cast<float>(game::rand()) * game::RAND_FRACTION);
        auto darken = [shade](int channel) { return static_cast<int>(static_cast<float>(channel) * shade); };
        return static_cast<std::int32_t>(
            PackColour(darken(GetRValue(colour)), darken(GetGValue(colour)), darken(GetBValue(colour))));
    }
    const int blue = game::rand() % 40;
    const int green = game::rand() % 40;
    return static_cast<std::int32_t>(PackColour(200, green, blue));
}

}  // namespace

float BarrelCos(std::int32_t angle) { return SineTable[SineIndex(10 * angle + 900)]; }

float BarrelSin(std::int32_t angle) { return SineTable[SineIndex(10 * angle)]; }

void Player::Draw(int device, int surface, int sx, int sy, bool guide) const {
    DIAG_SCOPE_NAMED("Player::Draw", "main");
    if (sx + width / 2 < 0 || sx - width / 2 > SCREEN_WIDTH || sy + height < 0 || sy > SCREEN_HEIGHT) return;
    if (tankSurface >= 0) {
        GraphxBlitSurfaceAt(OFFSCREEN, tankSurface, device, surface, sx - width / 2, sy - height + 1, 0, 0,
                            width, height, true, false, true, &BLACK_KEY);
    }
    HDC dc = nullptr;
    if (!GetHDC(&dc, device, surface, -1)) return;
    const double length = guide ? GUIDE_LENGTH : BARREL_LENGTH;
    const int tipX = sx - static_cast<int>(BarrelCos(angle) * length);
    const int tipY = sy - height - static_cast<int>(BarrelSin(angle) * length);
    GraphxLine(dc, sx, sy - height, tipX, tipY, colour, 1, PEN_SOLID);
    ReleaseHDC(dc, device, surface, -1);
}

bool Player::Contains(int px, int py) const {
    DIAG_SCOPE_NAMED("Player::Contains", "main");
    return x - width / 2 <= px && px <= x + width / 2 && y - height < py && py <= y;
}

bool Player::TakeDamage(std::int32_t* amount, ShotLauncher* projectiles) {
    DIAG_SCOPE_NAMED("Player::TakeDamage", "main");
    if (*amount > armour) {
        *amount = armour;
        armour = 0;
        Explode(projectiles);
        turnDamage += *amount;
        return false;
    }
    armour -= *amount;
    turnDamage += *amount;
    return true;
}

// Every piece flies off in some direction but within 45 degrees of straight down, from a random
// pixel of the tank picture. The order of the draws is fixed: direction, speed, colour, then row
// and column.
void Player::Explode(ShotLauncher* projectiles) {
    DIAG_SCOPE_NAMED("Player::Explode", "main");
    alive = false;
    SoundPlay(SOUND_TANK_DESTROYED);
    const int left = x - width / 2;
    const int top = y - height + 1;
    for (int piece = 0; piece < PIECES; ++piece) {
        const int direction = 450 + game::rand() % 2700;
        const double speed = (500 + game::rand() % 500) * 0.001;
        const std::int32_t kind = piece < DEBRIS_PIECES ? KindDebris : KindEarth;
        const std::int32_t param = PieceColour(piece, colour);
        const int py = top + game::rand() % height;
        const int px = left + game::rand() % width;
        if (!projectiles) continue;
        projectiles->Launch(static_cast<float>(px), static_cast<float>(py),
                            static_cast<float>(SineTable[SineIndex(direction)] * speed),
                            static_cast<float>(SineTable[SineIndex(direction + 900)] * speed), kind, param,
                            false);
    }
}

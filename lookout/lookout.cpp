// What play shows over the picture so that nobody gets lost: the view shown, the edges' arrows and
// the turn's line.
#include "lookout/lookout.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "core/globals.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "pointer/pointer_screen.h"
#include "projectiles/projectile_collection.h"
#include "screens/screens.h"
#include "text/utf8.h"

namespace {

constexpr COLORREF BLACK = RGB(0, 0, 0);
constexpr COLORREF WHITE = RGB(255, 255, 255);
// An arrow reaches this many pixels in from the edge and is twice as wide, plus one.
constexpr int ARROW_DEPTH = 7;
// The turn's line: a black box at the top left holding a swatch of the colour and the words; the
// ready message's hint under it. It stays up for TURN_LINE_FRAMES of a person's turn.
constexpr int TURN_BOX_X = 4;
constexpr int TURN_BOX_Y = 3;
constexpr int TURN_TEXT_X = 22;
constexpr int TURN_TEXT_Y = 5;
constexpr int SWATCH = 10;
constexpr int HINT_Y = 25;
constexpr std::int32_t TURN_LINE_FRAMES = 100;
// The landing's mark: a ring of this radius around where the shell came down.
constexpr int LANDING_RING = 6;

// The display's own state: the turn whose line is timed, from which frame, the shell's last place
// and whether it has landed there, and the look around.
struct Lookout {
    std::uint32_t turn = 0;
    std::int32_t turnFirstFrame = 0;
    bool flying = false, landed = false;
    int landX = 0, landY = 0;
    std::uint32_t lookTurn = 0;
    std::uint32_t lookMode = Title;
    int lookX = 0, lookY = 0;
};
Lookout TheLookout;

// A picture point `along` pixels in from the tip of an arrow on `side` and `across` to its side.
void ArrowPoint(const EdgeArrow& arrow, int along, int across, int* x, int* y) {
    switch (arrow.side) {
        case LookoutSide::Left:
            *x = arrow.x + along, *y = arrow.y + across;
            break;
        case LookoutSide::Right:
            *x = arrow.x - along, *y = arrow.y + across;
            break;
        case LookoutSide::Top:
            *x = arrow.x + across, *y = arrow.y + along;
            break;
        default:
            *x = arrow.x + across, *y = arrow.y - along;
            break;
    }
}

// A black triangle with the tip on the edge, and the arrow's colour inside it.
void DrawArrow(HDC dc, const EdgeArrow& arrow) {
    for (int along = 0; along <= ARROW_DEPTH; ++along) {
        const bool inside = along >= 1 && along < ARROW_DEPTH;
        const int half = inside ? along - 1 : along;
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        ArrowPoint(arrow, along, -along, &x1, &y1);
        ArrowPoint(arrow, along, along, &x2, &y2);
        GraphxLine(dc, x1, y1, x2, y2, BLACK, 1, PEN_SOLID);
        if (!inside) continue;
        ArrowPoint(arrow, along, -half, &x1, &y1);
        ArrowPoint(arrow, along, half, &x2, &y2);
        GraphxLine(dc, x1, y1, x2, y2, arrow.colour, 1, PEN_SOLID);
    }
}

constexpr int VIEW_HEIGHT = SCREEN_HEIGHT - MENU_BAR_MARGIN;

// Each standing tank out of view from (viewX, viewY), with the arrow towards its middle.
template <typename Visit>
void ForEachTankOutOfView(int viewX, int viewY, Visit visit) {
    for (int seat = 0; seat < ThePlayers->numPlayers && seat < PLAYER_SEATS; ++seat) {
        const Player* player = ThePlayers->Get(seat);
        if (!player || !player->inGame || !player->alive) continue;
        const EdgeArrow arrow = EdgeArrowTowards(player->x, player->y - player->height / 2, player->colour,
                                                 viewX, viewY, VIEW_HEIGHT);
        if (arrow.side != LookoutSide::None) visit(arrow, *player);
    }
}

// Arrows towards the standing tanks out of view, and towards the shell while one flies out of it.
void DrawEdgeArrows(HDC dc, int viewX, int viewY) {
    ForEachTankOutOfView(viewX, viewY, [dc](const EdgeArrow& arrow, const Player&) { DrawArrow(dc, arrow); });
    if (CurrentMode != ShotInProgress || !TheProjectiles || !TheProjectiles->trackedAlive) return;
    const EdgeArrow shell = EdgeArrowTowards(TheProjectiles->trackedX, TheProjectiles->trackedY, WHITE, viewX,
                                             viewY, VIEW_HEIGHT);
    if (shell.side != LookoutSide::None) DrawArrow(dc, shell);
}

// Follows the shell during a shot: where it was last seen and, once it has gone, that it landed.
void FollowShell() {
    Lookout& look = TheLookout;
    if (CurrentMode != ShotInProgress || !TheProjectiles) {
        look.flying = look.landed = false;
    } else if (TheProjectiles->trackedAlive) {
        look.flying = true;
        look.landed = false;
        look.landX = TheProjectiles->trackedX;
        look.landY = TheProjectiles->trackedY;
    } else if (look.flying) {
        look.flying = false;
        look.landed = true;
    }
}

// Until the turn ends, a ring in the shooter's colour around the landing, or an arrow towards it
// when it lies out of view.
void DrawLanding(HDC dc, int viewX, int viewY) {
    const Player* shooter = ThePlayers->Current();
    if (!TheLookout.landed || !shooter) return;
    const EdgeArrow arrow =
        EdgeArrowTowards(TheLookout.landX, TheLookout.landY, shooter->colour, viewX, viewY, VIEW_HEIGHT);
    if (arrow.side != LookoutSide::None) return DrawArrow(dc, arrow);
    constexpr int R = LANDING_RING, D = LANDING_RING * 2 / 3;
    static constexpr int RING[][2] = {{R, 0}, {D, D}, {0, R}, {-D, D}, {-R, 0}, {-D, -D}, {0, -R}, {D, -D}};
    const int cx = TheLookout.landX - viewX, cy = TheLookout.landY - viewY;
    for (const auto& [width, colour] : {std::pair{3, BLACK}, std::pair{1, shooter->colour}}) {
        for (std::size_t i = 0; i < std::size(RING); ++i) {
            const auto& from = RING[i];
            const auto& to = RING[(i + 1) % std::size(RING)];
            GraphxLine(dc, cx + from[0], cy + from[1], cx + to[0], cy + to[1], colour, width, PEN_SOLID);
        }
    }
}

// Whether the turn's line has something to say this frame: always at a turn the person here does
// not play, else in the turn's first frames and while the hint is up.
bool TurnLineWanted(bool hint) {
    if (TheLookout.turn != TurnsStarted) {
        TheLookout.turn = TurnsStarted;
        TheLookout.turnFirstFrame = FrameCounter;
    }
    if (CurrentMode != Aiming) return false;
    return hint || !LookoutPersonHereAims() || FrameCounter - TheLookout.turnFirstFrame < TURN_LINE_FRAMES;
}

void DrawTurnLine(HDC dc) {
    const int seat = ThePlayers->CurrentIndex();
    const Player* player = ThePlayers->Current();
    if (!player) return;
    const std::string line = TurnLine(seat);
    const int right = TURN_TEXT_X + static_cast<int>(Utf8Columns(line)) * 8 + 2;
    GraphxFillRect(dc, TURN_BOX_X, TURN_BOX_Y, right, TURN_TEXT_Y + 18, BLACK);
    GraphxFillRect(dc, TURN_BOX_X + 4, TURN_TEXT_Y + 3, TURN_BOX_X + 4 + SWATCH, TURN_TEXT_Y + 3 + SWATCH,
                   player->colour);
    GraphxString(dc, TURN_TEXT_X, TURN_TEXT_Y, WHITE, 0, true, "%s", line.c_str());
}

}  // namespace

EdgeArrow EdgeArrowTowards(int x, int y, COLORREF colour, int viewX, int viewY, int viewHeight) {
    EdgeArrow arrow;
    arrow.colour = colour;
    const int px = x - viewX, py = y - viewY;
    const int across = std::clamp(px, ARROW_DEPTH, SCREEN_WIDTH - 1 - ARROW_DEPTH);
    const int down = std::clamp(py, ARROW_DEPTH, viewHeight - 1 - ARROW_DEPTH);
    if (px < 0 || px >= SCREEN_WIDTH) {
        arrow.side = px < 0 ? LookoutSide::Left : LookoutSide::Right;
        arrow.x = px < 0 ? 0 : SCREEN_WIDTH - 1;
        arrow.y = down;
    } else if (py < 0 || py >= viewHeight) {
        arrow.side = py < 0 ? LookoutSide::Top : LookoutSide::Bottom;
        arrow.x = across;
        arrow.y = py < 0 ? 0 : viewHeight - 1;
    }
    return arrow;
}

// The look around lasts while the mode and the turn do: a shot is followed from its start, and a
// new turn is seen from the game's view.
void LookoutShownView(int* viewX, int* viewY) {
    Lookout& look = TheLookout;
    int dx = 0, dy = 0;
    PointerTakeLook(&dx, &dy);
    if (look.lookTurn != TurnsStarted || look.lookMode != CurrentMode) {
        look.lookTurn = TurnsStarted;
        look.lookMode = CurrentMode;
        look.lookX = look.lookY = 0;
    }
    *viewX = ViewX;
    *viewY = ViewY;
    if (!TheLandscape || (CurrentMode != Aiming && CurrentMode != ShotInProgress)) return;
    *viewX += look.lookX + dx;
    *viewY += look.lookY + dy;
    TheLandscape->ClampView(viewX, viewY, MENU_BAR_MARGIN);
    look.lookX = *viewX - ViewX;
    look.lookY = *viewY - ViewY;
}

void LookoutDescribeArrows(PointerScreen* screen) {
    if (!ThePlayers || (CurrentMode != Aiming && CurrentMode != ShotInProgress)) return;
    int viewX = 0, viewY = 0;
    LookoutShownView(&viewX, &viewY);
    screen->lookArrowCount = 0;
    ForEachTankOutOfView(viewX, viewY, [&](const EdgeArrow& arrow, const Player& player) {
        if (screen->lookArrowCount >= PointerScreen::SEATS) return;
        screen->lookArrows[static_cast<std::size_t>(screen->lookArrowCount++)] = {
            arrow.x, arrow.y, player.x - SCREEN_WIDTH / 2 - viewX, player.y - VIEW_HEIGHT / 2 - viewY};
    });
}

void LookoutDrawPlay(int device, int surface, int viewX, int viewY, bool hint) {
    if (!ThePlayers || (CurrentMode != Aiming && CurrentMode != ShotInProgress)) return;
    const bool turnLine = TurnLineWanted(hint);
    FollowShell();
    HDC dc = nullptr;
    if (!GetHDC(&dc, device, surface, -1)) return;
    DrawEdgeArrows(dc, viewX, viewY);
    DrawLanding(dc, viewX, viewY);
    if (turnLine) DrawTurnLine(dc);
    ReleaseHDC(dc, device, surface, -1);
    if (hint && CurrentMode == Aiming && LookoutPersonHereAims()) DrawReadyMessage(device, surface, HINT_Y);
}

void LookoutResetForTests() {
    TheLookout = Lookout{};
    int dx = 0, dy = 0;
    PointerTakeLook(&dx, &dy);
}

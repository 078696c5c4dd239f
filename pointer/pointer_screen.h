// What the screen shows, as pointer input needs to know it: filled by the shell after each frame step.
//
// The pointer's keys (pointer/pointer_keys.h) depend on what is under the pointer: a row of a menu,
// an item of the menu bar, the sky around the current tank. The shell describes the screen after
// each frame step with PointerShowScreen, in the game picture's coordinates (320 x 200, x to the
// right and y down, the menu bar at the bottom), and the backends' pointer handling reads it back
// with PointerScreenShown. Nothing here reaches the game's rules: the pointer only presses keys.
#pragma once

#include <array>
#include <cstdint>

// A stretch [left, right) of picture columns and the key a press there stands for (0: none), or
// NEXT_TANK: the key (1 to 8) that looks at the next tank standing after the one looked at last,
// the first press of a turn at the one after the current tank.
struct PointerZone {
    static constexpr int NEXT_TANK = 0x100;
    int left = 0, right = 0;
    int key = 0;
};

// A row of a menu, picture rows [top, bottom). A press on it first moves the menu's cursor to
// `cursor` with Up and Down (-1: the row stands for no cursor row and nothing moves), then presses
// the key of the zone under the pointer, if any, after which the cursor is on row `cursorAfter`
// (-1: where it was).
struct PointerRow {
    int top = 0, bottom = 0;
    int cursor = -1;
    int cursorAfter = -1;
    int zoneCount = 0;
    std::array<PointerZone, 8> zones{};
};

struct PointerScreen {
    // Online: the online menu over the title (online/online_menu.h); Options: the Options screen.
    enum Mode : std::uint8_t {
        Other,
        Title,
        PlayerChoice,
        WeaponShop,
        Aiming,
        Shot,
        EndOfMatch,
        Online,
        Options
    };
    Mode mode = Other;
    // Frame steps run so far: each new screen has a larger number. The pointer sends its held-key
    // steps at the pace of the frame steps.
    std::uint32_t frame = 0;

    // A prompt over the screen (abandon the game, leave the network game): a press on rows
    // [yesTop, yesBottom) answers yes (Shift+Y), a press anywhere else no (Esc).
    bool prompt = false;
    int yesTop = 0, yesBottom = 0;

    // Aiming. Whether a person at this machine aims now (not a computer's or another machine's
    // turn); the current seat (0 to 7); the barrel's pivot in picture coordinates; its angle in
    // degrees (0 left, 90 up, 180 right) and the power (0 to 100); whether the help screen covers
    // the picture.
    bool mayAim = false;
    int seat = -1;
    int pivotX = 0, pivotY = 0;
    int angle = 0, power = 0;
    bool helpShown = false;
    // The current player's weapon (0 to weaponCount - 1), and the weapons it has in stock, a bit
    // each (bit w: weapon w), for the on-screen Weapon control to pass over the others.
    int weapon = 0;
    int weaponCount = 0;
    std::uint32_t weaponsInStock = 0;
    // The tanks standing, by seat, as the middle of their bottom row in picture coordinates (on the
    // screen or beyond it); shown false: no tank there.
    static constexpr int SEATS = 8;
    std::array<bool, SEATS> tankShown{};
    std::array<int, SEATS> tankX{}, tankY{};

    // The arrows on the picture's edges towards the tanks out of view (aiming and during a shot):
    // a press within LOOK_ARROW_REACH pixels of an arrow's tip looks around by (lookX, lookY) to
    // bring its tank into view, and presses no key.
    struct LookArrow {
        int x = 0, y = 0;
        int lookX = 0, lookY = 0;
    };
    static constexpr int LOOK_ARROW_REACH = 9;
    int lookArrowCount = 0;
    std::array<LookArrow, SEATS> lookArrows{};

    // The menu bar (aiming): rows [barTop, 200) and its items. F1 and F2 there are held until the
    // next press on them (F1: until any next press).
    int barTop = 200;
    int barZoneCount = 0;
    std::array<PointerZone, 6> barZones{};

    // Menus (the player choice, the weapon shop, the online menu, the Options screen): the cursor's
    // row and the rows a press acts on. At the title, rows of lines that offer other screens;
    // elsewhere a press there is Space.
    int cursor = 0;
    int rowCount = 0;
    std::array<PointerRow, 10> rows{};
};

// Whether the screen is a touch screen: set by the backend (the page from the browser, the native
// game at its first finger), read by the screens to say "Tap" rather than name keys.
void PointerSetTouch(bool touch);
bool PointerTouch();

// Looking around the landscape, for the display alone and never a key: a drag where the pointer
// cannot aim (during a shot, at a turn another plays) moves the picture by (dx, dy) picture pixels,
// and the display takes the sum of the moves since it last looked (both 0 when none).
void PointerLookBy(int dx, int dy);
void PointerTakeLook(int* dx, int* dy);

// The shell, after each frame step (and once the game has started).
void PointerShowScreen(const PointerScreen& screen);
// The screen last shown (a default one, mode Other, before the first).
const PointerScreen& PointerScreenShown();

// Pointer and touch input as the game's keys: presses, drags and the wheel over the game picture
// become key presses and releases, as a person at the keyboard would make them.
//
// One core for every backend: the SDL backend hands it the mouse and the first finger on a touch
// screen, and the web page its pointer events, each in the game picture's coordinates (320 x 200;
// points outside it are fine). The keys come back in `out`, in the order to post them; they reach
// the game as keys from the keyboard do, so that replays record them, a network game sends them and
// the rules never know a pointer was used. What a press means depends on the screen the shell last
// described (pointer/pointer_screen.h), passed in with every call:
//   - The title and the end-of-match table: a press is Space, but on a line of the title that
//     offers another screen ("Play online", "P: Options") that line's key.
//   - The online menu: a press on a button presses its key (a letter, Enter, Esc...).
//   - The player choice, the weapon shop and the Options screen: a press on a row moves the cursor
//     there (Up, Down)
//     and then presses the key of the place pressed: a value's left or right half (Left, Right),
//     "Start Game" or "Finish" (Space), the shop's Buy and Sell columns (Space, S); a press on a
//     tank of the player choice is its seat's key, 1 to 8.
//   - A prompt: a press on its "Shift+Y or pad Y for Yes" line answers yes (Shift+Y), anywhere else no (Esc).
//   - Aiming, with the left button or a finger: a press on the sky or the ground, and a drag, aim
//     the barrel at the pointer (the angle from the pivot to the pointer) with the power of the
//     distance (POWER_PIXELS pixels and more: full power). The barrel gets there by the aiming keys
//     (Z, X, A, Q) pressed and released AIM_STEPS_PER_FRAME times each a frame step, so it visibly
//     turns, and keeps going after the release until it is there. A second press within
//     DOUBLE_PRESS_MS at about the same place, or a press of the fire button (ButtonFire), fires
//     (Space) once the barrel is there. The wheel changes the power a step a notch. A press on the
//     menu bar let go within LOOK_DRAG_PX of where it went down presses the item's key (one that
//     drags further looks around instead, as below): the power box F1 (help, held until the next
//     press), the angle box F2 (the angle guide, held until the angle box is pressed again), the
//     tank the next tank's seat key, 1 to 8 (look at the tanks in turn, starting after the current
//     one), the wind Esc (the abandon prompt), the weapon S (the next weapon). ButtonCentre on a
//     tank is its seat's key (look at it), elsewhere C (look at the current one).
//   - During a shot, and while aiming at a turn the person here does not play, a drag with the
//     main button or a finger looks around the landscape (PointerLookBy): the picture follows the
//     pointer, and no key is sent; so does a drag that starts on the menu bar, at any turn. During
//     a shot a press also holds the fast key (Tab, shell/fast_forward.h) until its release or until
//     it drags further than LOOK_DRAG_PX. At any turn a press on an arrow at the picture's edge
//     (PointerScreen::lookArrows) looks towards the tank it points at.
//   - The on-screen controls a page shows beside the picture (PressControl) do what their places
//     on the picture and the menu bar do; Yes and No answer a prompt; Fast holds the fast key until
//     the next Release, on every screen.
// A backend keeps one PointerKeys, hands each call PointerScreenShown() and posts what comes back
// in `out` with PostInput, in order: Press, Move and Release for the main button or the first
// finger (a second finger is LookWithTwo's, others the backend's to ignore), Press with ButtonFire or
// ButtonCentre for the other buttons, Wheel in notches, Tick after each batch of events (as often as it
// likes: only a new frame step sends anything) and LetGoAll when the window loses the focus. Times are
// milliseconds of any clock that does not go back; points may lie outside the picture.
//
// The aim is counted from the screen's angle and power when a drag starts, and from the steps sent
// since, so that keys still on their way (a network game sends them a few frame steps ahead) are
// not sent twice.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/input.h"
#include "pointer/pointer_screen.h"

constexpr int POWER_PIXELS = 100;       // picture pixels from the pivot for full power
constexpr int AIM_STEPS_PER_FRAME = 3;  // angle steps, and power steps, a frame step
constexpr std::uint32_t DOUBLE_PRESS_MS = 400;
constexpr int DOUBLE_PRESS_PIXELS = 8;  // at most this far from the first press, across and down
// The screen is taken again as the truth once this many frame steps have run since the last key.
constexpr std::uint32_t SETTLE_FRAMES = 15;
constexpr int LOOK_DRAG_PX = 4;  // a press during a shot or on the menu bar dragged further looks around

// The angle (0 to 180) and power (0 to 100) that aim from the pivot at (x, y), picture pixels.
struct PointerAim {
    int angle = 0, power = 0;
};
PointerAim AimAt(int pivotX, int pivotY, int x, int y);

class PointerKeys {
public:
    enum Button { ButtonMain, ButtonFire, ButtonCentre };
    // The on-screen controls of a page beside the picture.
    enum Control {
        ControlFire,
        ControlWeapon,
        ControlGuide,
        ControlHelp,
        ControlCentre,
        ControlYes,
        ControlNo,
        ControlQuieter,
        ControlLouder,
        ControlSound,
        ControlFast
    };

    // A button pressed or a finger put down at (x, y), `ms` milliseconds on any steady clock.
    void Press(const PointerScreen& screen, Button button, int x, int y, std::uint32_t ms,
               std::vector<InputEvent>* out);
    // An on-screen control pressed: what the fire button (Fire), ButtonCentre away from the tanks
    // (Centre) and the menu bar's weapon, angle and power boxes (Weapon, Guide, Help) do while
    // aiming (Weapon passing over the weapons out of stock), the sound's keys F7, F8 and F9 on
    // every screen (Quieter, Louder, Sound), the fast key held until the next Release (Fast), and
    // the answers to a prompt (Yes, No); nothing elsewhere. As any press, it first lets go of the
    // help screen the pointer holds.
    void PressControl(const PointerScreen& screen, Control control, std::uint32_t ms,
                      std::vector<InputEvent>* out);
    // The pointer moved to (x, y), pressed or not.
    void Move(const PointerScreen& screen, int x, int y, std::vector<InputEvent>* out);
    // Two fingers moved together by (dx, dy) picture pixels: the picture follows them (in play,
    // where it looks around), and what the first finger was doing (an aim not yet reached, a
    // press on the menu bar, holding the fast key) stops without another key.
    void LookWithTwo(int dx, int dy, std::vector<InputEvent>* out);
    // The main button let go, or the finger lifted.
    void Release(const PointerScreen& screen, std::vector<InputEvent>* out);
    // The wheel turned `notches` (positive away from the person: more power).
    void Wheel(const PointerScreen& screen, int notches, std::vector<InputEvent>* out);
    // As often as the backend looks at its events: once for each new screen (a frame step has run)
    // the aim's steps are sent, and the shot once the aim is there.
    void Tick(const PointerScreen& screen, std::vector<InputEvent>* out);
    // Whatever the pointer holds is let go (the window lost the focus, the pointer left the game).
    void LetGoAll(std::vector<InputEvent>* out);

private:
    void PressAiming(const PointerScreen& screen, Button button, int x, int y, std::uint32_t ms,
                     std::vector<InputEvent>* out);
    void PressMenu(const PointerScreen& screen, int x, int y, std::vector<InputEvent>* out);
    bool PressOffer(const PointerScreen& screen, int x, int y, std::vector<InputEvent>* out);
    void PressBar(const PointerScreen& screen, int x, std::vector<InputEvent>* out);
    void LookAtNextTank(const PointerScreen& screen, std::vector<InputEvent>* out);
    void PressBarKey(const PointerScreen& screen, int key, std::vector<InputEvent>* out);
    void AnswerPrompt(bool yes, std::vector<InputEvent>* out);
    bool PressLookArrow(const PointerScreen& screen, Button button, int x, int y);
    void StartLook(Button button, int x, int y, int barTop);
    void StartBarPress(int x, int y);
    void StartAim(const PointerScreen& screen);
    void StepAim(int* value, int target, int downKey, int upKey, std::vector<InputEvent>* out);
    void Tap(int key, std::vector<InputEvent>* out);
    void HoldFast(bool held, std::vector<InputEvent>* out);
    bool Settled(const PointerScreen& screen) const;

    // The aim being reached: the values the keys sent so far make, and the ones to reach.
    bool aiming_ = false;  // a drag is under way
    bool reaching_ = false;
    bool firePending_ = false;
    int seat_ = -1;
    int angle_ = 0, power_ = 0;
    int targetAngle_ = 0, targetPower_ = 0;
    // The menu's cursor as the keys sent so far leave it.
    int cursor_ = 0;
    PointerScreen::Mode menuMode_ = PointerScreen::Other;
    // The screen's frame step at the call under way, the last key's, and the one whose steps have
    // been sent.
    std::uint32_t frame_ = 0;
    std::uint32_t lastKeyFrame_ = 0;
    std::uint32_t steppedFrame_ = 0;
    bool anyKey_ = false;
    // The last press of the main button, for a double press.
    bool pressedBefore_ = false;
    std::uint32_t lastPressMs_ = 0;
    int lastPressX_ = 0, lastPressY_ = 0;
    // The tank looked at last with the menu bar, and the seat whose turn it was.
    int lookedAt_ = -1;
    int lookTurn_ = -1;
    // A drag looking around, where it started and where the pointer was last; a press on the menu
    // bar not yet let go nor dragged.
    bool looking_ = false;
    bool barPressed_ = false;
    int lookStartX_ = 0, lookStartY_ = 0, lookX_ = 0, lookY_ = 0;
    // F1, F2 and the fast key held by the pointer.
    bool helpHeld_ = false, guideHeld_ = false, fastHeld_ = false;
};

// The keys a gamepad's buttons and left stick stand for, held and let go as the pads move.
//
// Any pad acts for whoever's turn it is, so every pad's buttons make the same keys as the keyboard:
// the D-pad the arrows; A and Start Space (every screen that takes Enter takes Space too, and aiming
// and the end of a match take only Space); B Esc; the shoulders W and S (previous and next weapon;
// in the weapon shop S sells); Back F1, held like the key (the help screen); the left stick Z and X
// across (barrel angle: the barrel turns the way the stick is pushed) and Q and A up and down
// (power); a click of the left stick F4 (a network game's room card); the right stick pressed Tab (held:
// a shot fast-forwarded). X and Y are keys of their own
// (VK_GAMEPAD_X and VK_GAMEPAD_Y), which the game reads by screen: on the player choice X moves the highlight
// from player to player and Y changes the highlighted player's controller; aiming, X centres on a tank and Y
// holds the angle guide; at the abandon and leave prompts Y answers Yes. The Guide button switches between
// full screen and a window, as Alt+Enter does. The left trigger turns the sound
// down (F7) and the right one up (F8); the second trigger pulled while the first is held turns it off or on
// (F9). A key goes down when the first pad starts to hold it and up when the last lets go, so two pads, or A
// and Start on one, never press a key twice; the game repeats a held key at its own pace, exactly as for the
// keyboard.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/input.h"

// The virtual key a button stands for, or 0.
int GamepadButtonKey(int button);
// Whether the button switches between full screen and a window (it stands for no key).
bool GamepadButtonTogglesFullScreen(int button);
// The trace row for a pad SDL cannot use as a game controller: its name, its GUID and how to give
// SDL a mapping for it.
std::string UnknownGamepadAdvice(const char* name, const char* guid);

// The left stick's keys and thresholds: a direction is taken once the stick is pushed past
// STICK_PRESS of the axis's 32767 and kept until it comes back inside STICK_RELEASE, so a stick
// resting near a threshold does not chatter.
constexpr int STICK_PRESS = 16000;
constexpr int STICK_RELEASE = 8000;
// A trigger (0 to 32767) is pulled past TRIGGER_PRESS and let go inside TRIGGER_RELEASE.
constexpr int TRIGGER_PRESS = 20000;
constexpr int TRIGGER_RELEASE = 10000;

class GamepadKeys {
public:
    // A button of pad `pad` pressed or released. Keys the game is to see are added to `out`.
    void Button(SDL_JoystickID pad, int button, bool pressed, std::vector<InputEvent>* out);
    // An axis of pad `pad` at `value` (-32768 to 32767, up and left negative); only the left
    // stick's two axes and the triggers make keys.
    void Axis(SDL_JoystickID pad, int axis, int value, std::vector<InputEvent>* out);
    // Pad `pad` went away: whatever it held is let go.
    void Removed(SDL_JoystickID pad, std::vector<InputEvent>* out);

private:
    // What one pad holds: its buttons, the stick's direction on each axis (-1, 0 or +1) and the
    // key each trigger holds (0: none).
    struct Pad {
        SDL_JoystickID id = 0;
        std::uint32_t buttons = 0;
        std::array<int, 2> stick{};
        std::array<int, 2> triggers{};
    };

    Pad* Find(SDL_JoystickID pad, bool add);
    void Hold(int key, std::vector<InputEvent>* out);
    void LetGo(int key, std::vector<InputEvent>* out);
    void SetStick(Pad* pad, int axis, int direction, std::vector<InputEvent>* out);
    void Trigger(Pad* pad, int trigger, int value, std::vector<InputEvent>* out);

    std::vector<Pad> pads_;
    // How many pad buttons and stick directions hold each virtual key.
    std::array<int, 256> holders_{};
};

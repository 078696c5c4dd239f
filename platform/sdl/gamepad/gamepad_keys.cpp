// The gamepad's buttons and left stick as the game's keys, each key held while anything holds it.
#include "platform/sdl/gamepad/gamepad_keys.h"

#include <algorithm>

namespace {

// The stick's keys for each axis, the negative direction first: left Z and right X (the barrel's
// angle counts from pointing left), up Q and down A (power).
constexpr int STICK_KEYS[2][2] = {{'Z', 'X'}, {'Q', 'A'}};

int StickKey(int axis, int direction) { return STICK_KEYS[axis][direction < 0 ? 0 : 1]; }

// The direction the stick takes at `value`, given the one it had.
int StickDirection(int previous, int value) {
    if (previous < 0 && value <= -STICK_RELEASE) return -1;
    if (previous > 0 && value >= STICK_RELEASE) return 1;
    if (value <= -STICK_PRESS) return -1;
    if (value >= STICK_PRESS) return 1;
    return 0;
}

}  // namespace

int GamepadButtonKey(int button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            return VK_UP;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            return VK_DOWN;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            return VK_LEFT;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            return VK_RIGHT;
        case SDL_CONTROLLER_BUTTON_A:
        case SDL_CONTROLLER_BUTTON_START:
            return VK_SPACE;
        case SDL_CONTROLLER_BUTTON_B:
            return VK_ESCAPE;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
            return 'W';
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
            return 'S';
        case SDL_CONTROLLER_BUTTON_BACK:
            return VK_F1;
        case SDL_CONTROLLER_BUTTON_X:
            return VK_GAMEPAD_X;
        case SDL_CONTROLLER_BUTTON_Y:
            return VK_GAMEPAD_Y;
        case SDL_CONTROLLER_BUTTON_LEFTSTICK:
            return VK_F4;
        case SDL_CONTROLLER_BUTTON_RIGHTSTICK:
            return VK_TAB;
        default:
            return 0;
    }
}

bool GamepadButtonTogglesFullScreen(int button) { return button == SDL_CONTROLLER_BUTTON_GUIDE; }

std::string UnknownGamepadAdvice(const char* name, const char* guid) {
    const std::string shown = name && *name ? name : "unnamed";
    return "Gamepad \"" + shown + "\" (" + guid +
           ") is not in SDL's database and cannot play: map it with SDL_GAMECONTROLLERCONFIG=\"" + guid +
           "," + shown + ",a:b0,b:b1,...\" (see lobshot(6), Gamepad)";
}

void GamepadKeys::Button(SDL_JoystickID id, int button, bool pressed, std::vector<InputEvent>* out) {
    int key = GamepadButtonKey(button);
    if (key == 0 || button < 0 || button >= 32) return;
    std::uint32_t bit = std::uint32_t{1} << button;
    Pad* pad = Find(id, pressed);
    if (!pad || ((pad->buttons & bit) != 0) == pressed) return;
    pad->buttons ^= bit;
    if (pressed)
        Hold(key, out);
    else
        LetGo(key, out);
}

void GamepadKeys::Axis(SDL_JoystickID id, int axis, int value, std::vector<InputEvent>* out) {
    if (axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT || axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT) {
        Trigger(Find(id, true), axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT ? 0 : 1, value, out);
        return;
    }
    if (axis != SDL_CONTROLLER_AXIS_LEFTX && axis != SDL_CONTROLLER_AXIS_LEFTY) return;
    int index = axis == SDL_CONTROLLER_AXIS_LEFTX ? 0 : 1;
    Pad* pad = Find(id, true);
    SetStick(pad, index, StickDirection(pad->stick[index], value), out);
}

void GamepadKeys::Removed(SDL_JoystickID id, std::vector<InputEvent>* out) {
    Pad* pad = Find(id, false);
    if (!pad) return;
    for (int button = 0; button < 32; ++button)
        if (pad->buttons & (std::uint32_t{1} << button)) LetGo(GamepadButtonKey(button), out);
    SetStick(pad, 0, 0, out);
    SetStick(pad, 1, 0, out);
    Trigger(pad, 0, 0, out);
    Trigger(pad, 1, 0, out);
    pads_.erase(pads_.begin() + (pad - pads_.data()));
}

GamepadKeys::Pad* GamepadKeys::Find(SDL_JoystickID id, bool add) {
    auto found = std::find_if(pads_.begin(), pads_.end(), [id](const Pad& pad) { return pad.id == id; });
    if (found != pads_.end()) return &*found;
    if (!add) return nullptr;
    pads_.push_back(Pad{id, 0, {}, {}});
    return &pads_.back();
}

void GamepadKeys::Hold(int key, std::vector<InputEvent>* out) {
    if (holders_[key]++ == 0) out->push_back(InputEvent::Down(key));
}

void GamepadKeys::LetGo(int key, std::vector<InputEvent>* out) {
    if (--holders_[key] == 0) out->push_back(InputEvent::Up(key));
}

// Lets go of the stick's old direction on the axis before holding its new one.
void GamepadKeys::SetStick(Pad* pad, int axis, int direction, std::vector<InputEvent>* out) {
    int& held = pad->stick[axis];
    if (held == direction) return;
    if (held != 0) LetGo(StickKey(axis, held), out);
    held = direction;
    if (held != 0) Hold(StickKey(axis, held), out);
}

// A trigger pulled holds its sound key; pulled while the other is held, it holds F9 instead.
void GamepadKeys::Trigger(Pad* pad, int trigger, int value, std::vector<InputEvent>* out) {
    int& held = pad->triggers[static_cast<std::size_t>(trigger)];
    const bool pulled = held != 0 ? value >= TRIGGER_RELEASE : value >= TRIGGER_PRESS;
    if (pulled == (held != 0)) return;
    if (!pulled) {
        LetGo(held, out);
        held = 0;
        return;
    }
    held = pad->triggers[static_cast<std::size_t>(1 - trigger)] != 0 ? VK_F9 : trigger == 0 ? VK_F7 : VK_F8;
    Hold(held, out);
}

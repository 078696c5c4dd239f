// A whole game played with a gamepad: every key of a scenario's script is made by a virtual pad
// through SDL's game controller interface, and the game reaches the scenario's very state.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sdl/gamepad/sdl_gamepads.h"
#include "runner/runner.h"
#include "runner/script.h"
#include "tests/support/key_names.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A virtual pad whose presses are written down as the script lines of the keys they make.
class ScriptPad {
public:
    ScriptPad() {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        index_ = SDL_JoystickAttachVirtualEx(&desc);
        Deliver();
        pad_ = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index_));
    }
    ~ScriptPad() { SDL_JoystickDetachVirtual(index_); }
    bool Ready() const { return pad_ != nullptr; }

    // Presses and lets go of what the player would for `key` on the keyboard: Enter is A and
    // Space is Start, so both buttons play; the letters of aiming are a push of the stick.
    bool Press(int key) {
        int axis = -1, value = 0, button = -1;
        switch (key) {
            case VK_RETURN:
                button = SDL_CONTROLLER_BUTTON_A;
                break;
            case VK_SPACE:
                button = SDL_CONTROLLER_BUTTON_START;
                break;
            case VK_DOWN:
                button = SDL_CONTROLLER_BUTTON_DPAD_DOWN;
                break;
            case VK_UP:
                button = SDL_CONTROLLER_BUTTON_DPAD_UP;
                break;
            case 'S':
                button = SDL_CONTROLLER_BUTTON_RIGHTSHOULDER;
                break;
            case 'W':
                button = SDL_CONTROLLER_BUTTON_LEFTSHOULDER;
                break;
            case 'Z':
            case 'X':
                axis = SDL_CONTROLLER_AXIS_LEFTX;
                value = key == 'Z' ? -32768 : 32767;
                break;
            case 'Q':
            case 'A':
                axis = SDL_CONTROLLER_AXIS_LEFTY;
                value = key == 'Q' ? -32768 : 32767;
                break;
            default:
                return false;
        }
        if (button >= 0) {
            SDL_JoystickSetVirtualButton(pad_, button, 1);
            Deliver();
            SDL_JoystickSetVirtualButton(pad_, button, 0);
        } else {
            SDL_JoystickSetVirtualAxis(pad_, axis, static_cast<Sint16>(value));
            Deliver();
            SDL_JoystickSetVirtualAxis(pad_, axis, 0);
        }
        Deliver();
        return true;
    }

    // The script lines written since the last call.
    std::string Take() {
        std::string lines = std::move(lines_);
        lines_.clear();
        return lines;
    }

private:
    void Deliver() {
        SDL_JoystickUpdate();
        std::vector<InputEvent> out;
        SDL_Event event;
        while (SDL_PollEvent(&event)) SdlGamepadEvent(event, &out);
        for (const InputEvent& e : out)
            lines_ += (e.kind == InputEvent::KeyDown ? "down " : "up ") + KeyName(e.value) + "\n";
    }

    int index_ = -1;
    SDL_Joystick* pad_ = nullptr;
    std::string lines_;
};

// The script again with each `press` made by the pad; other lines are kept.
std::string PlayedWithPad(const std::string& script, ScriptPad* pad) {
    std::istringstream lines(script);
    std::string line, out;
    while (std::getline(lines, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string command, name;
        if (!(words >> command) || command != "press") {
            out += line + "\n";
            continue;
        }
        while (words >> name) {
            EXPECT_TRUE(pad->Press(KeyCodeFromName(name))) << "no pad input for " << name;
            out += pad->Take();
        }
    }
    return out;
}

// The A-bomb scenario is four matches of two players: shopping, aiming, firing and the end of each
// match, every key from the pad.
TEST(GamepadMatch, APadPlaysAScenarioToItsVeryState) {
    ASSERT_TRUE(SdlGamepadsStart()) << SDL_GetError();
    const std::string dir = LOBSHOT_SCENARIO_DIR;
    std::string script;
    {
        ScriptPad pad;
        ASSERT_TRUE(pad.Ready()) << SDL_GetError();
        script = PlayedWithPad(ReadFile(dir + "/weapon_a_bomb.script"), &pad);
    }
    SdlGamepadsStop();
    ASSERT_EQ(script.find("press"), std::string::npos);

    RunnerOptions options;
    options.seed = 11;
    options.scriptName = "pad.script";
    std::string error;
    ASSERT_TRUE(ParseScript(script, options.scriptName, &options.script, &error)) << error;
    options.stateFile = ::testing::TempDir() + "gamepad_match.json";
    ASSERT_EQ(RunHeadless(options), 0);
    EXPECT_EQ(ReadFile(options.stateFile), ReadFile(dir + "/weapon_a_bomb.json"));
    std::remove(options.stateFile.c_str());
}

}  // namespace

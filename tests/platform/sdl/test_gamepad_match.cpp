// A whole game played with a gamepad: every key of a scenario's script is made by a virtual pad
// through SDL's game controller interface, and the game reaches the scenario's very state.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "runner/runner.h"
#include "runner/script.h"
#include "tests/platform/sdl/virtual_pad.h"
#include "tests/support/key_names.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the player does on the pad for a key of the keyboard: Enter is A and Space is Start, so
// both buttons play; the letters of aiming are a push of the stick (an axis and its value).
struct PadMove {
    int key, button, axis, value;
};
constexpr PadMove PAD_MOVES[] = {
    {VK_RETURN, SDL_CONTROLLER_BUTTON_A, -1, 0},       {VK_SPACE, SDL_CONTROLLER_BUTTON_START, -1, 0},
    {VK_DOWN, SDL_CONTROLLER_BUTTON_DPAD_DOWN, -1, 0}, {VK_UP, SDL_CONTROLLER_BUTTON_DPAD_UP, -1, 0},
    {'S', SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, -1, 0}, {'W', SDL_CONTROLLER_BUTTON_LEFTSHOULDER, -1, 0},
    {'Z', -1, SDL_CONTROLLER_AXIS_LEFTX, -32768},      {'X', -1, SDL_CONTROLLER_AXIS_LEFTX, 32767},
    {'Q', -1, SDL_CONTROLLER_AXIS_LEFTY, -32768},      {'A', -1, SDL_CONTROLLER_AXIS_LEFTY, 32767},
};

// Script lines of the keys the pad made.
std::string Lines(const std::vector<InputEvent>& inputs) {
    std::string lines;
    for (const InputEvent& e : inputs)
        lines += (e.kind == InputEvent::KeyDown ? "down " : "up ") + KeyName(e.value) + "\n";
    return lines;
}

// Presses and lets go on the pad what stands for `key`; the script lines of the keys it made.
std::string PressOnPad(SDL_Joystick* pad, int key) {
    for (const PadMove& move : PAD_MOVES) {
        if (move.key != key) continue;
        auto set = [&](bool on) {
            if (move.button >= 0)
                SDL_JoystickSetVirtualButton(pad, move.button, on);
            else
                SDL_JoystickSetVirtualAxis(pad, move.axis, static_cast<Sint16>(on ? move.value : 0));
        };
        set(true);
        std::string lines = Lines(PadInputs());
        set(false);
        return lines + Lines(PadInputs());
    }
    ADD_FAILURE() << "no pad input for " << KeyName(key);
    return "";
}

// The script again with each `press` made by the pad; other lines are kept.
std::string PlayedWithPad(const std::string& script, SDL_Joystick* pad) {
    std::istringstream lines(script);
    std::string line, out;
    while (std::getline(lines, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string command, name;
        if (!(words >> command) || command != "press") {
            out += line + "\n";
            continue;
        }
        while (words >> name) out += PressOnPad(pad, KeyCodeFromName(name));
    }
    return out;
}

// The A-bomb scenario is four matches of two players: shopping, aiming, firing and the end of each
// match, every key from the pad.
TEST(GamepadMatch, APadPlaysAScenarioToItsVeryState) {
    ASSERT_TRUE(SdlGamepadsStart()) << SDL_GetError();
    const std::string dir = LOBSHOT_SCENARIO_DIR;
    const int index = AttachVirtualPad("Test pad");
    PadInputs();
    SDL_Joystick* pad = VirtualPad(index);
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    const std::string script = PlayedWithPad(ReadFile(dir + "/weapon_a_bomb.script"), pad);
    SDL_JoystickDetachVirtual(index);
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

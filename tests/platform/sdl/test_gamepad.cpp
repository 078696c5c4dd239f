// Tests of the gamepads: each button's key, keys held while any pad holds them, the left stick's
// directions with their dead band, pads leaving with keys held, and real SDL events from a virtual
// pad that comes and goes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/sdl/gamepad/gamepad_keys.h"
#include "tests/platform/sdl/virtual_pad.h"
#include "tests/support/capture.h"

namespace {

using Keys = std::vector<std::pair<UINT, WPARAM>>;
Keys Down(WPARAM key) { return {{WM_KEYDOWN, key}}; }
Keys Up(WPARAM key) { return {{WM_KEYUP, key}}; }

// The keys as (message, key) pairs, after checking that each is a key and a press is a first press,
// never a repeat: the game repeats a held key itself.
Keys Listed(const std::vector<InputEvent>& inputs) {
    Keys list;
    for (const InputEvent& e : inputs) {
        EXPECT_TRUE(e.IsKey()) << "input of kind " << e.kind;
        EXPECT_FALSE(e.repeat) << "key " << e.value;
        list.emplace_back(e.kind == InputEvent::KeyDown ? WM_KEYDOWN : WM_KEYUP, e.value);
    }
    return list;
}

class PadKeys : public ::testing::Test {
protected:
    Keys Button(SDL_JoystickID pad, int button, bool pressed) {
        std::vector<InputEvent> out;
        keys.Button(pad, button, pressed, &out);
        return Listed(out);
    }
    Keys Axis(SDL_JoystickID pad, int axis, int value) {
        std::vector<InputEvent> out;
        keys.Axis(pad, axis, value, &out);
        return Listed(out);
    }
    GamepadKeys keys;
};

TEST_F(PadKeys, EachButtonHoldsItsKeyUntilReleased) {
    const std::pair<int, WPARAM> mapped[] = {
        {SDL_CONTROLLER_BUTTON_DPAD_UP, VK_UP},     {SDL_CONTROLLER_BUTTON_DPAD_DOWN, VK_DOWN},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, VK_LEFT}, {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, VK_RIGHT},
        {SDL_CONTROLLER_BUTTON_A, VK_SPACE},        {SDL_CONTROLLER_BUTTON_START, VK_SPACE},
        {SDL_CONTROLLER_BUTTON_B, VK_ESCAPE},       {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 'W'},
        {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 'S'}, {SDL_CONTROLLER_BUTTON_BACK, VK_F1},
        {SDL_CONTROLLER_BUTTON_X, VK_GAMEPAD_X},    {SDL_CONTROLLER_BUTTON_Y, VK_GAMEPAD_Y},
        {SDL_CONTROLLER_BUTTON_LEFTSTICK, VK_F4},   {SDL_CONTROLLER_BUTTON_RIGHTSTICK, VK_TAB},
    };
    for (const auto& [button, key] : mapped) {
        SCOPED_TRACE(SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(button)));
        EXPECT_EQ(Button(3, button, true), Down(key));
        EXPECT_EQ(Button(3, button, true), Keys{}) << "a second press of a held button";
        EXPECT_EQ(Button(3, button, false), Up(key));
        EXPECT_EQ(Button(3, button, false), Keys{}) << "a release of a button not held";
        EXPECT_FALSE(GamepadButtonTogglesFullScreen(button));
    }
    // Guide switches full screen instead.
    for (int button : std::vector<int>{SDL_CONTROLLER_BUTTON_GUIDE, SDL_CONTROLLER_BUTTON_MISC1,
                                       SDL_CONTROLLER_BUTTON_INVALID, 40}) {
        EXPECT_EQ(Button(3, button, true), Keys{}) << "button " << button;
        EXPECT_EQ(Button(3, button, false), Keys{}) << "button " << button;
        EXPECT_EQ(GamepadButtonTogglesFullScreen(button), button == SDL_CONTROLLER_BUTTON_GUIDE)
            << "button " << button;
    }
}

// A pad SDL cannot use is named with its GUID, and the row says how to map it.
TEST(UnknownGamepads, TheRowNamesThePadAndTheMappingToGive) {
    EXPECT_EQ(UnknownGamepadAdvice("Odd Pad", "0300aa"),
              "Gamepad \"Odd Pad\" (0300aa) is not in SDL's database and cannot play: map it with "
              "SDL_GAMECONTROLLERCONFIG=\"0300aa,Odd Pad,a:b0,b:b1,...\" (see lobshot(6), Gamepad)");
    EXPECT_NE(UnknownGamepadAdvice(nullptr, "0300aa").find("\"unnamed\" (0300aa)"), std::string::npos);
}

// A and Start both stand for Space, and any pad may press it: the key goes down once and up only
// when nothing holds it any longer, so the game never sees it pressed twice.
TEST_F(PadKeys, AKeyHeldFromSeveralPlacesIsPressedOnce) {
    const int A = SDL_CONTROLLER_BUTTON_A, START = SDL_CONTROLLER_BUTTON_START;
    const std::tuple<int, int, bool, Keys> presses[] = {{1, A, true, Down(VK_SPACE)},
                                                        {1, START, true, {}},
                                                        {2, A, true, {}},
                                                        {1, A, false, {}},
                                                        {2, A, false, {}},
                                                        {1, START, false, Up(VK_SPACE)}};
    for (const auto& [pad, button, pressed, keys] : presses) EXPECT_EQ(Button(pad, button, pressed), keys);
    const int X = SDL_CONTROLLER_AXIS_LEFTX;
    const std::tuple<int, int, Keys> pushes[] = {
        {1, -32768, Down('Z')}, {2, -20000, {}}, {1, 0, {}}, {2, 0, Up('Z')}};
    for (const auto& [pad, value, keys] : pushes) EXPECT_EQ(Axis(pad, X, value), keys) << pad << " " << value;
}

// Left turns the barrel towards angle 0 (pointing left), right towards 180; up is more power. A
// push counts from STICK_PRESS and lasts until the stick is back inside STICK_RELEASE.
TEST_F(PadKeys, LeftStickAimsWithADeadBand) {
    const int X = SDL_CONTROLLER_AXIS_LEFTX, Y = SDL_CONTROLLER_AXIS_LEFTY;
    const struct {
        int axis, value;
        Keys keys;
    } moves[] = {{X, -STICK_PRESS + 1, {}},
                 {X, -STICK_PRESS, Down('Z')},
                 {X, -32768, {}},
                 {X, -STICK_RELEASE, {}},
                 {X, -STICK_RELEASE + 1, Up('Z')},
                 {X, -STICK_RELEASE, {}},
                 {X, STICK_PRESS - 1, {}},
                 {X, STICK_PRESS, Down('X')},
                 {X, STICK_RELEASE, {}},
                 {X, -32768, {{WM_KEYUP, 'X'}, {WM_KEYDOWN, 'Z'}}},
                 {X, 0, Up('Z')},
                 {Y, -32768, Down('Q')},
                 {Y, 32767, {{WM_KEYUP, 'Q'}, {WM_KEYDOWN, 'A'}}},
                 {Y, STICK_RELEASE - 1, Up('A')},
                 {SDL_CONTROLLER_AXIS_RIGHTX, 32767, {}},
                 {SDL_CONTROLLER_AXIS_RIGHTY, 32767, {}},
                 {SDL_CONTROLLER_AXIS_INVALID, 32767, {}}};
    for (const auto& move : moves)
        EXPECT_EQ(Axis(1, move.axis, move.value), move.keys) << move.axis << " " << move.value;
}

// The triggers turn the sound down (F7) and up (F8) past TRIGGER_PRESS, until back inside
// TRIGGER_RELEASE; the second pulled while the first is held switches it off or on (F9).
TEST_F(PadKeys, TheTriggersTurnTheSound) {
    const int L = SDL_CONTROLLER_AXIS_TRIGGERLEFT, R = SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
    const struct {
        int axis, value;
        Keys keys;
    } pulls[] = {{L, TRIGGER_PRESS - 1, {}}, {L, TRIGGER_PRESS, Down(VK_F7)},
                 {L, TRIGGER_RELEASE, {}},   {L, TRIGGER_RELEASE - 1, Up(VK_F7)},
                 {R, 32767, Down(VK_F8)},    {L, 32767, Down(VK_F9)},
                 {R, 0, Up(VK_F8)},          {L, 0, Up(VK_F9)}};
    for (const auto& pull : pulls)
        EXPECT_EQ(Axis(1, pull.axis, pull.value), pull.keys) << pull.axis << " " << pull.value;
}

// A pad pulled out with keys held lets go of them, but not of what another pad still holds.
TEST_F(PadKeys, APadThatLeavesLetsGoOfWhatItHeld) {
    Button(1, SDL_CONTROLLER_BUTTON_BACK, true);
    Button(1, SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    Axis(1, SDL_CONTROLLER_AXIS_LEFTY, 32767);
    Button(2, SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    std::vector<InputEvent> out;
    keys.Removed(1, &out);
    keys.Removed(1, &out);  // twice
    Keys released = Listed(out);
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, (Keys{{WM_KEYUP, 'A'}, {WM_KEYUP, VK_F1}}));
    EXPECT_EQ(Button(2, SDL_CONTROLLER_BUTTON_DPAD_LEFT, false), Up(VK_LEFT));
    EXPECT_EQ(Button(1, SDL_CONTROLLER_BUTTON_BACK, true), Down(VK_F1)) << "a pad coming back starts afresh";
}

// Real SDL events from SDL's virtual pads, through the game controller interface.
class VirtualPads : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SdlGamepadsStart()) << SDL_GetError(); }
    void TearDown() override {
        for (int index : attached_) SDL_JoystickDetachVirtual(index);
        SdlGamepadsStop();
    }
    SDL_Joystick* Plug(bool controller = true) {
        const int index = AttachVirtualPad(controller ? "Test pad" : "Odd stick", controller);
        EXPECT_GE(index, 0) << SDL_GetError();
        attached_.push_back(index);
        EXPECT_EQ(Pump(), Keys{});
        return VirtualPad(index);
    }
    Keys Pump() {
        fullScreen_ = false;
        return Listed(PadInputs(&fullScreen_));
    }

    bool fullScreen_ = false;
    std::vector<int> attached_;
};

TEST_F(VirtualPads, PadsComeAndGoWhileKeysAreHeld) {
    SDL_Joystick* first = Plug();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(SDL_GameControllerFromInstanceID(SDL_JoystickInstanceID(first)), nullptr)
        << "opened on arrival";
    for (const auto& [held, keys] : {std::pair{1, Down(VK_SPACE)}, {0, Up(VK_SPACE)}}) {
        SDL_JoystickSetVirtualButton(first, SDL_CONTROLLER_BUTTON_A, static_cast<Uint8>(held));
        EXPECT_EQ(Pump(), keys);
    }
    SDL_JoystickSetVirtualAxis(first, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    EXPECT_EQ(Pump(), Down('X'));

    SDL_Joystick* second = Plug();
    ASSERT_NE(second, nullptr);
    SDL_JoystickSetVirtualButton(second, SDL_CONTROLLER_BUTTON_B, 1);
    EXPECT_EQ(Pump(), Down(VK_ESCAPE)) << "the second pad acts too";

    // The first pad is pulled out with the stick pushed: X is let go, B on the second stays.
    ASSERT_EQ(SDL_JoystickDetachVirtual(attached_.front()), 0);
    attached_.erase(attached_.begin());
    EXPECT_EQ(Pump(), Up('X'));
    SDL_JoystickSetVirtualButton(second, SDL_CONTROLLER_BUTTON_B, 0);
    EXPECT_EQ(Pump(), Up(VK_ESCAPE));

    // The Guide button switches full screen as it goes down, and makes no key.
    for (const bool held : {true, false}) {
        SDL_JoystickSetVirtualButton(second, SDL_CONTROLLER_BUTTON_GUIDE, held);
        EXPECT_EQ(Pump(), Keys{});
        EXPECT_EQ(fullScreen_, held);
    }
}

// A joystick that is no game controller SDL knows is named in one trace row as it arrives; a game
// controller is not.
TEST_F(VirtualPads, AnUnknownPadIsNamedOnce) {
    TraceCapture trace;
    Plug(false);
    Plug();
    const std::string text = trace.Text();
    EXPECT_EQ(text.find("SdlGamepadEvent: Gamepad \"Odd stick\" ("), 0u) << text;
    EXPECT_NE(text.find("SDL_GAMECONTROLLERCONFIG"), std::string::npos) << text;
    EXPECT_EQ(text.find("cannot play", text.find("cannot play") + 1), std::string::npos)
        << "the game controller is not named: " << text;
}

}  // namespace

// Tests of the gamepads, by the table and scripts of gamepad_keys.tsv: each button's key, keys held
// while any pad holds them, the left stick's directions and the triggers with their dead bands, and
// pads leaving with keys held; and real SDL events from a virtual pad that comes and goes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/sdl/gamepad/gamepad_keys.h"
#include "tests/platform/sdl/virtual_pad.h"
#include "tests/support/capture.h"
#include "tests/support/golden.h"
#include "tests/support/pointer_notes.h"

namespace {

// The keys as a note, after checking that each is a key and a press is a first press, never a
// repeat: the game repeats a held key itself.
std::string Listed(const std::vector<InputEvent>& inputs) {
    for (const InputEvent& e : inputs) {
        EXPECT_TRUE(e.IsKey()) << "input of kind " << e.kind;
        EXPECT_FALSE(e.repeat) << "key " << e.value;
    }
    return Note(inputs);
}

// A button or an axis by SDL's name (a number for a button SDL has no name for); its number.
int Control(const std::string& name, bool* axis) {
    const int button =
        std::isdigit(name[0]) ? std::stoi(name) : SDL_GameControllerGetButtonFromString(name.c_str());
    *axis = button == SDL_CONTROLLER_BUTTON_INVALID && name != "none";
    return *axis ? SDL_GameControllerGetAxisFromString(name.c_str()) : button;
}

TEST(PadKeys, EachButtonHoldsItsKeyAndEveryScriptMakesItsKeys) {
    GamepadKeys keys;
    const auto button = [&keys](int pad, int number, bool pressed) {
        std::vector<InputEvent> out;
        keys.Button(pad, number, pressed, &out);
        return Listed(out);
    };
    for (const auto& row : GoldenRows("platform/sdl/gamepad_keys.tsv")) {
        SCOPED_TRACE(row[0] + (row.size() > 1 ? " | " + row[1] : ""));
        bool axis = false;
        std::vector<InputEvent> out;
        if (row.size() == 1) {
            keys = GamepadKeys{};
        } else if (row.size() == 2) {
            const int number = Control(row[0], &axis);
            const std::string key = row[1].empty() ? "" : "+" + row[1];
            EXPECT_EQ(std::vector<std::string>({button(3, number, true), button(3, number, true),
                                                button(3, number, false), button(3, number, false)}),
                      std::vector<std::string>({key, "", key.empty() ? "" : "-" + row[1], ""}));
            EXPECT_EQ(GamepadButtonTogglesFullScreen(number), row[0] == "guide");
        } else if (row[1] == "removed") {
            keys.Removed(std::stoi(row[0]), &out);
            std::sort(out.begin(), out.end(),
                      [](const InputEvent& a, const InputEvent& b) { return a.value < b.value; });
            EXPECT_EQ(Listed(out), row[3]);
        } else {
            const int number = Control(row[1], &axis);
            if (axis) keys.Axis(std::stoi(row[0]), number, std::stoi(row[2]), &out);
            EXPECT_EQ(axis ? Listed(out) : button(std::stoi(row[0]), number, row[2] == "1"), row[3]);
        }
    }
}

// A pad SDL cannot use is named with its GUID, and the row says how to map it.
TEST(UnknownGamepads, TheRowNamesThePadAndTheMappingToGive) {
    EXPECT_EQ(UnknownGamepadAdvice("Odd Pad", "0300aa"),
              "Gamepad \"Odd Pad\" (0300aa) is not in SDL's database and cannot play: map it with "
              "SDL_GAMECONTROLLERCONFIG=\"0300aa,Odd Pad,a:b0,b:b1,...\" (see lobshot(6), Gamepad)");
    EXPECT_NE(UnknownGamepadAdvice(nullptr, "0300aa").find("\"unnamed\" (0300aa)"), std::string::npos);
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
        EXPECT_EQ(Pump(), "");
        return VirtualPad(index);
    }
    std::string Pump() {
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
    for (const auto& [held, keys] : {std::pair{1, "+Space"}, {0, "-Space"}}) {
        SDL_JoystickSetVirtualButton(first, SDL_CONTROLLER_BUTTON_A, static_cast<Uint8>(held));
        EXPECT_EQ(Pump(), keys);
    }
    SDL_JoystickSetVirtualAxis(first, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    EXPECT_EQ(Pump(), "+X");

    SDL_Joystick* second = Plug();
    ASSERT_NE(second, nullptr);
    SDL_JoystickSetVirtualButton(second, SDL_CONTROLLER_BUTTON_B, 1);
    EXPECT_EQ(Pump(), "+Esc") << "the second pad acts too";

    // The first pad is pulled out with the stick pushed: X is let go, B on the second stays.
    ASSERT_EQ(SDL_JoystickDetachVirtual(attached_.front()), 0);
    attached_.erase(attached_.begin());
    EXPECT_EQ(Pump(), "-X");
    SDL_JoystickSetVirtualButton(second, SDL_CONTROLLER_BUTTON_B, 0);
    EXPECT_EQ(Pump(), "-Esc");

    // The Guide button switches full screen as it goes down, and makes no key.
    for (const bool held : {true, false}) {
        SDL_JoystickSetVirtualButton(second, SDL_CONTROLLER_BUTTON_GUIDE, held);
        EXPECT_EQ(Pump(), "");
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

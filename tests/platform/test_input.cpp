// Tests of the game's input events and the window messages they stand for: how Windows marks a
// key's repeat and release, how activations are read, and the trip from event to queue and back.
#include <gtest/gtest.h>

#include <vector>

#include "platform/backend.h"
#include "platform/input.h"
#include "tests/support/game_fixture.h"

namespace {

InputEvent From(UINT message, WPARAM wParam, LPARAM lParam) {
    InputEvent event{InputEvent::NetworkEnded, 12345, true};
    EXPECT_TRUE(InputEventFromMessage(message, wParam, lParam, &event)) << message;
    return event;
}

MSG Message(const InputEvent& event) {
    MSG message;
    EXPECT_TRUE(InputEventMessage(event, &message)) << event.kind;
    return message;
}

TEST(InputEventFromMessage, ReadsKeysAsWindowsMarksThem) {
    EXPECT_EQ(From(WM_KEYDOWN, 'Q', 1), InputEvent::Down('Q'));
    EXPECT_EQ(From(WM_KEYDOWN, 'Q', 0), InputEvent::Down('Q'));
    // Bit 30 says the key was already down; a press with bit 31 counts as a repeat too.
    EXPECT_EQ(From(WM_KEYDOWN, 'Q', (LPARAM{1} << 30) | 1), InputEvent::Down('Q', true));
    EXPECT_EQ(From(WM_KEYDOWN, 'Q', LPARAM{1} << 31), InputEvent::Down('Q', true));
    EXPECT_EQ(From(WM_KEYDOWN, 'Q', 0x00FF0001), InputEvent::Down('Q')) << "scan code and count";
    // A release is never a repeat, however marked.
    EXPECT_EQ(From(WM_KEYUP, VK_F1, (LPARAM{3} << 30) | 1), InputEvent::Up(VK_F1));
    EXPECT_EQ(From(WM_KEYUP, VK_F1, 0), InputEvent::Up(VK_F1));
    // A code beyond the game's keys is kept for the game to refuse, never made into another key.
    EXPECT_EQ(From(WM_KEYDOWN, 300, 0).value, 300u);
    if constexpr (sizeof(WPARAM) > 4) {
        EXPECT_EQ(From(WM_KEYDOWN, WPARAM{1} << 32 | 'A', 0).value, 0xFFFFFFFFu);
    }
}

TEST(InputEventFromMessage, ReadsActivationsAndTheCloseAndNothingElse) {
    EXPECT_EQ(From(WM_ACTIVATEAPP, 7, 0), InputEvent::AppActivation(true));
    EXPECT_EQ(From(WM_ACTIVATEAPP, 0, 0), InputEvent::AppActivation(false));
    // Only the low word counts; anything but the two active states deactivates.
    EXPECT_EQ(From(WM_ACTIVATE, 0x00050002, 0), InputEvent::WindowActivation(WA_CLICKACTIVE));
    EXPECT_EQ(From(WM_ACTIVATE, WA_ACTIVE, 0), InputEvent::WindowActivation(WA_ACTIVE));
    EXPECT_EQ(From(WM_ACTIVATE, 9, 0), InputEvent::WindowActivation(WA_INACTIVE));
    EXPECT_EQ(From(WM_ACTIVATE, 0x00010000, 0), InputEvent::WindowActivation(WA_INACTIVE));
    EXPECT_EQ(From(WM_CLOSE, 4, 5), InputEvent::CloseRequest());

    InputEvent untouched = InputEvent::Down('Z');
    for (UINT other :
         {WM_TIMER, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_SETCURSOR, WM_DESTROY, WM_QUIT, WM_APP + 1}) {
        EXPECT_FALSE(InputEventFromMessage(other, 1, 0, &untouched)) << other;
        EXPECT_EQ(untouched, InputEvent::Down('Z'));
    }
}

TEST(InputEventMessage, MarksPressesRepeatsAndReleasesAsWindowsDoes) {
    const MSG down = Message(InputEvent::Down('Q'));
    EXPECT_EQ(down.message, WM_KEYDOWN);
    EXPECT_EQ(down.wParam, WPARAM{'Q'});
    EXPECT_EQ(down.lParam, 1);
    EXPECT_EQ(Message(InputEvent::Down(VK_SPACE, true)).lParam, (LPARAM{1} << 30) | 1);
    const MSG up = Message(InputEvent::Up(VK_DOWN));
    EXPECT_EQ(up.message, WM_KEYUP);
    EXPECT_EQ(up.wParam, WPARAM{VK_DOWN});
    EXPECT_EQ(up.lParam, (LPARAM{1} << 30) | (LPARAM{1} << 31) | 1);

    // The network game's news never travels as a message.
    MSG none;
    EXPECT_FALSE(InputEventMessage(InputEvent::Machine(true, 2), &none));
    EXPECT_FALSE(InputEventMessage(InputEvent::Machine(false, 2), &none));
    EXPECT_FALSE(InputEventMessage(InputEvent::OffNetwork(), &none));
}

TEST(InputEventMessage, EveryEventOfTheWindowComesBackFromItsMessage) {
    const std::vector<InputEvent> events = {InputEvent::Down('A'),
                                            InputEvent::Down(VK_LEFT, true),
                                            InputEvent::Up(VK_ESCAPE),
                                            InputEvent::Down(0),
                                            InputEvent::AppActivation(false),
                                            InputEvent::AppActivation(true),
                                            InputEvent::WindowActivation(WA_INACTIVE),
                                            InputEvent::WindowActivation(WA_ACTIVE),
                                            InputEvent::WindowActivation(WA_CLICKACTIVE),
                                            InputEvent::CloseRequest()};
    for (const InputEvent& event : events) {
        const MSG m = Message(event);
        EXPECT_EQ(From(m.message, m.wParam, m.lParam), event) << event.kind << " " << event.value;
    }
}

class PostInputTest : public GameTest {};

LRESULT Ignore(HWND, UINT, WPARAM, LPARAM) { return 0; }

TEST_F(PostInputTest, QueuesTheEventsMessageForTheWindowInOrder) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Ignore;
    wc.lpszClassName = "InputWindow";
    ASSERT_TRUE(RegisterClassA(&wc));
    HWND window =
        CreateWindowExA(0, "InputWindow", "t", 0, 0, 0, 320, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);

    EXPECT_TRUE(PostInput(InputEvent::Down('W', true)));
    EXPECT_FALSE(PostInput(InputEvent::OffNetwork()));
    EXPECT_TRUE(PostInput(InputEvent::CloseRequest()));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(From(msg.message, msg.wParam, msg.lParam), InputEvent::Down('W', true));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_CLOSE);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

}  // namespace

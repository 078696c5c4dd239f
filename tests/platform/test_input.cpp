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

TEST(InputEventFromMessage, ReadsKeysActivationsAndTheCloseAsWindowsMarksThem) {
    // Bit 30 says the key was already down; a press with bit 31 counts as a repeat too, and a
    // release is never a repeat, however marked. Of an activation only the low word counts, and
    // anything but the two active states deactivates.
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        InputEvent event;
    } cases[] = {{WM_KEYDOWN, 'Q', 1, InputEvent::Down('Q')},
                 {WM_KEYDOWN, 'Q', 0, InputEvent::Down('Q')},
                 {WM_KEYDOWN, 'Q', (LPARAM{1} << 30) | 1, InputEvent::Down('Q', true)},
                 {WM_KEYDOWN, 'Q', LPARAM{1} << 31, InputEvent::Down('Q', true)},
                 {WM_KEYDOWN, 'Q', 0x00FF0001, InputEvent::Down('Q')},
                 {WM_KEYUP, VK_F1, (LPARAM{3} << 30) | 1, InputEvent::Up(VK_F1)},
                 {WM_KEYUP, VK_F1, 0, InputEvent::Up(VK_F1)},
                 {WM_KEYDOWN, 300, 0, InputEvent::Down(300)},  // kept for the game to refuse
                 {WM_ACTIVATEAPP, 7, 0, InputEvent::AppActivation(true)},
                 {WM_ACTIVATEAPP, 0, 0, InputEvent::AppActivation(false)},
                 {WM_ACTIVATE, 0x00050002, 0, InputEvent::WindowActivation(WA_CLICKACTIVE)},
                 {WM_ACTIVATE, WA_ACTIVE, 0, InputEvent::WindowActivation(WA_ACTIVE)},
                 {WM_ACTIVATE, 9, 0, InputEvent::WindowActivation(WA_INACTIVE)},
                 {WM_ACTIVATE, 0x00010000, 0, InputEvent::WindowActivation(WA_INACTIVE)},
                 {WM_CLOSE, 4, 5, InputEvent::CloseRequest()}};
    for (const auto& c : cases)
        EXPECT_EQ(From(c.message, c.wParam, c.lParam), c.event) << c.message << " " << c.wParam;
    if constexpr (sizeof(WPARAM) > 4) {
        EXPECT_EQ(From(WM_KEYDOWN, WPARAM{1} << 32 | 'A', 0).value, 0xFFFFFFFFu);
    }

    InputEvent untouched = InputEvent::Down('Z');
    for (UINT other :
         {WM_TIMER, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_SETCURSOR, WM_DESTROY, WM_QUIT, WM_APP + 1}) {
        EXPECT_FALSE(InputEventFromMessage(other, 1, 0, &untouched)) << other;
        EXPECT_EQ(untouched, InputEvent::Down('Z'));
    }
}

TEST(InputEventMessage, MarksPressesRepeatsAndReleasesAsWindowsDoesAndComesBack) {
    const struct {
        InputEvent event;
        UINT message;
        LPARAM lParam;
    } keys[] = {{InputEvent::Down('Q'), WM_KEYDOWN, 1},
                {InputEvent::Down(VK_SPACE, true), WM_KEYDOWN, (LPARAM{1} << 30) | 1},
                {InputEvent::Up(VK_DOWN), WM_KEYUP, (LPARAM{1} << 30) | (LPARAM{1} << 31) | 1}};
    for (const auto& k : keys) {
        MSG m;
        ASSERT_TRUE(InputEventMessage(k.event, &m));
        EXPECT_EQ(m.message, k.message);
        EXPECT_EQ(m.wParam, WPARAM{k.event.value});
        EXPECT_EQ(m.lParam, k.lParam);
    }
    // Every event of the window comes back from its message; the network game's news never
    // travels as one.
    for (const InputEvent& event :
         {InputEvent::Down('A'), InputEvent::Down(VK_LEFT, true), InputEvent::Up(VK_ESCAPE),
          InputEvent::Down(0), InputEvent::AppActivation(false), InputEvent::AppActivation(true),
          InputEvent::WindowActivation(WA_INACTIVE), InputEvent::WindowActivation(WA_ACTIVE),
          InputEvent::WindowActivation(WA_CLICKACTIVE), InputEvent::CloseRequest()}) {
        MSG m;
        ASSERT_TRUE(InputEventMessage(event, &m)) << event.kind;
        EXPECT_EQ(From(m.message, m.wParam, m.lParam), event) << event.kind << " " << event.value;
    }
    MSG none;
    for (const InputEvent& news :
         {InputEvent::Machine(true, 2), InputEvent::Machine(false, 2), InputEvent::OffNetwork()})
        EXPECT_FALSE(InputEventMessage(news, &none)) << news.kind;
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

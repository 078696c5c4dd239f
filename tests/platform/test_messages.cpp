// Tests of the platform layer's queue and window as the shell relies on them.
#include <gtest/gtest.h>

#include <vector>

#include "platform/backend.h"
#include "platform/win.h"
#include "tests/support/game_fixture.h"

namespace {

std::vector<UINT> Seen;

LRESULT Record(HWND, UINT message, WPARAM, LPARAM) {
    Seen.push_back(message);
    return 0;
}

class MessagesTest : public GameTest {
protected:
    HWND MakeWindow() {
        Seen.clear();
        WNDCLASSA wc{};
        wc.lpfnWndProc = Record;
        wc.lpszClassName = "TestWindow";
        EXPECT_TRUE(RegisterClassA(&wc));
        return CreateWindowExA(0, "TestWindow", "t", 0, 0, 0, 320, 200, nullptr, nullptr, nullptr, nullptr);
    }
};

TEST_F(MessagesTest, ShowingTheWindowActivatesItAtOnceAndQuitComesAfterEverythingPosted) {
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Seen.empty());
    ShowWindow(window, 1);
    EXPECT_EQ(Seen, (std::vector<UINT>{WM_ACTIVATEAPP, WM_ACTIVATE}));

    // Peek leaves a message in place.
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    PostQuitMessage(0);
    PostMessageA(window, WM_KEYUP, 'A', 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
        EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
        EXPECT_EQ(msg.message, message);
    }
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessagesTest, FailingCallsLeaveAnErrorCode) {
    EXPECT_EQ(CreateWindowExA(0, "Nope", "t", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    HWND window = MakeWindow();
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(PostMessageA(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(PlatformErrorText(ERROR_INVALID_WINDOW_HANDLE), "Invalid window handle.");
}

// Another run of the program takes up the window the run before left on the screen, and only that.
TEST_F(MessagesTest, AnotherRunTakesUpTheWindowKept) {
    HWND window = MakeWindow();
    PostQuitMessage(0);
    PlatformResetKeepingWindow();
    EXPECT_EQ(MakeWindow(), window);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(MakeWindow(), nullptr);
}

TEST_F(MessagesTest, TheHeadlessClockMovesOnlyWithTicks) {
    HeadlessSetClock(1000);
    MakeWindow();
    Sleep(500);
    EXPECT_EQ(timeGetTime(), 1000u);
    HeadlessTick();
    EXPECT_EQ(timeGetTime(), 1020u);
    EXPECT_EQ(HeadlessTickCount(), 1u);
}

}  // namespace

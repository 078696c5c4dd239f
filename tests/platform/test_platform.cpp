// Tests of the platform layer as the shell relies on it: the queue and window, the game's input
// events and the window messages they stand for, the headless clock, start-up's seed, finding the
// sound device again, and the embedded resources (the disc table is checked by the landscape's
// tests, its ring starts with the disc at start-up).
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/data_resource.h"
#include "core/random.h"
#include "platform/backend.h"
#include "platform/common/audio_recovery.h"
#include "platform/input.h"
#include "platform/resource.h"
#include "shell/shell.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"
#include "tests/support/golden.h"
#include "tests/support/pointer_notes.h"

namespace {

std::vector<UINT> Seen;

LRESULT Record(HWND, UINT message, WPARAM, LPARAM) {
    Seen.push_back(message);
    return 0;
}

class PlatformTest : public GameTest {
protected:
    static HWND MakeWindow() {
        Seen.clear();
        WNDCLASSA wc{};
        wc.lpfnWndProc = Record;
        wc.lpszClassName = "TestWindow";
        EXPECT_TRUE(RegisterClassA(&wc));
        return CreateWindowExA(0, "TestWindow", "t", 0, 0, 0, 320, 200, nullptr, nullptr, nullptr, nullptr);
    }
};

InputEvent From(UINT message, WPARAM wParam, LPARAM lParam) {
    InputEvent event{InputEvent::NetworkEnded, 12345, true};
    EXPECT_TRUE(InputEventFromMessage(message, wParam, lParam, &event)) << message;
    return event;
}

// Showing activates at once; peeking leaves a message in place; the quit comes after everything
// posted; the game's input events are queued for the window as their messages, in order.
TEST_F(PlatformTest, TheQueueDeliversInOrderAndQuitComesLast) {
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Seen.empty());
    ShowWindow(window, 1);
    EXPECT_EQ(Seen, (std::vector<UINT>{WM_ACTIVATEAPP, WM_ACTIVATE}));
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    PostQuitMessage(0);
    EXPECT_TRUE(PostInput(InputEvent::Down('W', true)));
    EXPECT_FALSE(PostInput(InputEvent::OffNetwork()));
    EXPECT_TRUE(PostInput(InputEvent::CloseRequest()));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(From(msg.message, msg.wParam, msg.lParam), InputEvent::Down('W', true));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_CLOSE);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(PlatformTest, FailingCallsLeaveAnErrorCodeAndTheClockMovesOnlyWithTicks) {
    EXPECT_EQ(CreateWindowExA(0, "Nope", "t", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    HWND window = MakeWindow();
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(PostMessageA(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(PlatformErrorText(ERROR_INVALID_WINDOW_HANDLE), "Invalid window handle.");

    HeadlessSetClock(1000);
    Sleep(500);
    EXPECT_EQ(timeGetTime(), 1000u);
    HeadlessTick();
    EXPECT_EQ(std::tuple(timeGetTime(), HeadlessTickCount()), std::tuple(1020u, 1u));
}

// Another run of the program takes up the window the run before left on the screen, and only that.
TEST_F(PlatformTest, AnotherRunTakesUpTheWindowKept) {
    HWND window = MakeWindow();
    PostQuitMessage(0);
    PlatformResetKeepingWindow();
    EXPECT_EQ(MakeWindow(), window);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(MakeWindow(), nullptr);
}

// A field of messages.tsv: a number in hex, or a key's name.
WPARAM Field(const std::string& text) {
    return text.starts_with("0x") ? std::stoull(text, nullptr, 16) : static_cast<WPARAM>(KeyFromName(text));
}

// Every message of messages.tsv reads as its event, and the events of the window come back from
// their messages; the network game's news never travels as one.
TEST(InputEventMessages, EveryMessageOfTheTableReadsAsItsEventAndBack) {
    static const std::pair<const char*, UINT> names[] = {{"WM_KEYDOWN", WM_KEYDOWN},
                                                         {"WM_KEYUP", WM_KEYUP},
                                                         {"WM_ACTIVATEAPP", WM_ACTIVATEAPP},
                                                         {"WM_ACTIVATE", WM_ACTIVATE},
                                                         {"WM_CLOSE", WM_CLOSE},
                                                         {"WM_TIMER", WM_TIMER},
                                                         {"WM_MOUSEMOVE", WM_MOUSEMOVE},
                                                         {"WM_LBUTTONDOWN", WM_LBUTTONDOWN},
                                                         {"WM_SETCURSOR", WM_SETCURSOR},
                                                         {"WM_DESTROY", WM_DESTROY},
                                                         {"WM_QUIT", WM_QUIT},
                                                         {"WM_APP+1", WM_APP + 1}};
    for (const auto& row : GoldenRows("platform/messages.tsv")) {
        SCOPED_TRACE(row[0] + " " + row[1] + " " + row[2]);
        UINT message = 0;
        for (const auto& [name, number] : names) message = row[0] == name ? number : message;
        InputEvent event = InputEvent::OffNetwork(), back = event;
        const bool read = InputEventFromMessage(message, Field(row[1]), LPARAM(Field(row[2])), &event);
        EXPECT_EQ(read ? Note({event}) : "", row[3]);
        EXPECT_TRUE(read || event == InputEvent::OffNetwork()) << "an event changed by another message";
        MSG m{};
        if (row[4].empty()) continue;
        ASSERT_TRUE(InputEventMessage(event, &m));
        EXPECT_TRUE(InputEventFromMessage(m.message, m.wParam, m.lParam, &back) && back == event);
        EXPECT_TRUE(row[4] == "back" || std::tuple(m.message, m.wParam, m.lParam) ==
                                            std::tuple(message, Field(row[1]), LPARAM(Field(row[2]))));
    }
    if constexpr (sizeof(WPARAM) > 4) {
        EXPECT_EQ(From(WM_KEYDOWN, WPARAM{1} << 32 | 'A', 0).value, 0xFFFFFFFFu);
    }
    MSG none;
    for (const InputEvent& news :
         {InputEvent::Machine(true, 2), InputEvent::Machine(false, 2), InputEvent::OffNetwork()})
        EXPECT_FALSE(InputEventMessage(news, &none)) << news.kind;
}

// The seed a runner gives is the one fed to the generator, written once where a player can see
// it; without one, start-up reads the start-up clock; the scripted clock goes its own way from its
// starting reading either way.
TEST_F(PlatformTest, StartUpSeedsFromTheGivenSeedOrTheStartUpClock) {
    TraceCapture out;
    std::uint32_t stateAtStart = 0;
    DWORD bootAfterTicks = 0;
    RunGame(4000000123u, {[&] {
                              stateAtStart = game::RandState();
                              HeadlessTick();
                              return true;
                          },
                          [&] {
                              bootAfterTicks = GetTickCount();
                              return false;
                          }});
    EXPECT_EQ(std::tuple(stateAtStart, bootAfterTicks), std::tuple(4000000123u, 4000000143u));
    const std::string text = out.Text();
    const std::size_t first = text.find("appInitialize: Random seed 4000000123\r\n");
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find("Random seed", first + 16), std::string::npos) << text;

    for (const auto& [seed, clock, expected] : {std::tuple{-1, 86400123u, 86400123u}, {77, 500u, 77u}}) {
        ResetEverything();
        StepDriver driver({[&] {
            stateAtStart = game::RandState();
            return false;
        }});
        HeadlessSetClock(clock);
        if (seed >= 0) ShellStartWithSeed(static_cast<std::uint32_t>(seed));
        HeadlessSetDriver(&driver);
        EXPECT_EQ(WinMain(PlatformModuleHandle(), nullptr, "", 1), 0);
        HeadlessSetDriver(nullptr);
        EXPECT_EQ(stateAtStart, expected);
        EXPECT_EQ(GetTickCount(), clock) << "the clock keeps its own reading";
    }
}

constexpr std::uint32_t PERIOD = AudioRecovery::RETRY_MILLISECONDS;

// Nothing is tried while the device is there, and an announcement made before the loss does not
// count after it. An attempt is counted: asking again at once, or just short of a period later,
// says no; a late poll tries once, and the pace runs on from then, across the clock's wrap too.
TEST(AudioRecoveryTest, AttemptsComeOncePerPeriodAfterTheLoss) {
    for (const std::uint32_t loss : {1000u, 0xFFFFFFFFu - 500}) {
        AudioRecovery recovery;
        recovery.DeviceAnnounced();
        EXPECT_FALSE(recovery.Lost());
        EXPECT_FALSE(recovery.TryNow(loss + 10 * PERIOD));
        recovery.DeviceLost(loss);
        EXPECT_TRUE(recovery.Lost());
        const std::pair<std::uint32_t, bool> polls[] = {{0, false},
                                                        {PERIOD - 1, false},
                                                        {PERIOD, true},
                                                        {PERIOD, false},
                                                        {2 * PERIOD - 1, false},
                                                        {5 * PERIOD, true},
                                                        {6 * PERIOD - 1, false},
                                                        {6 * PERIOD, true}};
        for (const auto& [after, attempt] : polls) EXPECT_EQ(recovery.TryNow(loss + after), attempt) << after;
    }
}

// An announced device is tried at once and only once. Each loss and each return writes one row,
// failed attempts none, and a loss after a return starts a fresh wait.
TEST(AudioRecoveryTest, AnnouncementsAreTriedAtOnceAndEachLossAndReturnWritesOneRow) {
    TraceCapture out;
    AudioRecovery recovery;
    recovery.DeviceBack();
    recovery.DeviceLost(0);
    recovery.DeviceLost(1);
    for (std::uint32_t t = 0; t < 10 * PERIOD; t += 20) recovery.TryNow(t);
    recovery.DeviceAnnounced();
    recovery.DeviceAnnounced();
    EXPECT_TRUE(recovery.TryNow(10 * PERIOD + 5));
    EXPECT_FALSE(recovery.TryNow(10 * PERIOD + 6));
    EXPECT_FALSE(recovery.TryNow(11 * PERIOD + 4));
    EXPECT_TRUE(recovery.TryNow(11 * PERIOD + 5));
    recovery.DeviceBack();
    recovery.DeviceBack();
    EXPECT_FALSE(recovery.Lost());
    EXPECT_FALSE(recovery.TryNow(20 * PERIOD));
    EXPECT_EQ(out.Text(),
              "AudioRecovery: The sound device has gone: the game goes on silent\r\n"
              "AudioRecovery: A sound device is back: the sound carries on\r\n");
    recovery.DeviceLost(50000);
    EXPECT_FALSE(recovery.TryNow(50000 + PERIOD - 1));
    EXPECT_TRUE(recovery.TryNow(50000 + PERIOD));
}

std::int32_t At(const void* data, std::size_t offset) {
    std::int32_t value;
    std::memcpy(&value, static_cast<const std::uint8_t*>(data) + offset, sizeof value);
    return value;
}

TEST_F(PlatformTest, ScatterTableHoldsTheDiscOfRadius25OnceEachThenFiller) {
    const void* s = nullptr;
    ASSERT_TRUE(LoadDataResource(135, 20808, &s));
    EXPECT_EQ(std::tuple(At(s, 0), At(s, 4), At(s, 56), At(s, 60)), std::tuple(-22, -5, -7, -1));
    std::set<std::pair<int, int>> seen;
    for (int i = 0; i < 1961; ++i) {
        int dx = At(s, 8 * i), dy = At(s, 8 * i + 4);
        ASSERT_LE(dx * dx + dy * dy, 625);
        ASSERT_TRUE(seen.insert({dx, dy}).second);
    }
    for (int i = 1961 * 8; i < 20808; ++i) ASSERT_EQ(static_cast<const std::uint8_t*>(s)[i], 0xCC);
}

// Other sizes are refused silently and missing ones traced; an override replaces or hides a
// resource until cleared.
TEST_F(PlatformTest, LookupsRefuseOtherSizesAndOverridesHoldUntilCleared) {
    TraceCapture out;
    const void* d = &out;
    EXPECT_FALSE(LoadDataResource(131, 404, &d));
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(out.Text(), "");
    EXPECT_FALSE(LoadDataResource(999, 4, &d));
    EXPECT_EQ(out.Text(),
              "ERROR:-: GetLastError 1814: The specified resource name cannot be found in the image "
              "file.\n\r\n");

    const std::uint8_t bytes[] = {1, 2, 3};
    ResourceOverride(RT_RCDATA, MAKEINTRESOURCEA(131), bytes);
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(131), RT_RCDATA);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, found), 3u);
    EXPECT_EQ(static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)))[2], 3);
    ResourceOverride(RT_BITMAP, "IDB_NOTHING", {}, true);
    EXPECT_EQ(FindResourceA(nullptr, "IDB_NOTHING", RT_BITMAP), nullptr);
    ResourceClearOverrides();
    found = FindResourceA(nullptr, MAKEINTRESOURCEA(131), RT_RCDATA);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, found), 408u);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(131), RT_WAVE), nullptr);
}

}  // namespace

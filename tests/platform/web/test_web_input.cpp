// Tests of what the web backend reads from the browser: key names into virtual keys, the keys the
// browser keeps, full screen's keys, the page's options, and the canvas's colours.
#include <gtest/gtest.h>

#include "platform/web/web_keys.h"
#include "platform/web/web_options.h"
#include "platform/web/web_video.h"
#include "platform/win.h"

namespace {

TEST(WebKeys, LettersFollowTheLayoutAndEverythingElseThePlace) {
    EXPECT_EQ(VirtualKeyFromWeb("KeyA", "a"), 'A');
    EXPECT_EQ(VirtualKeyFromWeb("KeyZ", "Z"), 'Z');
    // A French keyboard: the key in the place of Q gives A, and the game wants the A.
    EXPECT_EQ(VirtualKeyFromWeb("KeyQ", "a"), 'A');
    // Not a letter in this layout (a dead key, a symbol): the place decides.
    EXPECT_EQ(VirtualKeyFromWeb("KeyY", "Dead"), 'Y');
    // Shift and the digit row give symbols, but the game wants the digit.
    EXPECT_EQ(VirtualKeyFromWeb("Digit1", "!"), '1');
    EXPECT_EQ(VirtualKeyFromWeb("Digit0", "0"), '0');
    EXPECT_EQ(VirtualKeyFromWeb("Digit9", "9"), '9');
    EXPECT_EQ(VirtualKeyFromWeb("Numpad0", "0"), 0x60);
    EXPECT_EQ(VirtualKeyFromWeb("Numpad9", "9"), 0x69);
}

TEST(WebKeys, NamedKeysAndTheFunctionRow) {
    EXPECT_EQ(VirtualKeyFromWeb("Enter", "Enter"), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromWeb("NumpadEnter", "Enter"), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromWeb("Space", " "), VK_SPACE);
    EXPECT_EQ(VirtualKeyFromWeb("Escape", "Escape"), VK_ESCAPE);
    EXPECT_EQ(VirtualKeyFromWeb("ShiftRight", "Shift"), VK_SHIFT);
    EXPECT_EQ(VirtualKeyFromWeb("ArrowLeft", "ArrowLeft"), VK_LEFT);
    EXPECT_EQ(VirtualKeyFromWeb("ArrowDown", "ArrowDown"), VK_DOWN);
    EXPECT_EQ(VirtualKeyFromWeb("F1", "F1"), VK_F1);
    EXPECT_EQ(VirtualKeyFromWeb("F2", "F2"), VK_F2);
    EXPECT_EQ(VirtualKeyFromWeb("F12", "F12"), VK_F12);
}

TEST(WebKeys, KeysTheGameHasNoUseFor) {
    EXPECT_EQ(VirtualKeyFromWeb("F13", "F13"), 0);
    EXPECT_EQ(VirtualKeyFromWeb("F0", "F0"), 0);
    EXPECT_EQ(VirtualKeyFromWeb("Digit10", "1"), 0);
    EXPECT_EQ(VirtualKeyFromWeb("Keya", "a"), 'A');  // unknown place, but the layout names a letter
    EXPECT_EQ(VirtualKeyFromWeb("Minus", "-"), 0);
    EXPECT_EQ(VirtualKeyFromWeb("", ""), 0);
    EXPECT_EQ(VirtualKeyFromWeb(nullptr, "a"), 0);
}

TEST(WebKeys, TheBrowserKeepsItsCommandsAndFullScreenIsThePages) {
    EXPECT_TRUE(BrowserKeepsKey("KeyR", true, false));
    EXPECT_TRUE(BrowserKeepsKey("KeyL", false, true));
    EXPECT_TRUE(BrowserKeepsKey("F5", false, false));
    EXPECT_TRUE(BrowserKeepsKey("F12", false, false));
    EXPECT_FALSE(BrowserKeepsKey("Space", false, false));
    EXPECT_FALSE(BrowserKeepsKey("ArrowUp", false, false));
    EXPECT_FALSE(BrowserKeepsKey("F1", false, false));

    EXPECT_TRUE(TogglesFullscreen("F11", false));
    EXPECT_TRUE(TogglesFullscreen("Enter", true));
    EXPECT_TRUE(TogglesFullscreen("NumpadEnter", true));
    EXPECT_FALSE(TogglesFullscreen("Enter", false));
    EXPECT_FALSE(TogglesFullscreen("F1", true));
}

TEST(WebOptions, SeedAndSteps) {
    WebPageOptions options;
    std::string error;
    ASSERT_TRUE(WebParsePageOptions("#seed=7&steps", &options, &error)) << error;
    EXPECT_TRUE(options.seedGiven);
    EXPECT_EQ(options.seed, 7u);
    EXPECT_TRUE(options.steps);

    options = WebPageOptions{};
    ASSERT_TRUE(WebParsePageOptions("seed=4294967295", &options, &error)) << error;
    EXPECT_EQ(options.seed, 4294967295u);
    EXPECT_FALSE(options.steps);

    options = WebPageOptions{};
    ASSERT_TRUE(WebParsePageOptions("", &options, &error));
    ASSERT_TRUE(WebParsePageOptions("#", &options, &error));
    ASSERT_TRUE(WebParsePageOptions("#steps&&", &options, &error));
    EXPECT_FALSE(options.seedGiven);
    EXPECT_TRUE(options.steps);

    // A replay's address is kept as written, up to the next option.
    options = WebPageOptions{};
    ASSERT_TRUE(WebParsePageOptions("#steps&replay=games/a%26b.lobshot-replay&seed=3", &options, &error))
        << error;
    EXPECT_EQ(options.replay, "games/a%26b.lobshot-replay");
    EXPECT_TRUE(options.steps);
    EXPECT_EQ(options.seed, 3u);
}

TEST(WebOptions, BadOptionsAreRefusedWithTheReason) {
    for (const char* fragment : {"#seed=4294967296", "#seed=", "#seed=-1", "#seed=7x", "#seed=12345678901"}) {
        WebPageOptions options;
        std::string error;
        EXPECT_FALSE(WebParsePageOptions(fragment, &options, &error)) << fragment;
        EXPECT_NE(error.find("bad seed"), std::string::npos) << fragment;
        EXPECT_FALSE(options.seedGiven) << fragment;
    }
    WebPageOptions options;
    std::string error;
    EXPECT_FALSE(WebParsePageOptions("#steps&fast", &options, &error));
    EXPECT_EQ(error, "unknown option \"fast\"");
    EXPECT_TRUE(options.steps);

    options = WebPageOptions{};
    EXPECT_FALSE(WebParsePageOptions("#replay=&steps", &options, &error));
    EXPECT_EQ(error, "replay= needs the replay's address");
    EXPECT_TRUE(options.replay.empty());
}

// A room's code is read as a player types it; the relay keeps the address as given.
TEST(WebOptions, RoomAndRelay) {
    WebPageOptions options;
    std::string error;
    ASSERT_TRUE(WebParsePageOptions("#room=abcd-efgh", &options, &error)) << error;
    EXPECT_EQ(options.room, "ABCDEFGH");
    EXPECT_EQ(options.relay, "");
    EXPECT_FALSE(options.steps);
    EXPECT_FALSE(options.watch);

    // A spectator's page names the room by watch=; one page is in one room only.
    options = WebPageOptions{};
    ASSERT_TRUE(WebParsePageOptions("#watch=abcd efgh&steps", &options, &error)) << error;
    EXPECT_EQ(options.room, "ABCDEFGH");
    EXPECT_TRUE(options.watch);
    for (const char* fragment : {"#room=ABCDEFGH&watch=ABCDEFGH", "#watch=ABCDEFGH&room=22222222"}) {
        options = WebPageOptions{};
        EXPECT_FALSE(WebParsePageOptions(fragment, &options, &error)) << fragment;
        EXPECT_EQ(error, "a page joins or watches one room only") << fragment;
    }
    options = WebPageOptions{};
    EXPECT_FALSE(WebParsePageOptions("#watch=ABCDEFGO", &options, &error));
    EXPECT_EQ(error.rfind("bad room code: ", 0), 0u) << error;

    options = WebPageOptions{};
    ASSERT_TRUE(WebParsePageOptions("#seed=3&steps&relay=127.0.0.1:28001&room=22222222", &options, &error))
        << error;
    EXPECT_EQ(options.room, "22222222");
    EXPECT_EQ(options.relay, "127.0.0.1:28001");
    EXPECT_TRUE(options.steps);
    EXPECT_EQ(options.seed, 3u);

    for (const char* fragment : {"#room=ABCDEFG", "#room=ABCDEFGO", "#room="}) {
        options = WebPageOptions{};
        EXPECT_FALSE(WebParsePageOptions(fragment, &options, &error)) << fragment;
        EXPECT_EQ(error.rfind("bad room code: ", 0), 0u) << fragment << ": " << error;
        EXPECT_EQ(options.room, "") << fragment;
    }
    for (const char* fragment : {"#relay=127.0.0.1", "#relay=host:0", "#relay=host:65536", "#relay=:1884"}) {
        options = WebPageOptions{};
        EXPECT_FALSE(WebParsePageOptions(fragment, &options, &error)) << fragment;
        EXPECT_EQ(error.rfind("bad relay: ", 0), 0u) << fragment << ": " << error;
        EXPECT_EQ(options.relay, "") << fragment;
    }
}

TEST(WebVideo, CanvasColoursWidenAsTheScreenshotsDo) {
    EXPECT_EQ(WebCanvasPixel(0x0000), 0xFF000000u);
    EXPECT_EQ(WebCanvasPixel(0xFFFF), 0xFFF8FCF8u);
    EXPECT_EQ(WebCanvasPixel(0xF800), 0xFF0000F8u);  // red in the lowest byte: first in memory
    EXPECT_EQ(WebCanvasPixel(0x07E0), 0xFF00FC00u);
    EXPECT_EQ(WebCanvasPixel(0x001F), 0xFFF80000u);
}

}  // namespace

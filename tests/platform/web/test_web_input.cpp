// Tests of what the web backend reads from the browser: key names into virtual keys, the keys the
// browser keeps, full screen's keys, the page's options, and the canvas's colours.
#include <gtest/gtest.h>

#include "platform/web/web_keys.h"
#include "platform/web/web_options.h"
#include "platform/web/web_video.h"
#include "platform/win.h"

namespace {

// Letters follow the layout (on a French keyboard the key in the place of Q gives A, and the game
// wants the A), unless the layout gives no letter there (a dead key, a symbol); the digit row gives
// its digits whatever Shift makes of them; everything else goes by the place.
TEST(WebKeys, LettersFollowTheLayoutAndEverythingElseThePlace) {
    const struct {
        const char *code, *key;
        int vk;
    } keys[] = {{"KeyA", "a", 'A'},
                {"KeyZ", "Z", 'Z'},
                {"KeyQ", "a", 'A'},
                {"KeyY", "Dead", 'Y'},
                {"Digit1", "!", '1'},
                {"Digit0", "0", '0'},
                {"Digit9", "9", '9'},
                {"Numpad0", "0", 0x60},
                {"Numpad9", "9", 0x69},
                {"Enter", "Enter", VK_RETURN},
                {"NumpadEnter", "Enter", VK_RETURN},
                {"Space", " ", VK_SPACE},
                {"Escape", "Escape", VK_ESCAPE},
                {"ShiftRight", "Shift", VK_SHIFT},
                {"ArrowLeft", "ArrowLeft", VK_LEFT},
                {"ArrowDown", "ArrowDown", VK_DOWN},
                {"F1", "F1", VK_F1},
                {"F2", "F2", VK_F2},
                {"F12", "F12", VK_F12},
                {"F13", "F13", 0},
                {"F0", "F0", 0},
                {"Digit10", "1", 0},
                {"Keya", "a", 'A'},
                {"Minus", "-", VK_OEM_MINUS},
                {"Period", ".", VK_OEM_PERIOD},
                {"Semicolon", ":", VK_OEM_1},
                {"Slash", "/", 0},
                {"", "", 0},
                {nullptr, "a", 0}};
    for (const auto& k : keys)
        EXPECT_EQ(VirtualKeyFromWeb(k.code, k.key), k.vk) << (k.code ? k.code : "null");
}

TEST(WebKeys, TheBrowserKeepsItsCommandsAndFullScreenIsThePages) {
    EXPECT_TRUE(BrowserKeepsKey("KeyR", true, false));
    EXPECT_TRUE(BrowserKeepsKey("KeyL", false, true));
    EXPECT_TRUE(BrowserKeepsKey("F5", false, false));
    EXPECT_TRUE(BrowserKeepsKey("F12", false, false));
    for (const char* code : {"Space", "ArrowUp", "F1"})
        EXPECT_FALSE(BrowserKeepsKey(code, false, false)) << code;

    EXPECT_TRUE(TogglesFullscreen("F11", false));
    EXPECT_TRUE(TogglesFullscreen("Enter", true));
    EXPECT_TRUE(TogglesFullscreen("NumpadEnter", true));
    EXPECT_FALSE(TogglesFullscreen("Enter", false));
    EXPECT_FALSE(TogglesFullscreen("F1", true));
}

// The options a fragment of the page's address gives, written back as one line; a refusal is "!"
// and the reason.
std::string Options(const char* fragment) {
    WebPageOptions options;
    std::string error;
    if (!WebParsePageOptions(fragment, &options, &error)) {
        EXPECT_FALSE(options.seedGiven) << fragment;
        EXPECT_TRUE(options.room.empty() || error == "a page joins or watches one room only") << fragment;
        EXPECT_EQ(options.relay, "") << fragment;
        EXPECT_TRUE(options.replay.empty()) << fragment;
        return "!" + error;
    }
    std::string line = options.seedGiven ? "seed " + std::to_string(options.seed) : "";
    if (options.steps) line += " steps";
    if (!options.replay.empty()) line += " replay " + options.replay;
    if (!options.room.empty()) line += (options.watch ? " watch " : " room ") + options.room;
    if (!options.relay.empty()) line += " relay " + options.relay;
    return line;
}

TEST(WebOptions, SeedStepsReplayRoomAndRelay) {
    // A room's code is read as a player types it; a replay's and the relay's addresses are kept
    // as written, up to the next option.
    const std::pair<const char*, const char*> good[] = {
        {"#seed=7&steps", "seed 7 steps"},
        {"seed=4294967295", "seed 4294967295"},
        {"", ""},
        {"#", ""},
        {"#steps&&", " steps"},
        {"#steps&replay=games/a%26b.lobshot-replay&seed=3", "seed 3 steps replay games/a%26b.lobshot-replay"},
        {"#room=abcd-efgh", " room ABCDEFGH"},
        {"#watch=abcd efgh&steps", " steps watch ABCDEFGH"},
        {"#seed=3&steps&relay=127.0.0.1:28001&room=22222222",
         "seed 3 steps room 22222222 relay 127.0.0.1:28001"}};
    for (const auto& [fragment, options] : good) EXPECT_EQ(Options(fragment), options) << fragment;
}

TEST(WebOptions, BadOptionsAreRefusedWithTheReason) {
    for (const char* fragment : {"#seed=4294967296", "#seed=", "#seed=-1", "#seed=7x", "#seed=12345678901"})
        EXPECT_EQ(Options(fragment).rfind("!bad seed", 0), 0u) << fragment;
    for (const char* fragment : {"#watch=ABCDEFGO", "#room=ABCDEFG", "#room=ABCDEFGO", "#room="})
        EXPECT_EQ(Options(fragment).rfind("!bad room code: ", 0), 0u) << fragment;
    for (const char* fragment : {"#relay=127.0.0.1", "#relay=host:0", "#relay=host:65536", "#relay=:1884"})
        EXPECT_EQ(Options(fragment).rfind("!bad relay: ", 0), 0u) << fragment;
    EXPECT_EQ(Options("#steps&fast"), "!unknown option \"fast\"");
    EXPECT_EQ(Options("#replay=&steps"), "!replay= needs the replay's address");
    // One page is in one room only.
    EXPECT_EQ(Options("#room=ABCDEFGH&watch=ABCDEFGH"), "!a page joins or watches one room only");
    EXPECT_EQ(Options("#watch=ABCDEFGH&room=22222222"), "!a page joins or watches one room only");
}

TEST(WebVideo, CanvasColoursWidenAsTheScreenshotsDo) {
    EXPECT_EQ(WebCanvasPixel(0x0000), 0xFF000000u);
    EXPECT_EQ(WebCanvasPixel(0xFFFF), 0xFFF8FCF8u);
    EXPECT_EQ(WebCanvasPixel(0xF800), 0xFF0000F8u);  // red in the lowest byte: first in memory
    EXPECT_EQ(WebCanvasPixel(0x07E0), 0xFF00FC00u);
    EXPECT_EQ(WebCanvasPixel(0x001F), 0xFFF80000u);
}

}  // namespace

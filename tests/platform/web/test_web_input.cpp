// Tests of what the web backend reads from the browser: key names into virtual keys, the keys the
// browser keeps, full screen's keys, the page's options, and the canvas's colours.
#include <gtest/gtest.h>

#include <cctype>

#include "platform/web/web_keys.h"
#include "platform/web/web_options.h"
#include "platform/web/web_video.h"
#include "platform/win.h"
#include "runner/script.h"
#include "tests/support/golden.h"

namespace {

TEST(WebKeys, LettersFollowTheLayoutAndEverythingElseThePlace) {
    for (const auto& row : GoldenRows("platform/web/web_keys.tsv")) {
        const int vk = row[2].empty()                                 ? 0
                       : std::isdigit(row[2][0]) && row[2].size() > 1 ? std::stoi(row[2])
                                                                      : KeyCodeFromName(row[2]);
        EXPECT_EQ(VirtualKeyFromWeb(row[0].c_str(), row[1].c_str()), vk) << row[0];
    }
    EXPECT_EQ(VirtualKeyFromWeb(nullptr, "a"), 0);
}

TEST(WebKeys, TheBrowserKeepsItsCommandsAndFullScreenIsThePages) {
    for (const auto& [code, control, alt, kept] : {std::tuple{"KeyR", true, false, true},
                                                   {"KeyL", false, true, true},
                                                   {"F5", false, false, true},
                                                   {"F12", false, false, true},
                                                   {"Space", false, false, false},
                                                   {"ArrowUp", false, false, false},
                                                   {"F1", false, false, false}})
        EXPECT_EQ(BrowserKeepsKey(code, control, alt), kept) << code;
    for (const auto& [code, alt, toggles] : {std::tuple{"F11", false, true},
                                             {"Enter", true, true},
                                             {"NumpadEnter", true, true},
                                             {"Enter", false, false},
                                             {"F1", true, false}})
        EXPECT_EQ(TogglesFullscreen(code, alt), toggles) << code << alt;
}

// The options a fragment of the page's address gives, written back as one line; a refusal is "!"
// and the reason, and leaves the options empty.
std::string Options(const std::string& fragment) {
    WebPageOptions options;
    std::string error;
    if (!WebParsePageOptions(fragment, &options, &error)) {
        EXPECT_FALSE(options.seedGiven) << fragment;
        EXPECT_TRUE(options.room.empty() || error == "a page hosts, joins or watches one room only")
            << fragment;
        EXPECT_EQ(options.relay + options.replay, "") << fragment;
        return "!" + error;
    }
    std::string line = options.seedGiven ? "seed " + std::to_string(options.seed) : "";
    if (options.steps) line += " steps";
    if (!options.replay.empty()) line += " replay " + options.replay;
    if (!options.room.empty()) line += (options.watch ? " watch " : " room ") + options.room;
    if (options.host) line += " host";
    if (!options.relay.empty()) line += " relay " + options.relay;
    return line;
}

TEST(WebOptions, SeedStepsReplayRoomAndRelayOrTheReasonForARefusal) {
    for (const auto& row : GoldenRows("platform/web/web_options.tsv")) {
        const std::string got = Options(row[0]);
        if (row[1].starts_with("!"))
            EXPECT_EQ(got.substr(0, row[1].size()), row[1]) << row[0];
        else
            EXPECT_EQ(got, row[1]) << row[0];
    }
}

TEST(WebVideo, CanvasColoursWidenAsTheScreenshotsDo) {
    // Red in the lowest byte: first in memory.
    for (const auto& [pixel, canvas] : {std::pair{0x0000, 0xFF000000u},
                                        {0xFFFF, 0xFFF8FCF8u},
                                        {0xF800, 0xFF0000F8u},
                                        {0x07E0, 0xFF00FC00u},
                                        {0x001F, 0xFFF80000u}})
        EXPECT_EQ(WebCanvasPixel(static_cast<std::uint16_t>(pixel)), canvas) << pixel;
}

}  // namespace

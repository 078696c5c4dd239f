// Tests of the title screen and the terraforming screen's progress bar, on the running game.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "display/graphx.h"
#include "screens/screens.h"
#include "screens/title_screens.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

class TitleScreensTest : public GameTest {
protected:
    // The visible page's pixel, widened to a colour reference with the low bits zero.
    static std::uint32_t Shown(int x, int y) {
        const HeadlessFrame& f = HeadlessLastFrame();
        std::uint16_t p = f.pixels[static_cast<std::size_t>(y) * f.width + x];
        return ((p >> 11) << 3) | ((((p >> 5) & 63) << 2) << 8) | (((p & 31) << 3) << 16);
    }
    static std::uint32_t Reduced(std::uint32_t colour) {
        return (colour & 0xF8) | (colour & 0xFC00) | (colour & 0xF80000);
    }
    // Runs the game to its first title frame, does the work, and ends the run.
    static void OnTheTitle(const std::function<void()>& work) {
        TraceCapture quiet;
        RunGame(1, {[] {
                        HeadlessTick();
                        return true;
                    },
                    [&] {
                        work();
                        return false;
                    }});
    }
};

// The bar's columns follow the progress up to 253 and run from red through yellow, green and cyan
// to blue.
TEST_F(TitleScreensTest, BarColumnsFollowProgressFromRedToBlue) {
    for (auto [progress, columns] : {std::pair{-0.5f, 0}, {0.0f, 0}, {0.5f, 126}, {1.0f, 253}, {7.0f, 253}})
        EXPECT_EQ(ProgressBarColumns(progress), columns) << progress;
    for (auto [column, colour] : {std::pair{0, 0x0000FFu},
                                  {62, 0x00FAFFu},
                                  {63, 0x00FFFFu},
                                  {125, 0x00FF05u},
                                  {126, 0x00FF00u},
                                  {188, 0xFAFF00u},
                                  {189, 0xFFFF00u},
                                  {252, 0xFF0000u}})
        EXPECT_EQ(ProgressBarColour(column), colour) << column;
}

TEST_F(TitleScreensTest, HalfwayShowsTheFirst126ColumnsOverThePicture) {
    OnTheTitle([] {
        InitTerraformingScreen(0, BackdropSurface, AppInstance);
        UpdateTerraformingScreen(0.0f);
        std::uint32_t pictureAt158 = Shown(158, 50);
        UpdateTerraformingScreen(0.5f);
        for (int i = 0; i < 126; ++i) {
            ASSERT_EQ(Shown(32 + i, 48), Reduced(ProgressBarColour(i))) << i;
            ASSERT_EQ(Shown(32 + i, 60), Reduced(ProgressBarColour(i))) << i;
        }
        EXPECT_EQ(Shown(158, 50), pictureAt158);
        EXPECT_EQ(Shown(157, 50), Reduced(ProgressBarColour(125)));
        UpdateTerraformingScreen(1.0f);
        EXPECT_EQ(Shown(284, 54), Reduced(ProgressBarColour(252)));
    });
}

TEST_F(TitleScreensTest, TheTitleShowsTheVersionInTheSmallFontAtTheBottomRight) {
    OnTheTitle([] {
        // The small font's "v" cell starts at x 275; the text's 11 cells end at x 318.
        bool inkInVersion = false;
        for (int y = 191; y < 199; ++y)
            for (int x = 275; x < 319; ++x) inkInVersion = inkInVersion || Shown(x, y) == 0xF8FCF8u;
        EXPECT_TRUE(inkInVersion);
        for (int y = 191; y < 199; ++y) EXPECT_NE(Shown(319, y), 0xF8FCF8u);
    });
}

}  // namespace

// Tests of the Options screen and the last game's choice, through the game loop: keys on the title
// change the settings and never reach the game, and the choice of one run starts the next.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "core/globals.h"
#include "options/options.h"
#include "players/player_collection.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "shell/shell.h"
#include "snapshot/state_snapshot.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

struct Door {
    static inline Settings start;
    static inline Settings last;
    static inline int saves = 0;
    static Settings Current() { return start; }
    static void Changed(const Settings& settings, bool keep) {
        last = settings;
        saves += keep ? 1 : 0;
    }
};

using OptionsTest = GameTest;

TEST_F(OptionsTest, KeysOnTheTitleChangeTheSettingsAndEscSavesThem) {
    struct Row {
        std::vector<int> keys;
        std::function<void(Settings*)> change;
        bool page = false;  // the page's screen has no full screen row
    };
    const int D = VK_DOWN, E = VK_ESCAPE, R = VK_RETURN;
    const Row rows[] = {
        {{'P', E}, [](Settings*) {}},
        {{VK_F1, VK_RIGHT, E}, [](Settings* s) { s->fullscreen = false; }},
        {{'P', D, VK_LEFT, VK_LEFT, E}, [](Settings* s) { s->volume = 50; }},
        {{'P', D, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, E}, [](Settings* s) { s->volume = 100; }},
        {{'P', D, D, VK_SPACE, E}, [](Settings* s) { s->mute = true; }},
        {{'P', D, D, D, R, VK_BACK, VK_BACK, VK_BACK, 'B', 'O', 'B', VK_SPACE, '7', R, E},
         [](Settings* s) { s->name = "bob 7"; }},
        {{'P', D, D, D, R, VK_BACK, VK_BACK, VK_BACK, R, E}, [](Settings* s) { s->name = ""; }},
        {{'P', D, D, D, D, R, 'H', VK_OEM_PERIOD, 'B', VK_OEM_1, '1', '8', '8', '3', R, E},
         [](Settings* s) { s->relay = "h.b:1883"; }},
        {{'P', D, D, D, D, R, 'H', R, E, E}, [](Settings*) {}},
        {{'P', D, D, D, D, D, VK_RIGHT, VK_RIGHT, E}, [](Settings* s) { s->language = "de"; }},
        {{'P', D, D, D, D, D, VK_LEFT, E}, [](Settings* s) { s->language = "es"; }},
        {{'P', D, D, D, D, D, D, VK_SPACE, E}, [](Settings* s) { s->tankNumbers = true; }},
        {{'P', D, D, D, D, D, D, D, D, D, R}, [](Settings*) {}},
        {{'P', VK_LEFT, VK_UP, VK_LEFT, E}, [](Settings* s) { s->volume = 50; }, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.keys));
        ResetEverything();
        TraceCapture quiet;
        Door::start = Settings{};
        Door::start.volume = 70;
        Door::start.name = "Ada";
        Door::last = Door::start;
        Door::saves = 0;
        OptionsUse({&Door::Current, &Door::Changed, !row.page});
        Settings expected = Door::start;
        row.change(&expected);
        RunGame(1, {Keys(), Keys(row.keys), Keys()});
        EXPECT_EQ(1, Door::saves);
        EXPECT_FALSE(OptionsShown());
        EXPECT_EQ(SettingsText(expected), SettingsText(Door::last));
        EXPECT_EQ(Title, CurrentMode);
        EXPECT_TRUE(ReplayRecorded().events.empty());
    }
}

TEST_F(OptionsTest, WithoutTheProgramsDoorTheTitleHasNoOptions) {
    RunGame(1, {Keys({'P'}), Keys()});
    EXPECT_FALSE(OptionsShown());
}

// The tanks' numbers of an eight-player game, as it aims and as a shot settles: each standing tank's
// own number a few rows above it, and nowhere else, drawn only, so that the state stays the same.
TEST_F(OptionsTest, TankNumbersMarkEveryTankAndNeverTheGame) {
    struct Look {
        std::vector<std::uint16_t> pixels;
        std::string state;
        std::vector<std::pair<int, int>> spots;  // where each standing tank's number starts
    };
    const auto play = [](bool numbers) {
        ResetEverything();
        TraceCapture quiet;
        Door::start = Settings{};
        Door::start.tankNumbers = numbers;
        OptionsUse({&Door::Current, &Door::Changed, true});
        ShellStartWithChoice({true, 8});
        std::vector<Look> looks;
        const auto until = [](std::function<bool()> ready) {
            return [ready] { return ready() || (HeadlessTick(), true); };
        };
        const auto look = Do([&looks] {
            Look seen{HeadlessLastFrame().pixels, StateSnapshotJson(), {}};
            for (int i = 0; i < ThePlayers->numPlayers; ++i)
                if (const Player& p = ThePlayers->players[i]; p.alive)
                    seen.spots.emplace_back(p.x - ViewX - 2, p.y - ViewY - p.height - 16);
            looks.push_back(seen);
        });
        // The kept choice of eight people started; each leaves the shop by its last row.
        const int D = VK_DOWN;
        std::vector<StepDriver::Step> steps = {Keys(), Keys({VK_SPACE}), Keys({D, D, D, VK_SPACE})};
        for (int i = 0; i < 8; ++i) steps.push_back(Keys({D, D, D, D, D, D, VK_RETURN}));
        steps.insert(steps.end(), 3000, until([] { return CurrentMode == Aiming && ViewTarget == -1; }));
        steps.insert(steps.end(), {Keys(), look, Keys({VK_SPACE})});
        steps.insert(steps.end(), 3000,
                     until([] { return CurrentMode == ShotInProgress && SettleCountdown == 100; }));
        steps.insert(steps.end(), {look, [] { return false; }});
        RunGame(7, steps);
        return looks;
    };
    const std::vector<Look> plain = play(false), numbered = play(true);
    ASSERT_EQ(2u, numbered.size());
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const Look& look = numbered[i];
        EXPECT_EQ(plain[i].state, look.state);
        // Every tank in the picture has its number's cell (4 by 8) drawn, each unlike the others,
        // and no other pixel changes.
        std::vector<std::uint16_t> unchanged = look.pixels;
        std::set<std::vector<std::uint16_t>> cells;
        int seen = 0;
        for (const auto& [left, top] : look.spots) {
            if (left < 0 || top < 0 || left + 4 > 320 || top + 8 > 180) continue;
            std::vector<std::uint16_t> cell;
            for (int y = top; y < top + 8; ++y)
                for (int at = y * 320 + left; at < y * 320 + left + 4; ++at) {
                    cell.push_back(look.pixels[at]);
                    unchanged[at] = plain[i].pixels[at];
                }
            cells.insert(cell);
            ++seen;
        }
        EXPECT_GT(seen, 0);
        EXPECT_EQ(seen, static_cast<int>(cells.size()));
        EXPECT_TRUE(look.pixels != plain[i].pixels);
        EXPECT_TRUE(unchanged == plain[i].pixels);
    }
}

TEST_F(OptionsTest, TheLastGamesChoiceStartsTheNextRunAndItsReplay) {
    static SettingsGame chosen;
    ShellWatchGameChoice([](const SettingsGame& game) { chosen = game; });
    RunGame(
        1, {Keys(), Keys({VK_SPACE}), Keys(),
            Keys({VK_RIGHT, '2', VK_DOWN, VK_LEFT, VK_DOWN, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_SPACE}), Keys()});
    ASSERT_TRUE(chosen.kept);

    // The next run, from the choice as the settings file keeps it.
    ResetEverything();
    Settings kept;
    kept.game = chosen;
    std::vector<std::string> faults;
    ShellStartWithChoice(SettingsParse(SettingsText(kept), "f", &faults).game);
    ReplayRecord replay;
    const auto look = Do([&] {
        ASSERT_NE(nullptr, ThePlayers);
        EXPECT_EQ(3, ThePlayers->numPlayers);
        EXPECT_EQ(ControllerBeginner, SeatControllers[1]);
        EXPECT_EQ(GRAVITY_OFF, LandscapeGravityOption);
        EXPECT_EQ(WIND_VARIABLE, WindOption);
        replay = ReplayRecorded();
    });
    RunGame(1, {Keys(), Keys({VK_SPACE}), look});

    // Its replay starts the same way wherever it is played.
    std::string error;
    ASSERT_TRUE(ParseReplay(FormatReplay(replay), &replay, &error)) << error;
    EXPECT_EQ((StartChoice{3, GRAVITY_OFF, WIND_VARIABLE}), replay.choice);
    ResetEverything();
    ReplayLoad(replay, false);
    RunGame(1, {look});
}

}  // namespace

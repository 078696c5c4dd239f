// Tests of the Options screen and the last game's choice, through the game loop: keys on the title
// change the settings and never reach the game, the tanks' numbers are only drawn, and the choice of
// one run starts the next.
#include <gtest/gtest.h>

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
        {{'P', D, D, D, D, R, 'M', 'Q', 'T', 'T', 'S', VK_OEM_1, VK_OEM_2, VK_OEM_2, 'H', VK_OEM_1, '1', R,
          E},
         [](Settings* s) { s->relay = "mqtts://h:1"; }},
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

// The tanks' numbers of an eight-player game as it aims and as a shot settles: each tank in the
// picture has its own number in the 4 by 8 cell a few rows above it, nothing else changes, and the
// game's state is the same as without them.
TEST_F(OptionsTest, TankNumbersMarkEveryTankAndNeverTheGame) {
    std::vector<std::uint16_t> pixels[2][2];
    std::string states[2][2];
    std::vector<std::pair<int, int>> cells[2];  // where the numbers start, in the picture
    for (const bool numbers : {false, true}) {
        ResetEverything();
        TraceCapture quiet;
        Door::start = Settings{};
        Door::start.tankNumbers = numbers;
        OptionsUse({&Door::Current, &Door::Changed, true});
        ShellStartWithChoice({true, 8});
        const auto until = [](bool (*ready)()) -> StepDriver::Step {
            return [ready] { return ready() || (HeadlessTick(), true); };
        };
        int looks = 0;
        const auto look = Do([&] {
            pixels[numbers][looks] = HeadlessLastFrame().pixels;
            states[numbers][looks] = StateSnapshotJson();
            cells[looks].clear();
            for (int i = 0; i < ThePlayers->numPlayers; ++i)
                if (const Player& p = ThePlayers->players[i]; p.alive)
                    cells[looks].emplace_back(p.x - ViewX - 2, p.y - ViewY - p.height - 16);
            ++looks;
        });
        const int D = VK_DOWN;
        std::vector<StepDriver::Step> steps = {Keys(), Keys({VK_SPACE}), Keys({D, D, D, VK_SPACE})};
        steps.insert(steps.end(), 8, Keys({D, D, D, D, D, D, VK_RETURN}));
        steps.insert(steps.end(), 3000, until([] { return CurrentMode == Aiming && ViewTarget == -1; }));
        steps.insert(steps.end(), {Keys(), look, Keys({VK_SPACE})});
        steps.insert(steps.end(), 3000,
                     until([] { return CurrentMode == ShotInProgress && SettleCountdown == 100; }));
        steps.insert(steps.end(), {look, [] { return false; }});
        RunGame(7, steps);
    }
    for (int look = 0; look < 2; ++look) {
        EXPECT_EQ(states[0][look], states[1][look]);
        std::vector<std::uint16_t> beside = pixels[1][look];
        std::set<std::vector<std::uint16_t>> shown;
        for (const auto& [left, top] : cells[look]) {
            if (left < 0 || top < 0 || left + 4 > 320 || top + 8 > 180) continue;
            std::vector<std::uint16_t> cell, under;
            for (int y = top; y < top + 8; ++y)
                for (int at = y * 320 + left; at < y * 320 + left + 4; ++at) {
                    cell.push_back(pixels[1][look][at]);
                    under.push_back(beside[at] = pixels[0][look][at]);
                }
            EXPECT_TRUE(cell != under && shown.insert(cell).second) << look << ": no number, or another's";
        }
        EXPECT_FALSE(shown.empty());
        EXPECT_TRUE(beside == pixels[0][look]) << look;
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

// Tests of the sound's keys in play: they set the mixer's volume and show it, and neither the
// game nor its replay ever sees them.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "platform/headless/headless_platform.h"
#include "replay/session.h"
#include "shell/shell.h"
#include "sound/sound_effect.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

class SoundKeysTest : public GameTest {
protected:
    static std::vector<std::pair<int, bool>> Told;
    static void Tell(const ShellSound& sound) { Told.emplace_back(sound.volume, sound.mute); }
};
std::vector<std::pair<int, bool>> SoundKeysTest::Told;

TEST_F(SoundKeysTest, TheKeysSetTheVolumeShowItAndNeverReachTheGameNorItsReplay) {
    TraceCapture quiet;
    Told.clear();
    ShellSetSound({80, false});
    ShellWatchSound(&Tell);
    std::vector<int> volumes;
    std::vector<std::string> lines;
    const auto look = Do([&] {
        volumes.push_back(SoundTable.volume);
        lines.push_back(ShellSoundLine());
    });
    RunGame(1, {Keys(), look, Keys({VK_F8, VK_F8, VK_F8}), look, Keys({VK_F7}), look, Keys({VK_F9}), look,
                Keys({VK_F7}), look});
    EXPECT_EQ(volumes, (std::vector<int>{80, 100, 90, 0, 80}));
    EXPECT_EQ(lines, (std::vector<std::string>{"", "Volume 100%", "Volume 90%", "Sound off", "Volume 80%"}));
    EXPECT_EQ(Told, (std::vector<std::pair<int, bool>>{
                        {90, false}, {100, false}, {100, false}, {90, false}, {90, true}, {80, false}}));
    for (const ReplayEvent& event : ReplayRecorded().events) {
        if (ReplayEventIsRemark(event)) continue;
        const InputEvent input = ReplayEventInput(event);
        EXPECT_FALSE(input.IsKey() && input.value >= VK_F7 && input.value <= VK_F9) << input.value;
    }
    EXPECT_EQ(KeyHeld[VK_F8], 0);
}

}  // namespace

// Tests of finding the sound device again: the pace of attempts, announcements, a clock that wraps,
// and one trace row for each loss and each return.
#include <gtest/gtest.h>

#include "platform/common/audio_recovery.h"
#include "tests/support/capture.h"

namespace {

constexpr std::uint32_t PERIOD = AudioRecovery::RETRY_MILLISECONDS;

TEST(AudioRecoveryTest, AttemptsComeOncePerPeriodAfterTheLossAndNeverWhileTheDeviceIsThere) {
    AudioRecovery recovery;
    recovery.DeviceAnnounced();
    EXPECT_FALSE(recovery.Lost());
    EXPECT_FALSE(recovery.TryNow(10 * PERIOD));

    // An announcement made before the loss does not count after it. The attempt is counted:
    // asking again at once, or just short of a period later, says no; a late poll tries once, and
    // the pace runs on from then.
    recovery.DeviceLost(1000);
    EXPECT_TRUE(recovery.Lost());
    const std::pair<std::uint32_t, bool> polls[] = {{1000, false},
                                                    {1000 + PERIOD - 1, false},
                                                    {1000 + PERIOD, true},
                                                    {1000 + PERIOD, false},
                                                    {1000 + 2 * PERIOD - 1, false},
                                                    {1000 + 5 * PERIOD, true},
                                                    {1000 + 6 * PERIOD - 1, false},
                                                    {1000 + 6 * PERIOD, true}};
    for (const auto& [now, attempt] : polls) EXPECT_EQ(recovery.TryNow(now), attempt) << now - 1000;
}

TEST(AudioRecoveryTest, AnAnnouncedDeviceIsTriedAtOnceAndOnlyOnce) {
    AudioRecovery recovery;
    recovery.DeviceLost(0);
    recovery.DeviceAnnounced();
    recovery.DeviceAnnounced();
    EXPECT_TRUE(recovery.TryNow(5));
    EXPECT_FALSE(recovery.TryNow(6));
    EXPECT_FALSE(recovery.TryNow(5 + PERIOD - 1));
    EXPECT_TRUE(recovery.TryNow(5 + PERIOD));
}

TEST(AudioRecoveryTest, TheClockMayWrapRound) {
    AudioRecovery recovery;
    const std::uint32_t loss = 0xFFFFFFFFu - 500;
    recovery.DeviceLost(loss);
    EXPECT_FALSE(recovery.TryNow(loss + PERIOD - 1));
    EXPECT_TRUE(recovery.TryNow(loss + PERIOD));
}

// A loss after a return starts a fresh wait; each loss and each return writes one row, and failed
// attempts none.
TEST(AudioRecoveryTest, EachLossAndReturnWritesOneRowAndStartsAfresh) {
    TraceCapture out;
    AudioRecovery recovery;
    recovery.DeviceBack();
    EXPECT_EQ(out.Text(), "");
    recovery.DeviceLost(0);
    recovery.DeviceLost(1);
    for (std::uint32_t t = 0; t < 10 * PERIOD; t += 20) recovery.TryNow(t);
    EXPECT_EQ(out.Text(), "AudioRecovery: The sound device has gone: the game goes on silent\r\n");
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

}  // namespace

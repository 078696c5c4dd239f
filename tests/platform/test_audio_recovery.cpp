// Tests of finding the sound device again: the pace of attempts, announcements, a clock that wraps,
// and one trace row for each loss and each return.
#include <gtest/gtest.h>

#include "platform/common/audio_recovery.h"
#include "tests/support/capture.h"

namespace {

constexpr std::uint32_t PERIOD = AudioRecovery::RETRY_MILLISECONDS;

TEST(AudioRecoveryTest, NothingIsTriedWhileTheDeviceIsThere) {
    AudioRecovery recovery;
    recovery.DeviceAnnounced();
    EXPECT_FALSE(recovery.Lost());
    EXPECT_FALSE(recovery.TryNow(0));
    EXPECT_FALSE(recovery.TryNow(10 * PERIOD));

    // An announcement made before the loss does not count after it.
    recovery.DeviceLost(100);
    EXPECT_FALSE(recovery.TryNow(101));
}

TEST(AudioRecoveryTest, AttemptsComeOncePerPeriodAfterTheLoss) {
    AudioRecovery recovery;
    recovery.DeviceLost(1000);
    EXPECT_TRUE(recovery.Lost());
    EXPECT_FALSE(recovery.TryNow(1000));
    EXPECT_FALSE(recovery.TryNow(1000 + PERIOD - 1));
    EXPECT_TRUE(recovery.TryNow(1000 + PERIOD));
    // The attempt is counted: asking again at once, or just short of a period later, says no.
    EXPECT_FALSE(recovery.TryNow(1000 + PERIOD));
    EXPECT_FALSE(recovery.TryNow(1000 + 2 * PERIOD - 1));
    // A late poll tries once, and the pace runs on from then.
    EXPECT_TRUE(recovery.TryNow(1000 + 5 * PERIOD));
    EXPECT_FALSE(recovery.TryNow(1000 + 6 * PERIOD - 1));
    EXPECT_TRUE(recovery.TryNow(1000 + 6 * PERIOD));
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
    EXPECT_LT(loss + PERIOD, loss);
}

TEST(AudioRecoveryTest, ALossAfterAReturnStartsAFreshWait) {
    AudioRecovery recovery;
    recovery.DeviceLost(0);
    recovery.DeviceAnnounced();
    ASSERT_TRUE(recovery.TryNow(10));
    recovery.DeviceBack();
    EXPECT_FALSE(recovery.Lost());
    EXPECT_FALSE(recovery.TryNow(10 + PERIOD));

    recovery.DeviceLost(50000);
    EXPECT_FALSE(recovery.TryNow(50000 + PERIOD - 1));
    EXPECT_TRUE(recovery.TryNow(50000 + PERIOD));
}

TEST(AudioRecoveryTest, EachLossAndReturnWritesOneRowAndFailedAttemptsNone) {
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
    EXPECT_EQ(out.Text(),
              "AudioRecovery: The sound device has gone: the game goes on silent\r\n"
              "AudioRecovery: A sound device is back: the sound carries on\r\n");
}

}  // namespace

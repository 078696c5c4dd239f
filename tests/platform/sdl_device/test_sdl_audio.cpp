// Tests of the SDL audio device: which device events concern the game, and, on SDL's file-writing
// "disk" driver, pausing, losing the device and finding it again while a counting source plays.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/audio.h"
#include "platform/backend.h"
#include "platform/sdl/sdl_audio.h"
#include "tests/support/capture.h"

namespace {

TEST(SdlAudioClassifyTest, OnlyOurRemovalAndNewOutputsMatter) {
    const struct {
        const char* name;
        SdlAudioDeviceNews news;
        std::uint32_t ours;
        SdlAudioChange change;
    } cases[] = {
        {"ours removed", {false, 2, false}, 2, SdlAudioChange::OursRemoved},
        {"another removed", {false, 3, false}, 2, SdlAudioChange::None},
        {"removed while none is open", {false, 0, false}, 0, SdlAudioChange::None},
        {"a capture device with our number removed", {false, 2, true}, 2, SdlAudioChange::None},
        {"an output added", {true, 0, false}, 2, SdlAudioChange::OutputAdded},
        {"an output added at our number", {true, 2, false}, 0, SdlAudioChange::OutputAdded},
        {"a capture device added", {true, 1, true}, 0, SdlAudioChange::None},
    };
    for (const auto& c : cases) EXPECT_EQ(SdlAudioClassify(c.news, c.ours), c.change) << c.name;
}

// Frames pulled by SDL's audio thread.
std::atomic<long> Pulled{0};

void CountingSource(void*, std::int16_t* out, int frames) {
    for (int i = 0; i < frames; ++i) out[i] = 0;
    Pulled += frames;
}

void Wait(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// Whether the source is pulled within the time a few buffers take.
bool PulledSoon() {
    const long before = Pulled;
    for (int i = 0; i < 100; ++i) {
        Wait(10);
        if (Pulled != before) return true;
    }
    return false;
}

// Whether the source stays unpulled for a while, once a buffer in flight has had time to end.
bool Quiet() {
    Wait(60);
    const long before = Pulled;
    Wait(200);
    return Pulled == before;
}

class SdlAudioTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
        AudioFormat format;
        if (!AudioOpen(&format)) GTEST_SKIP() << "SDL has no disk audio driver here";
        EXPECT_EQ(format.rate, 22050);
        EXPECT_EQ(format.channels, 1);
        ASSERT_TRUE(AudioStart(&CountingSource, nullptr));
        ASSERT_TRUE(PulledSoon());
    }

    void TearDown() override {
        AudioClose();
        AudioPause(false);
        backend::Shutdown();
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
    }

    static void Remove(std::uint32_t which) { SdlAudioDeviceEvent({false, which, false}); }
    static void Announce() { SdlAudioDeviceEvent({true, 0, false}); }

    TraceCapture trace;
};

TEST_F(SdlAudioTest, OurDeviceRemovedGoesSilentUntilAnOutputIsAnnounced) {
    Remove(SdlAudioDeviceId() + 1);
    SdlAudioDeviceEvent({false, SdlAudioDeviceId(), true});
    EXPECT_NE(SdlAudioDeviceId(), 0u);

    Remove(SdlAudioDeviceId());
    EXPECT_EQ(SdlAudioDeviceId(), 0u);
    SdlAudioPoll();
    EXPECT_EQ(SdlAudioDeviceId(), 0u);
    EXPECT_TRUE(Quiet());

    // A new capture device is no help; a new output is tried at the next poll.
    SdlAudioDeviceEvent({true, 0, true});
    SdlAudioPoll();
    EXPECT_EQ(SdlAudioDeviceId(), 0u);
    Announce();
    SdlAudioPoll();
    EXPECT_NE(SdlAudioDeviceId(), 0u);
    EXPECT_TRUE(PulledSoon());
    EXPECT_EQ(trace.Text(),
              "AudioRecovery: The sound device has gone: the game goes on silent\r\n"
              "AudioRecovery: A sound device is back: the sound carries on\r\n");
}

// A pause stops the pulling until it ends, even when a device is found meanwhile.
TEST_F(SdlAudioTest, APauseStopsThePullingUntilItEndsWhateverDeviceIsFound) {
    AudioPause(true);
    EXPECT_TRUE(Quiet());
    Remove(SdlAudioDeviceId());
    Announce();
    SdlAudioPoll();
    ASSERT_NE(SdlAudioDeviceId(), 0u);
    EXPECT_TRUE(Quiet());
    AudioPause(false);
    EXPECT_TRUE(PulledSoon());
}

TEST(SdlAudioDummyTest, TheDummyDriverCountsAsNoDevice) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    AudioFormat format;
    EXPECT_FALSE(AudioOpen(&format));
    SdlAudioPoll();
    EXPECT_EQ(SdlAudioDeviceId(), 0u);
    backend::Shutdown();
    unsetenv("SDL_AUDIODRIVER");
}

}  // namespace

// Test support: the sound effects on the headless device, each a plain wave of a known length.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_platform.h"
#include "platform/resource.h"
#include "sound/sound.h"
#include "sound/sound_effect.h"
#include "tests/sound/wave_images.h"
#include "tests/support/game_fixture.h"
#include "tests/support/world.h"

inline constexpr std::size_t FRAMES_PER_TICK = 441;

class SoundTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        SoundResetForTests();
        HeadlessAudioResetForTests();
        // Every effect lasts 20 ticks, except sound 12 (three and a half).
        for (int number = 0; number < SOUND_COUNT; ++number)
            Replace(number, SimpleWave(number == 12 ? FRAMES_PER_TICK * 7 / 2 : FRAMES_PER_TICK * 20));
    }

    void TearDown() override {
        SoundResetForTests();
        HeadlessAudioResetForTests();
        GameTest::TearDown();
    }

    static void Replace(int number, const Bytes& image, bool hide = false) {
        ResourceOverride(RT_WAVE, MAKEINTRESOURCEA(SOUND_RESOURCES[number]), image, hide);
    }

    static void Ticks(int count) {
        for (int i = 0; i < count; ++i) HeadlessTick();
        AudioCatchUp();
    }

    static unsigned Status(int number, int buffer) {
        return SoundTable.slots[number]->buffers[buffer]->Status();
    }

    // One step of a script on one effect: a call (SoundPlay, SoundLoop, SoundStop or any other
    // function of the effect's number, or none), some ticks, then the buffers playing.
    struct Step {
        void (*call)(int);
        int ticks;
        std::vector<int> playing;
    };
    static void Run(int number, std::initializer_list<Step> steps) {
        for (const Step& step : steps) {
            if (step.call) step.call(number);
            Ticks(step.ticks);
            EXPECT_EQ(Playing(number), step.playing) << "step " << &step - steps.begin();
        }
    }

    static std::vector<int> Playing(int number) {
        std::vector<int> playing;
        for (int i = 0; i < SoundTable.slots[number]->bufferCount; ++i)
            if (Status(number, i) & VOICE_PLAYING) playing.push_back(i);
        return playing;
    }
};

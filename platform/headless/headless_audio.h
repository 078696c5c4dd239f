// The headless audio device: no output, a record of every sound the game starts, loops and stops,
// and voices that play for as long as their samples last, measured in 20 ms ticks.
//
// The device runs at 22050 frames per second, mono, so one tick is 441 frames; the mixer is
// pulled for the ticks that have passed whenever the game touches a sound, so a voice stops
// playing once its length has elapsed. Ticks that pass while the device is paused or gone are
// not pulled at all, as on a real device. The state snapshot reads the record.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/audio.h"

// One entry of the record: what happened to which sound number, in which tick.
struct HeadlessSoundEvent {
    std::uint32_t tick = 0;
    AudioEvent event = AudioEvent::Start;
    int number = 0;
};

// Sound numbers started (once or looping) since the previous call, in order; the list then
// starts empty again.
std::vector<int> HeadlessSoundTakePlayed();
// Sound numbers looping now, in the order their loops began.
std::vector<int> HeadlessSoundLooping();
// Everything recorded since the start of the run.
const std::vector<HeadlessSoundEvent>& HeadlessSoundEvents();

// Tests: whether a device can be opened (it can by default).
void HeadlessAudioSetAvailable(bool available);
// Tests: frames pulled from the source since the run started, and whether the device is paused.
std::uint64_t HeadlessAudioFramesPulled();
bool HeadlessAudioPaused();
// Tests: the open device goes away (as when a headset is unplugged): the ticks due so far are
// pulled, then nothing is until a device is found again.
void HeadlessAudioRemoveDevice();
// Tests: a device can be opened again. Announced, the device is found the next time the game
// touches a sound (as after SDL's arrival event); otherwise the slow retry finds it.
void HeadlessAudioAddDevice(bool announced);
// Tests: the device closed, the record empty, a device available again.
void HeadlessAudioResetForTests();

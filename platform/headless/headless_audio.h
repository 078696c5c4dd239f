// The headless audio device: no output, the tick-driven device of platform/common/tick_audio.h
// pulling the mixer into nowhere, and a record of every sound the game starts, loops and stops
// with the tick it happened in.
//
// The record of platform/audio.h (AudioTakePlayed, AudioLooping) feeds the state snapshot; the
// calls below let tests read the ticks and act out a device that comes and goes.
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

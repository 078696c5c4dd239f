// The headless audio device: the tick-driven device with no output, and a record of the sounds.
#include "platform/headless/headless_audio.h"

#include "platform/common/tick_audio.h"
#include "platform/headless/headless_platform.h"

namespace {

constexpr TickAudioOutput OUTPUT{HeadlessTickCount, nullptr, nullptr};

TickAudio Audio{OUTPUT};
std::vector<HeadlessSoundEvent> Events;

}  // namespace

bool AudioOpen(AudioFormat* format) { return Audio.Open(format); }

bool AudioStart(AudioSource source, void* context) { return Audio.Start(source, context); }

void AudioClose() { Audio.Close(); }

void AudioPause(bool paused) { Audio.Pause(paused); }

void AudioCatchUp() { Audio.CatchUp(); }

void AudioNote(AudioEvent event, int number) {
    Events.push_back({HeadlessTickCount(), event, number});
    Audio.Note(event, number);
}

std::vector<int> AudioTakePlayed() { return Audio.TakePlayed(); }

std::vector<int> AudioLooping() { return Audio.Looping(); }

const std::vector<HeadlessSoundEvent>& HeadlessSoundEvents() { return Events; }

void HeadlessAudioSetAvailable(bool available) { Audio.SetAvailable(available); }

std::uint64_t HeadlessAudioFramesPulled() { return Audio.FramesPulled(); }

bool HeadlessAudioPaused() { return Audio.Paused(); }

void HeadlessAudioRemoveDevice() { Audio.RemoveDevice(); }

void HeadlessAudioAddDevice(bool announced) { Audio.AddDevice(announced); }

void HeadlessAudioResetForTests() {
    Audio = TickAudio{OUTPUT};
    Events.clear();
}

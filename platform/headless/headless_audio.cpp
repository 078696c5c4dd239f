// The headless audio device: a mixer pulled tick by tick into nowhere, and a record of the sounds.
#include "platform/headless/headless_audio.h"

#include <algorithm>

#include "platform/common/audio_recovery.h"
#include "platform/headless/headless_platform.h"

namespace {

constexpr AudioFormat DEVICE_FORMAT{22050, 1};
constexpr int FRAMES_PER_TICK = 22050 / 50;

struct HeadlessAudio {
    bool available = true;
    bool open = false;
    bool paused = false;
    AudioSource source = nullptr;
    void* context = nullptr;
    std::uint32_t renderedTicks = 0;
    std::uint64_t framesPulled = 0;
    AudioRecovery recovery;
    std::vector<std::int16_t> discard = std::vector<std::int16_t>(FRAMES_PER_TICK);
    std::vector<HeadlessSoundEvent> events;
    std::vector<int> played;
    std::vector<int> looping;
};

HeadlessAudio Audio;

// Whether the mixer is pulled as ticks pass.
bool Pulling() { return Audio.source && !Audio.paused && !Audio.recovery.Lost(); }

// Pulling starts again from now: the ticks that passed in silence are never owed.
void SkipSilentTicks() { Audio.renderedTicks = HeadlessTickCount(); }

// While the device is gone, looks for one at the pace the recovery sets.
void LookForDevice() {
    if (!Audio.recovery.TryNow(timeGetTime()) || !Audio.available) return;
    Audio.recovery.DeviceBack();
    SkipSilentTicks();
}

}  // namespace

bool AudioOpen(AudioFormat* format) {
    if (!Audio.available || Audio.open) return false;
    Audio.open = true;
    *format = DEVICE_FORMAT;
    return true;
}

bool AudioStart(AudioSource source, void* context) {
    if (!Audio.open) return false;
    Audio.source = source;
    Audio.context = context;
    SkipSilentTicks();
    return true;
}

void AudioClose() {
    Audio.open = false;
    Audio.source = nullptr;
    Audio.context = nullptr;
    Audio.recovery = AudioRecovery{};
    Audio.looping.clear();
}

void AudioPause(bool paused) {
    if (paused == Audio.paused) return;
    if (paused) AudioCatchUp();
    Audio.paused = paused;
    if (!paused) SkipSilentTicks();
}

void AudioCatchUp() {
    if (!Audio.source) return;
    if (Audio.recovery.Lost()) LookForDevice();

    // One tick's worth of frames for every tick since the last call. A clock that went back (a
    // test starting a new run) is simply followed.
    const std::uint32_t now = HeadlessTickCount();
    if (now < Audio.renderedTicks || !Pulling()) Audio.renderedTicks = now;
    for (; Audio.renderedTicks < now; ++Audio.renderedTicks) {
        Audio.source(Audio.context, Audio.discard.data(), FRAMES_PER_TICK);
        Audio.framesPulled += FRAMES_PER_TICK;
    }
}

void AudioNote(AudioEvent event, int number) {
    Audio.events.push_back({HeadlessTickCount(), event, number});
    if (event != AudioEvent::Stop) Audio.played.push_back(number);
    if (event == AudioEvent::Loop &&
        std::find(Audio.looping.begin(), Audio.looping.end(), number) == Audio.looping.end())
        Audio.looping.push_back(number);
    if (event == AudioEvent::Stop) std::erase(Audio.looping, number);
}

std::vector<int> HeadlessSoundTakePlayed() {
    std::vector<int> played;
    played.swap(Audio.played);
    return played;
}

std::vector<int> HeadlessSoundLooping() { return Audio.looping; }

const std::vector<HeadlessSoundEvent>& HeadlessSoundEvents() { return Audio.events; }

void HeadlessAudioSetAvailable(bool available) { Audio.available = available; }

std::uint64_t HeadlessAudioFramesPulled() { return Audio.framesPulled; }

bool HeadlessAudioPaused() { return Audio.paused; }

void HeadlessAudioRemoveDevice() {
    Audio.available = false;
    if (!Audio.open || Audio.recovery.Lost()) return;
    AudioCatchUp();
    Audio.recovery.DeviceLost(timeGetTime());
}

void HeadlessAudioAddDevice(bool announced) {
    Audio.available = true;
    if (announced) Audio.recovery.DeviceAnnounced();
}

void HeadlessAudioResetForTests() { Audio = HeadlessAudio{}; }

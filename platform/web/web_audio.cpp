// The web backend's audio device: the mixer pulled tick by tick and played through Web Audio.
#include "platform/web/web_audio.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdint>

#include "platform/audio.h"
#include "platform/web/web_platform.h"

// clang-format off: the bodies of EM_JS are JavaScript.
// Schedules one tick's samples after those already queued, a little ahead of the sound card so
// that a late frame does not break the sound; when the game's clock has run ahead of the card's
// (a slow frame, a page in the background) the queue starts again from now.
EM_JS(void, web_audio_play, (const std::int16_t* samples, int frames, int rate), {
    const context = Module.lobshotAudio;
    if (!context || context.state != 'running') return;
    const buffer = context.createBuffer(1, frames, rate);
    const channel = buffer.getChannelData(0);
    const source = new Int16Array(HEAPU8.buffer, samples, frames);
    for (let i = 0; i < frames; ++i) channel[i] = source[i] / 32768;
    const now = context.currentTime;
    let start = Module.lobshotAudioEnd || 0;
    if (start < now + 0.02 || start > now + 0.25) start = now + 0.06;
    const node = context.createBufferSource();
    node.buffer = buffer;
    node.connect(context.destination);
    node.start(start);
    Module.lobshotAudioEnd = start + frames / rate;
});

EM_JS(void, web_audio_pause, (int paused), {
    Module.lobshotAudioPaused = paused != 0;
    const context = Module.lobshotAudio;
    if (!context) return;
    if (paused)
        context.suspend();
    else
        context.resume();
});
// clang-format on

namespace {

constexpr AudioFormat DEVICE_FORMAT{22050, 1};
constexpr int FRAMES_PER_TICK = 22050 / 50;

struct WebAudio {
    bool open = false;
    bool paused = false;
    AudioSource source = nullptr;
    void* context = nullptr;
    std::uint32_t renderedTicks = 0;
    std::int16_t samples[FRAMES_PER_TICK] = {};
    std::vector<int> played;
    std::vector<int> looping;
};

WebAudio Audio;

// Pulling starts again from now: the ticks that passed in silence are never owed.
void SkipSilentTicks() { Audio.renderedTicks = WebTickCount(); }

}  // namespace

bool AudioOpen(AudioFormat* format) {
    if (Audio.open) return false;
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
    Audio.looping.clear();
}

void AudioPause(bool paused) {
    if (paused == Audio.paused) return;
    if (paused) AudioCatchUp();
    Audio.paused = paused;
    web_audio_pause(paused ? 1 : 0);
    if (!paused) SkipSilentTicks();
}

// One tick's worth of frames for every tick since the last call.
void AudioCatchUp() {
    if (!Audio.source) return;
    const std::uint32_t now = WebTickCount();
    if (Audio.paused) Audio.renderedTicks = now;
    for (; Audio.renderedTicks < now; ++Audio.renderedTicks) {
        Audio.source(Audio.context, Audio.samples, FRAMES_PER_TICK);
        web_audio_play(Audio.samples, FRAMES_PER_TICK, DEVICE_FORMAT.rate);
    }
}

void AudioNote(AudioEvent event, int number) {
    if (event != AudioEvent::Stop) Audio.played.push_back(number);
    if (event == AudioEvent::Loop &&
        std::find(Audio.looping.begin(), Audio.looping.end(), number) == Audio.looping.end())
        Audio.looping.push_back(number);
    if (event == AudioEvent::Stop) std::erase(Audio.looping, number);
}

std::vector<int> WebSoundTakePlayed() {
    std::vector<int> played;
    played.swap(Audio.played);
    return played;
}

std::vector<int> WebSoundLooping() { return Audio.looping; }

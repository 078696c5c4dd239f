// The web backend's audio device: the tick-driven device, its samples played through Web Audio.
//
// Pulling by ticks rather than at the sound card's pace keeps every voice's length exactly what
// the replay runner computes (platform/common/tick_audio.h). The browser lets a page make no sound
// before the player's first key press; until then, and while the page is in the background, the
// samples are pulled and dropped.
#include <emscripten.h>

#include <cstdint>

#include "platform/audio.h"
#include "platform/common/tick_audio.h"
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

void Play(const std::int16_t* samples, int frames, int rate) { web_audio_play(samples, frames, rate); }

void Pause(bool paused) { web_audio_pause(paused ? 1 : 0); }

TickAudio Audio{TickAudioOutput{WebTickCount, Play, Pause}};

}  // namespace

bool AudioOpen(AudioFormat* format) { return Audio.Open(format); }

bool AudioStart(AudioSource source, void* context) { return Audio.Start(source, context); }

void AudioClose() { Audio.Close(); }

void AudioPause(bool paused) { Audio.Pause(paused); }

void AudioCatchUp() { Audio.CatchUp(); }

void AudioNote(AudioEvent event, int number) { Audio.Note(event, number); }

std::vector<int> AudioTakePlayed() { return Audio.TakePlayed(); }

std::vector<int> AudioLooping() { return Audio.Looping(); }

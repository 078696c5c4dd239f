// The SDL audio device: opens the default output and lets SDL's audio thread pull the mix.
#include <SDL.h>

#include <cstring>

#include "platform/audio.h"

namespace {

// The effects are 22050 Hz mono; asking for exactly that (no changes allowed) makes SDL convert it
// to whatever the hardware wants. 512 frames
// (23 ms) keeps a sound's start close to the frame that asked for it.
constexpr int RATE = 22050;
constexpr int CHANNELS = 1;
constexpr int BUFFER_FRAMES = 512;

struct SdlAudio {
    SDL_AudioDeviceID device = 0;
    AudioSource source = nullptr;
    void* context = nullptr;
};

SdlAudio Audio;

void Pull(void*, Uint8* stream, int length) {
    Audio.source(Audio.context, reinterpret_cast<std::int16_t*>(stream),
                 length / static_cast<int>(sizeof(std::int16_t) * CHANNELS));
}

// The dummy driver plays into nothing; the game treats it as no device at all.
bool IsDummyDriver() {
    const char* driver = SDL_GetCurrentAudioDriver();
    return !driver || std::strcmp(driver, "dummy") == 0;
}

}  // namespace

bool AudioOpen(AudioFormat* format) {
    if (Audio.device) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    if (IsDummyDriver()) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }

    SDL_AudioSpec wanted{};
    wanted.freq = RATE;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = CHANNELS;
    wanted.samples = BUFFER_FRAMES;
    wanted.callback = Pull;
    Audio.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (!Audio.device) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    *format = AudioFormat{RATE, CHANNELS};
    return true;
}

bool AudioStart(AudioSource source, void* context) {
    if (!Audio.device) return false;
    SDL_LockAudioDevice(Audio.device);
    Audio.source = source;
    Audio.context = context;
    SDL_UnlockAudioDevice(Audio.device);
    SDL_PauseAudioDevice(Audio.device, 0);
    return true;
}

void AudioClose() {
    if (!Audio.device) return;
    SDL_CloseAudioDevice(Audio.device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    Audio = SdlAudio{};
}

void AudioCatchUp() {}

void AudioNote(AudioEvent, int) {}

// The SDL audio device: opens the default output, lets SDL's audio thread pull the mix, pauses it
// while the game is in the background, and finds a device again when its own goes away.
#include "platform/sdl/sdl_audio.h"

#include <SDL.h>

#ifdef __linux__
#include <dlfcn.h>
#endif

#include <cstring>

#include "platform/audio.h"
#include "platform/common/audio_recovery.h"
#include "platform/sdl/sdl_platform.h"

namespace {

// The effects are 22050 Hz mono; asking for exactly that (no changes allowed) makes SDL convert it
// to whatever the hardware wants, so a device opened again later takes the same samples. 512
// frames (23 ms) keeps a sound's start close to the frame that asked for it.
constexpr int RATE = 22050;
constexpr int CHANNELS = 1;

// False when the player asked for a run without sound (--nosound): no device is opened.
bool SoundWanted = true;
constexpr int BUFFER_FRAMES = 512;

// The device's state from AudioOpen to AudioClose. `device` is 0 while the device is gone; the
// source stays, so a device opened again pulls the same mixer.
struct SdlAudio {
    bool open = false;
    SDL_AudioDeviceID device = 0;
    AudioSource source = nullptr;
    void* context = nullptr;
    AudioRecovery recovery;
};

SdlAudio Audio;
// Whether the application wants silence; outlives any one device.
bool Paused = false;

void Pull(void*, Uint8* stream, int length) {
    Audio.source(Audio.context, reinterpret_cast<std::int16_t*>(stream),
                 length / static_cast<int>(sizeof(std::int16_t) * CHANNELS));
}

// The dummy driver plays into nothing; the game treats it as no device at all.
bool IsDummyDriver() {
    const char* driver = SDL_GetCurrentAudioDriver();
    return !driver || std::strcmp(driver, "dummy") == 0;
}

// The default output device in the game's one format, opened paused; 0 when it cannot be opened.
SDL_AudioDeviceID OpenDefaultDevice() {
    SDL_AudioSpec wanted{};
    wanted.freq = RATE;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = CHANNELS;
    wanted.samples = BUFFER_FRAMES;
    wanted.callback = Pull;
    return SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
}

#ifdef __linux__
// ALSA writes each of its failures to standard error itself (a machine without a sound card gets a
// dozen lines as SDL looks for one) through a handler a program may replace: the game's own handler
// says nothing, and the game says once in its trace that it runs silent. The library SDL loads is
// the one opened here, which stays open, so the handler holds; without ALSA there is nothing to do.
void QuietAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (alsa == nullptr) return;
    auto setHandler = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler != nullptr) setHandler(&QuietAlsaError);
}
#else
void QuietAlsa() {}
#endif

// Plays the open device unless the application wants silence or nothing is started yet.
void ApplyPause() {
    if (Audio.device && Audio.source) SDL_PauseAudioDevice(Audio.device, Paused ? 1 : 0);
}

}  // namespace

SdlAudioChange SdlAudioClassify(const SdlAudioDeviceNews& news, std::uint32_t ours) {
    if (news.capture) return SdlAudioChange::None;
    if (news.added) return SdlAudioChange::OutputAdded;
    return ours != 0 && news.which == ours ? SdlAudioChange::OursRemoved : SdlAudioChange::None;
}

void SdlAudioDeviceEvent(const SdlAudioDeviceNews& news) {
    if (!Audio.open) return;
    switch (SdlAudioClassify(news, Audio.device)) {
        case SdlAudioChange::OursRemoved:
            // Closing waits for the audio thread, which SDL keeps pulling at the device's pace
            // after a removal; from here on nothing pulls the mixer, and its voices wait.
            SDL_CloseAudioDevice(Audio.device);
            Audio.device = 0;
            Audio.recovery.DeviceLost(SDL_GetTicks());
            break;
        case SdlAudioChange::OutputAdded:
            Audio.recovery.DeviceAnnounced();
            break;
        case SdlAudioChange::None:
            break;
    }
}

void SdlAudioPoll() {
    if (!Audio.open || !Audio.recovery.Lost() || !Audio.recovery.TryNow(SDL_GetTicks())) return;
    Audio.device = OpenDefaultDevice();
    if (!Audio.device) return;
    Audio.recovery.DeviceBack();
    ApplyPause();
}

void SdlStartWithoutSound() { SoundWanted = false; }

bool AudioOpen(AudioFormat* format) {
    if (Audio.open || !SoundWanted) return false;
    QuietAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    if (IsDummyDriver()) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Audio.device = OpenDefaultDevice();
    if (!Audio.device) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Audio.open = true;
    *format = AudioFormat{RATE, CHANNELS};
    return true;
}

bool AudioStart(AudioSource source, void* context) {
    if (!Audio.open) return false;
    if (Audio.device) SDL_LockAudioDevice(Audio.device);
    Audio.source = source;
    Audio.context = context;
    if (Audio.device) SDL_UnlockAudioDevice(Audio.device);
    ApplyPause();
    return true;
}

void AudioClose() {
    if (!Audio.open) return;
    if (Audio.device) SDL_CloseAudioDevice(Audio.device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    Audio = SdlAudio{};
}

void AudioPause(bool paused) {
    Paused = paused;
    ApplyPause();
}

std::uint32_t SdlAudioDeviceId() { return Audio.device; }

void AudioCatchUp() {}

// The desktop game keeps no record of its sounds: nothing reads a state snapshot there.
void AudioNote(AudioEvent, int) {}

std::vector<int> AudioTakePlayed() { return {}; }

std::vector<int> AudioLooping() { return {}; }

// Sound effects by number: set-up and release of the device and the eighteen effects, and playing,
// looping and stopping them.
#include "sound/sound.h"

#include <algorithm>

#include "diag/diag.h"
#include "platform/audio.h"
#include "sound/sound_effect.h"

namespace {

// Where each effect comes from and how many of it may sound at once, in the order they load.
struct SoundSlot {
    int number;
    int resource;
    int buffers;
};

constexpr SoundSlot LOAD_ORDER[SOUND_COUNT] = {
    {3, 155, 4},  {4, 156, 4},  {5, 157, 4},   {6, 158, 4},  {7, 159, 4},  {0, 189, 2},
    {1, 190, 2},  {2, 191, 2},  {9, 160, 2},   {8, 161, 2},  {10, 162, 2}, {11, 163, 6},
    {12, 167, 1}, {13, 165, 2}, {14, 166, 10}, {15, 192, 2}, {16, 174, 2}, {17, 193, 1},
};

// The line the trace shows for each load.
constexpr int LOAD_TRACE_LINE = 76;

SoundEffect* EffectOf(int number) {
    if (number < 0 || number >= SOUND_COUNT) return nullptr;
    return SoundTable.slots[number];
}

void FreeEffects() {
    for (SoundEffect*& slot : SoundTable.slots) {
        if (slot) FreeSoundEffect(slot);
        slot = nullptr;
    }
}

void CloseDevice() {
    if (!SoundTable.device) return;
    AudioClose();
    SoundTable.device.reset();
}

// Plays the effect once or looping (flags SOUND_LOOPING); the outcome is not reported.
void play(int number, unsigned flags) {
    DIAG_SCOPE("Sound");
    SoundEffect* effect = EffectOf(number);
    if (!effect) return;
    AudioCatchUp();
    if (StartSoundEffect(effect, flags) != SOUND_STARTED) return;
    AudioNote((flags & SOUND_LOOPING) ? AudioEvent::Loop : AudioEvent::Start, number);
}

}  // namespace

void SoundInit(HWND) {
    DIAG_SCOPE("Sound");
    if (SoundTable.device) return;

    // The device, and the mixer that feeds it from now on.
    AudioFormat format;
    if (!AudioOpen(&format)) {
        DiagTrace(DIAG_HIGH, "Sound", __LINE__, "SoundInit", "No sound device: the game runs silent");
        return;
    }
    SoundTable.device = std::make_unique<Mixer>(format);
    SoundSetVolume(SoundTable.volume);
    if (!AudioStart(&Mixer::RenderSource, SoundTable.device.get())) {
        DiagTrace(DIAG_HIGH, "Sound", __LINE__, "SoundInit",
                  "The sound device would not start: the game runs silent");
        return;
    }

    // Every effect in turn; one that fails to load leaves its slot empty.
    for (const SoundSlot& slot : LOAD_ORDER) {
        DiagScope scope("SoundInit", "Sound", LOAD_TRACE_LINE);
        int error = SOUND_LOADED;
        SoundTable.slots[slot.number] =
            LoadSoundEffect(*SoundTable.device, slot.resource, slot.buffers, &error);
    }
    SoundTable.ready = true;
}

void SoundFinalize() {
    DIAG_SCOPE("Sound");
    if (SoundTable.ready) FreeEffects();
    CloseDevice();
}

void SoundPlay(int number) {
    DIAG_SCOPE("Sound");
    play(number, 0);
}

void SoundLoop(int number) {
    DIAG_SCOPE("Sound");
    play(number, SOUND_LOOPING);
}

void SoundStop(int number) {
    DIAG_SCOPE("Sound");
    SoundEffect* effect = EffectOf(number);
    if (!effect) return;
    AudioCatchUp();
    HaltSoundEffect(effect);
    AudioNote(AudioEvent::Stop, number);
}

void SoundPause(bool paused) { AudioPause(paused); }

void SoundSetVolume(int percent) {
    SoundTable.volume = std::clamp(percent, 0, 100);
    if (SoundTable.device) SoundTable.device->SetScale(static_cast<float>(SoundTable.volume) / 100.0f);
}

void SoundResetForTests() {
    FreeEffects();
    CloseDevice();
    SoundTable.ready = false;
    SoundTable.volume = 100;
}

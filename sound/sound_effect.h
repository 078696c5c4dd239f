// Sound effects inside: the sound table, an effect's pool of buffers, and loading an effect from
// its WAVE resource. sound.h is the interface for the rest of the game; this one is for sound.cpp
// and the tests.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/win.h"
#include "sound/mixer.h"

constexpr int SOUND_COUNT = 18;

// Error codes of LoadSoundEffect and LockWaveResource.
enum : int {
    SOUND_LOADED = 0,
    SOUND_NO_MEMORY = 2,
    SOUND_DUPLICATE_FAILED = 3,
    SOUND_NO_RESOURCE = 10,
    SOUND_RESOURCE_NOT_LOADED = 11,
    SOUND_RESOURCE_NOT_LOCKED = 12,
    SOUND_NOT_A_WAVE = 13,
};

// Results of StartSoundEffect.
enum : int {
    SOUND_STARTED = 0,
    SOUND_NO_EFFECT = 1,
    SOUND_PLAY_FAILED = 2,
    SOUND_NO_IDLE_BUFFER = 3,
    SOUND_CANNOT_LOOP = 4,
};

// Flags of StartSoundEffect.
constexpr unsigned SOUND_LOOPING = 1;

// One effect: the wave's samples (inside the resource, not owned) and its pool of buffers, of
// which `current` was used last. The first buffer is made from the resource and the others are
// duplicates of it. A one-buffer effect may hold a null buffer when its wave could not be played.
struct SoundEffect {
    const std::uint8_t* samples = nullptr;
    std::uint32_t sampleBytes = 0;
    std::int32_t bufferCount = 0;
    std::int32_t current = 0;
    std::unique_ptr<Voice*[]> buffers;
};

// The process-wide sound state: one slot per sound number (null when the effect is absent), the
// mixer that stands for the device (null until SoundInit opens one), and whether every effect
// has been through loading.
struct SoundState {
    SoundEffect* slots[SOUND_COUNT] = {};
    std::unique_ptr<Mixer> device;
    bool ready = false;
    int volume = 100;  // SoundSetVolume's, kept for a device opened later
};
extern SoundState SoundTable;

// Loads the effect of WAVE resource `id` with `bufferCount` buffers (at least one). Null, with the
// reason in `error`, when the resource is missing or malformed, memory runs out, or a buffer can be
// made neither as a duplicate nor from the resource. `error` is SOUND_DUPLICATE_FAILED when a
// duplicate failed but a buffer made from the resource took its place.
SoundEffect* LoadSoundEffect(Mixer& device, int id, int bufferCount, int* error);
// Releases every buffer and frees the effect.
void FreeSoundEffect(SoundEffect* effect);

// The buffer to play next, or null: the last one used when it is idle, else the next one in turn,
// cut off if it is still playing. A playing one-buffer effect has none. A lost buffer is restored
// and refilled first.
Voice* PickIdleBuffer(SoundEffect* effect);
// Plays the effect on the buffer PickIdleBuffer gives; flags SOUND_LOOPING or 0. Returns one of
// the SOUND_STARTED ... SOUND_CANNOT_LOOP codes; looping is only for one-buffer effects.
int StartSoundEffect(SoundEffect* effect, unsigned flags);
// Stops every buffer of the effect and rewinds it.
void HaltSoundEffect(SoundEffect* effect);

// A buffer made from WAVE resource `id` and filled with its samples, or null.
Voice* MakeSoundBuffer(Mixer& device, int id);
// Fills the buffer with the samples; false for a null argument or a buffer that takes none.
bool CopyWaveIntoBuffer(Voice* buffer, const std::uint8_t* samples, std::uint32_t bytes);
// Finds WAVE resource `id` of the module and its chunks. False with `error` SOUND_NO_RESOURCE,
// SOUND_RESOURCE_NOT_LOADED, SOUND_RESOURCE_NOT_LOCKED or SOUND_NOT_A_WAVE.
bool LockWaveResource(HINSTANCE module, int id, std::span<const std::uint8_t>* format,
                      const std::uint8_t** samples, std::uint32_t* bytes, int* error);

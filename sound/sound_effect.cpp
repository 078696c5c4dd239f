// One sound effect: loading it from its WAVE resource into a pool of buffers, choosing the buffer
// to play in turn, starting and halting it.
#include "sound/sound_effect.h"

#include <algorithm>
#include <new>

#include "diag/diag.h"
#include "platform/resource.h"

SoundState SoundTable;

bool LockWaveResource(HINSTANCE module, int id, std::span<const std::uint8_t>* format,
                      const std::uint8_t** samples, std::uint32_t* bytes, int* error) {
    DIAG_SCOPE("Sound");
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_WAVE);
    if (!found) {
        *error = SOUND_NO_RESOURCE;
        return false;
    }
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) {
        *error = SOUND_RESOURCE_NOT_LOADED;
        return false;
    }
    const auto* image = static_cast<const std::uint8_t*>(LockResource(loaded));
    if (!image) {
        *error = SOUND_RESOURCE_NOT_LOCKED;
        return false;
    }
    if (!FindWaveChunks({image, SizeofResource(module, found)}, format, samples, bytes)) {
        *error = SOUND_NOT_A_WAVE;
        return false;
    }
    return true;
}

bool CopyWaveIntoBuffer(Voice* buffer, const std::uint8_t* samples, std::uint32_t bytes) {
    DIAG_SCOPE("Sound");
    if (!buffer || !samples || bytes == 0) return false;
    return buffer->Write({samples, bytes});
}

Voice* MakeSoundBuffer(Mixer& device, int id) {
    DIAG_SCOPE("Sound");
    std::span<const std::uint8_t> format;
    const std::uint8_t* samples = nullptr;
    std::uint32_t bytes = 0;
    int error = SOUND_LOADED;
    if (!LockWaveResource(PlatformModuleHandle(), id, &format, &samples, &bytes, &error)) return nullptr;
    Voice* buffer = device.CreateVoice(format, bytes);
    if (!buffer) return nullptr;
    if (!CopyWaveIntoBuffer(buffer, samples, bytes)) {
        buffer->Release();
        return nullptr;
    }
    return buffer;
}

void FreeSoundEffect(SoundEffect* effect) {
    DIAG_SCOPE("Sound");
    for (std::int32_t i = 0; i < effect->bufferCount; ++i)
        if (effect->buffers[i]) effect->buffers[i]->Release();
    delete effect;
}

SoundEffect* LoadSoundEffect(Mixer& device, int id, int bufferCount, int* error) {
    DIAG_SCOPE("Sound");
    *error = SOUND_LOADED;
    std::span<const std::uint8_t> format;
    const std::uint8_t* samples = nullptr;
    std::uint32_t bytes = 0;
    if (!LockWaveResource(PlatformModuleHandle(), id, &format, &samples, &bytes, error)) return nullptr;

    // The effect and its pool; running out of memory here is reported, not thrown.
    const std::int32_t count = std::max(bufferCount, 1);
    auto* effect = new (std::nothrow) SoundEffect;
    if (effect) effect->buffers.reset(new (std::nothrow) Voice*[count]());
    if (!effect || !effect->buffers) {
        delete effect;
        *error = SOUND_NO_MEMORY;
        return nullptr;
    }
    effect->samples = samples;
    effect->sampleBytes = bytes;
    effect->bufferCount = count;

    // The first buffer comes from the resource and the rest share its samples; a duplicate that
    // fails is made from the resource instead, and if that fails too the effect is given up.
    effect->buffers[0] = MakeSoundBuffer(device, id);
    for (std::int32_t i = 1; i < count; ++i) {
        effect->buffers[i] = device.DuplicateVoice(effect->buffers[0]);
        if (effect->buffers[i]) continue;
        *error = SOUND_DUPLICATE_FAILED;
        effect->buffers[i] = MakeSoundBuffer(device, id);
        if (!effect->buffers[i]) {
            FreeSoundEffect(effect);
            return nullptr;
        }
    }
    return effect;
}

Voice* PickIdleBuffer(SoundEffect* effect) {
    DIAG_SCOPE("Sound");
    Voice* buffer = effect->buffers[effect->current];
    if (!buffer) return nullptr;
    unsigned status = buffer->Status();

    // A busy buffer hands over to the next in turn, which is cut off if it is busy too.
    if (status & VOICE_PLAYING) {
        if (effect->bufferCount == 1) return nullptr;
        effect->current = (effect->current + 1) % effect->bufferCount;
        buffer = effect->buffers[effect->current];
        status = buffer->Status();
        if (status & VOICE_PLAYING) {
            buffer->Stop();
            buffer->Rewind();
        }
    }

    // A buffer whose memory the device lost gets it back and its samples again.
    if (status & VOICE_LOST) {
        buffer->Restore();
        if (!CopyWaveIntoBuffer(buffer, effect->samples, effect->sampleBytes)) return nullptr;
    }
    return buffer;
}

int StartSoundEffect(SoundEffect* effect, unsigned flags) {
    DIAG_SCOPE("Sound");
    if (!effect) return SOUND_NO_EFFECT;
    if ((flags & SOUND_LOOPING) && effect->bufferCount != 1) return SOUND_CANNOT_LOOP;
    Voice* buffer = PickIdleBuffer(effect);
    if (!buffer) return SOUND_NO_IDLE_BUFFER;
    return buffer->Play((flags & SOUND_LOOPING) != 0) ? SOUND_STARTED : SOUND_PLAY_FAILED;
}

void HaltSoundEffect(SoundEffect* effect) {
    DIAG_SCOPE("Sound");
    for (std::int32_t i = 0; i < effect->bufferCount; ++i) {
        if (!effect->buffers[i]) continue;
        effect->buffers[i]->Stop();
        effect->buffers[i]->Rewind();
    }
}

// The portable mixer: sound buffers (voices) over shared converted samples, mixed into the device's
// format with a limiter, so that many effects at once stay pleasant and never wrap around.
//
// A voice behaves as the sound effects expect of a sound buffer: it is made for a wave format and
// a size in bytes, filled by Write (the samples are converted once to the device's format and
// shared with every duplicate), played once or looping, stopped (keeping its place) and rewound.
// A voice that plays to its end stops and goes back to its start; a looping one wraps around. If
// the device loses the voices' memory they report VOICE_LOST, refuse to play or be written until
// restored, and must then be written again.
//
// Threads: the game's thread makes and changes voices, the device's thread calls Render. One lock,
// held only while flags, positions or sample pointers change and while a block is mixed, guards
// everything the two share; conversion happens outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/audio.h"
#include "sound/wave.h"

// Status bits of a voice.
enum : unsigned { VOICE_PLAYING = 1, VOICE_LOST = 2, VOICE_LOOPING = 4 };

class Mixer;
struct SampleStore;

// One sound buffer. Made, duplicated and freed by its mixer; lives until Release.
class Voice {
public:
    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;

    // Converts up to the voice's size in bytes of wave samples into the shared samples; false when
    // the voice is lost or the bytes are more than it holds.
    bool Write(std::span<const std::uint8_t> samples);
    // Starts (or keeps) the voice playing from its place; false when the voice is lost.
    bool Play(bool looping);
    void Stop();
    void Rewind();
    unsigned Status() const;
    // Gives a lost voice its memory back (silent until written again).
    void Restore();
    // Stops the voice and frees it.
    void Release();

private:
    friend class Mixer;
    Voice(Mixer& mixer, std::shared_ptr<SampleStore> store) : mixer_(mixer), store_(std::move(store)) {}
    void Mix(std::int32_t* sum, int frames, int channels);

    Mixer& mixer_;
    std::shared_ptr<SampleStore> store_;
    std::size_t position_ = 0;
    bool playing_ = false;
    bool looping_ = false;
    bool lost_ = false;
};

class Mixer {
public:
    explicit Mixer(AudioFormat device);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    AudioFormat Format() const { return device_; }

    // A silent voice of `bytes` bytes of the wave format given by a "fmt " chunk, or null when the
    // device cannot play that format or size.
    Voice* CreateVoice(std::span<const std::uint8_t> formatChunk, std::uint32_t bytes);
    // A second voice on the same samples, stopped at its start; null for a null or lost original.
    Voice* DuplicateVoice(const Voice* original);
    // The device lost the memory of every voice (as a device reset does): all stop, go silent and
    // report VOICE_LOST until restored and written again. Tests use it to exercise that path.
    void LoseAll();

    // The player's volume: the limited mix is scaled by it, 0 (silent) to 1 (as mixed, the start).
    void SetScale(float scale);
    // Mixes the next `frames` frames of every playing voice into `out` (device format).
    void Render(std::int16_t* out, int frames);
    // Render in the shape of an AudioSource, with the mixer as the context.
    static void RenderSource(void* mixer, std::int16_t* out, int frames);

private:
    friend class Voice;
    Voice* Adopt(std::unique_ptr<Voice> voice);
    void ReleaseVoice(Voice* voice);
    void MixBlock(std::int16_t* out, int frames);
    void Limit(std::int16_t* out, int frames);

    AudioFormat device_;
    mutable std::mutex lock_;
    std::vector<std::unique_ptr<Voice>> voices_;
    std::vector<std::int32_t> sum_;
    float envelope_ = 0;
    float release_ = 0;
    float scale_ = 1;
};

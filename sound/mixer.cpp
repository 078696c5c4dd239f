// The portable mixer: voices over shared samples, summed and limited into the device's format.
#include "sound/mixer.h"

#include <algorithm>
#include <cmath>

// The samples a voice and its duplicates share: the wave format and size the voice was made for,
// and the converted samples (empty while the device has lost them).
struct SampleStore {
    WaveFormat format;
    std::uint32_t bytes = 0;
    std::size_t length = 0;
    std::vector<std::int16_t> samples;
};

namespace {

// Mixing goes in blocks of this many frames, so the sum needs no allocation on the device thread.
constexpr int BLOCK_FRAMES = 256;

// The limiter keeps the mix below this level: it follows the peaks of the sum at once and lets go
// of them over RELEASE_SECONDS, scaling the sum down whenever the followed peak is higher. A single
// effect (made to peak lower) passes untouched; ten at once are held at about this level instead
// of being squared off at full scale.
constexpr float LIMIT = 0.85f * 32767.0f;
constexpr float RELEASE_SECONDS = 0.15f;

}  // namespace

// Adds the voice's next frames to `sum` and moves it on; a voice that reaches its end wraps
// around when looping and otherwise stops at its start. Called with the mixer locked.
void Voice::Mix(std::int32_t* sum, int frames, int channels) {
    const std::vector<std::int16_t>& samples = store_->samples;
    const std::size_t total = samples.size() / channels;
    int done = 0;
    while (done < frames && playing_) {
        if (position_ < total) {
            const std::size_t take = std::min<std::size_t>(frames - done, total - position_);
            const std::int16_t* from = samples.data() + position_ * channels;
            std::int32_t* to = sum + static_cast<std::size_t>(done) * channels;
            for (std::size_t i = 0; i < take * channels; ++i) to[i] += from[i];
            done += static_cast<int>(take);
            position_ += take;
        }
        if (position_ >= total) {
            position_ = 0;
            playing_ = looping_ && total > 0;
        }
    }
}

bool Voice::Write(std::span<const std::uint8_t> samples) {
    {
        std::lock_guard guard(mixer_.lock_);
        if (lost_ || samples.size() > store_->bytes) return false;
    }

    // Convert without the lock (the format and size never change), then swap the result in; the
    // old samples are freed after unlocking.
    std::vector<std::int16_t> converted = ConvertWave(store_->format, samples, mixer_.device_);
    converted.resize(store_->length);
    std::lock_guard guard(mixer_.lock_);
    if (lost_) return false;
    store_->samples.swap(converted);
    return true;
}

bool Voice::Play(bool looping) {
    std::lock_guard guard(mixer_.lock_);
    if (lost_) return false;
    playing_ = true;
    looping_ = looping;
    return true;
}

void Voice::Stop() {
    std::lock_guard guard(mixer_.lock_);
    playing_ = false;
}

void Voice::Rewind() {
    std::lock_guard guard(mixer_.lock_);
    position_ = 0;
}

unsigned Voice::Status() const {
    std::lock_guard guard(mixer_.lock_);
    unsigned status = 0;
    if (playing_) status |= VOICE_PLAYING;
    if (playing_ && looping_) status |= VOICE_LOOPING;
    if (lost_) status |= VOICE_LOST;
    return status;
}

void Voice::Restore() {
    std::lock_guard guard(mixer_.lock_);
    lost_ = false;
}

void Voice::Release() { mixer_.ReleaseVoice(this); }

Mixer::Mixer(AudioFormat device)
    : device_(device),
      sum_(static_cast<std::size_t>(BLOCK_FRAMES) * std::max(device.channels, 1)),
      release_(device.rate > 0 ? std::exp(-1.0f / (RELEASE_SECONDS * static_cast<float>(device.rate)))
                               : 0.0f) {}

Mixer::~Mixer() = default;

Voice* Mixer::CreateVoice(std::span<const std::uint8_t> formatChunk, std::uint32_t bytes) {
    const std::optional<WaveFormat> format = ReadWaveFormat(formatChunk);
    if (!format) return nullptr;
    const std::size_t length = ConvertedSampleCount(*format, bytes, device_);
    if (length == 0) return nullptr;

    auto store = std::make_shared<SampleStore>();
    store->format = *format;
    store->bytes = bytes;
    store->length = length;
    store->samples.assign(length, 0);
    return Adopt(std::unique_ptr<Voice>(new Voice(*this, std::move(store))));
}

Voice* Mixer::DuplicateVoice(const Voice* original) {
    if (!original) return nullptr;
    std::shared_ptr<SampleStore> store;
    {
        std::lock_guard guard(lock_);
        if (original->lost_) return nullptr;
        store = original->store_;
    }
    return Adopt(std::unique_ptr<Voice>(new Voice(*this, std::move(store))));
}

Voice* Mixer::Adopt(std::unique_ptr<Voice> voice) {
    Voice* adopted = voice.get();
    std::lock_guard guard(lock_);
    voices_.push_back(std::move(voice));
    return adopted;
}

void Mixer::ReleaseVoice(Voice* voice) {
    std::unique_ptr<Voice> released;
    std::lock_guard guard(lock_);
    const auto found = std::find_if(voices_.begin(), voices_.end(),
                                    [voice](const std::unique_ptr<Voice>& v) { return v.get() == voice; });
    if (found == voices_.end()) return;
    released = std::move(*found);
    voices_.erase(found);
}

void Mixer::LoseAll() {
    std::lock_guard guard(lock_);
    for (const std::unique_ptr<Voice>& voice : voices_) {
        voice->playing_ = false;
        voice->lost_ = true;
        voice->store_->samples.clear();
    }
}

void Mixer::SetScale(float scale) {
    std::lock_guard guard(lock_);
    scale_ = std::clamp(scale, 0.0f, 1.0f);
}

void Mixer::Render(std::int16_t* out, int frames) {
    std::lock_guard guard(lock_);
    while (frames > 0) {
        const int block = std::min(frames, BLOCK_FRAMES);
        MixBlock(out, block);
        out += static_cast<std::size_t>(block) * device_.channels;
        frames -= block;
    }
}

void Mixer::RenderSource(void* mixer, std::int16_t* out, int frames) {
    static_cast<Mixer*>(mixer)->Render(out, frames);
}

void Mixer::MixBlock(std::int16_t* out, int frames) {
    std::fill(sum_.begin(), sum_.end(), 0);
    for (const std::unique_ptr<Voice>& voice : voices_)
        if (voice->playing_) voice->Mix(sum_.data(), frames, device_.channels);
    Limit(out, frames);
}

void Mixer::Limit(std::int16_t* out, int frames) {
    const int channels = device_.channels;
    for (int f = 0; f < frames; ++f) {
        const std::int32_t* frame = sum_.data() + static_cast<std::size_t>(f) * channels;
        std::int32_t peak = 0;
        for (int c = 0; c < channels; ++c) peak = std::max(peak, std::abs(frame[c]));
        envelope_ = std::max(static_cast<float>(peak), envelope_ * release_);
        const float gain = (envelope_ > LIMIT ? LIMIT / envelope_ : 1.0f) * scale_;
        for (int c = 0; c < channels; ++c) {
            const long value = std::lround(static_cast<float>(frame[c]) * gain);
            out[static_cast<std::size_t>(f) * channels + c] =
                static_cast<std::int16_t>(std::clamp(value, -32768L, 32767L));
        }
    }
}

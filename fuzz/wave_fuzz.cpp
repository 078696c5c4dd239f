// libFuzzer target: arbitrary bytes taken as a WAVE resource, through the chunk walk, the format
// check, the conversion to several device formats and a short mix of the result.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sound/mixer.h"
#include "sound/wave.h"

namespace {

constexpr AudioFormat DEVICES[] = {{22050, 1}, {44100, 2}, {8000, 1}};

// The walk must hand back chunks inside the image, whatever the image claims.
void CheckInside(std::span<const std::uint8_t> image, std::span<const std::uint8_t> format,
                 const std::uint8_t* samples, std::uint32_t bytes) {
    const std::uint8_t* begin = image.data();
    const std::uint8_t* end = begin + image.size();
    if (format.data() < begin || format.data() + format.size() > end) std::abort();
    if (samples < begin || bytes > static_cast<std::size_t>(end - samples)) std::abort();
}

void Convert(const WaveFormat& wave, std::span<const std::uint8_t> samples) {
    for (const AudioFormat& device : DEVICES) {
        const std::vector<std::int16_t> out = ConvertWave(wave, samples, device);
        if (out.size() != ConvertedSampleCount(wave, static_cast<std::uint32_t>(samples.size()), device))
            std::abort();
    }
}

// The same samples as the game uses them: one voice and a duplicate, looping through a few blocks.
void Mix(std::span<const std::uint8_t> format, std::span<const std::uint8_t> samples) {
    Mixer mixer(DEVICES[1]);
    Voice* voice = mixer.CreateVoice(format, static_cast<std::uint32_t>(samples.size()));
    if (!voice || !voice->Write(samples)) return;
    voice->Play(true);
    if (Voice* second = mixer.DuplicateVoice(voice)) second->Play(false);
    std::vector<std::int16_t> out(2 * 600);
    mixer.Render(out.data(), 600);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> image(data, size);
    std::span<const std::uint8_t> format;
    const std::uint8_t* samples = nullptr;
    std::uint32_t bytes = 0;
    if (!FindWaveChunks(image, &format, &samples, &bytes)) return 0;
    CheckInside(image, format, samples, bytes);
    const std::optional<WaveFormat> wave = ReadWaveFormat(format);
    if (!wave) return 0;
    Convert(*wave, {samples, bytes});
    Mix(format, {samples, bytes});
    return 0;
}

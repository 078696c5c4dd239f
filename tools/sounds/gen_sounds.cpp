// Build-time tool: synthesises the game's eighteen sound effects and writes each as a RIFF WAVE
// file (PCM, mono, 16-bit, 22050 Hz), with a line per effect giving its length and peak.
//
// Usage: gen_sounds OUTPUT-DIR   (writes wave_<id>.wav for every resource id)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "effects.h"

namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

void PutId(std::vector<std::uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(id[i]));
}

// A RIFF WAVE image: the header, a 16-byte "fmt " chunk and the "data" chunk.
std::vector<std::uint8_t> WaveImage(const std::vector<std::int16_t>& samples) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    PutId(out, "RIFF");
    PutU32(out, 4 + 8 + 16 + 8 + dataBytes);
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    PutU32(out, 16);
    PutU16(out, 1);
    PutU16(out, 1);
    PutU32(out, SYNTH_RATE);
    PutU32(out, SYNTH_RATE * 2);
    PutU16(out, 2);
    PutU16(out, 16);
    PutId(out, "data");
    PutU32(out, dataBytes);
    for (std::int16_t s : samples) PutU16(out, static_cast<std::uint16_t>(s));
    return out;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

double PeakDb(const std::vector<std::int16_t>& samples) {
    int peak = 1;
    for (std::int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return 20.0 * std::log10(peak / 32767.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_sounds OUTPUT-DIR\n");
        return 2;
    }
    for (const EffectRecipe& recipe : EffectRecipes()) {
        const std::vector<std::int16_t> samples = ToPcm16(recipe.make());
        const std::string path = std::string(argv[1]) + "/wave_" + std::to_string(recipe.resource) + ".wav";
        if (!WriteFile(path, WaveImage(samples))) {
            std::fprintf(stderr, "gen_sounds: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%d %-15s %5d ms  peak %5.1f dB\n", recipe.resource, recipe.name,
                    static_cast<int>(samples.size() * 1000 / SYNTH_RATE), PeakDb(samples));
    }
    return 0;
}

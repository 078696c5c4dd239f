// Building blocks of the sound effect generator.
#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace {

constexpr float TWO_PI = 2.0f * std::numbers::pi_v<float>;

float Time(std::size_t i) { return static_cast<float>(i) / SYNTH_RATE; }

// One step of a state-variable filter in its trapezoidal form, stable at any cutoff and any
// speed of change; gives the low, band and high outputs.
struct Svf {
    float ic1 = 0;
    float ic2 = 0;

    void Step(float in, float cutoff, float resonance, float& low, float& band, float& high) {
        const float limited = std::clamp(cutoff, 10.0f, 0.45f * SYNTH_RATE);
        const float g = std::tan(std::numbers::pi_v<float> * limited / SYNTH_RATE);
        const float k = 1.0f / resonance;
        const float a1 = 1.0f / (1.0f + g * (g + k));
        const float a2 = g * a1;
        const float a3 = g * a2;
        const float v3 = in - ic2;
        band = a1 * ic1 + a2 * v3;
        low = ic2 + a2 * ic1 + a3 * v3;
        high = in - k * band - low;
        ic1 = 2.0f * band - ic1;
        ic2 = 2.0f * low - ic2;
    }
};

enum class Pass { Low, Band, High };

Signal Filter(const Signal& in, const Curve& cutoff, float resonance, Pass pass) {
    Signal out(in.size());
    Svf svf;
    for (std::size_t i = 0; i < in.size(); ++i) {
        float low = 0, band = 0, high = 0;
        svf.Step(in[i], cutoff(Time(i)), resonance, low, band, high);
        out[i] = pass == Pass::Low ? low : pass == Pass::Band ? band / resonance : high;
    }
    return out;
}

// A first-order high pass at a few hertz: takes out any offset without touching what is heard.
Signal BlockOffset(const Signal& in) {
    Signal out(in.size());
    const float r = std::exp(-TWO_PI * 12.0f / SYNTH_RATE);
    float previousIn = 0, previousOut = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        previousOut = in[i] - previousIn + r * previousOut;
        previousIn = in[i];
        out[i] = previousOut;
    }
    return out;
}

void ScalePeak(Signal& signal, float peakDb) {
    float peak = 0;
    for (float s : signal) peak = std::max(peak, std::abs(s));
    if (peak == 0) return;
    const float gain = std::pow(10.0f, peakDb / 20.0f) / peak;
    for (float& s : signal) s *= gain;
}

}  // namespace

int Samples(float seconds) { return static_cast<int>(std::lround(seconds * SYNTH_RATE)); }

float Noise::White() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(state_) / 2147483648.0f - 1.0f;
}

float Noise::Uniform(float low, float high) { return low + (high - low) * 0.5f * (White() + 1.0f); }

Curve Constant(float value) {
    return [value](float) { return value; };
}

Curve Glide(float from, float to, float seconds) {
    return [=](float t) { return from * std::pow(to / from, std::min(t / seconds, 1.0f)); };
}

Curve Strike(float attack, float decay) {
    return [=](float t) { return t < attack ? t / attack : std::exp(-(t - attack) / decay); };
}

Signal Sine(float seconds, const Curve& frequency, float phase) {
    Signal out(Samples(seconds));
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = std::sin(phase);
        phase = std::fmod(phase + TWO_PI * frequency(Time(i)) / SYNTH_RATE, TWO_PI);
    }
    return out;
}

Signal WhiteNoise(float seconds, Noise& noise) {
    Signal out(Samples(seconds));
    for (float& s : out) s = noise.White();
    return out;
}

Signal BrownNoise(float seconds, Noise& noise) {
    Signal out(Samples(seconds));
    float level = 0;
    for (float& s : out) {
        level = 0.995f * level + 0.06f * noise.White();
        s = level;
    }
    return out;
}

Signal LowPass(const Signal& in, const Curve& cutoff, float resonance) {
    return Filter(in, cutoff, resonance, Pass::Low);
}

Signal HighPass(const Signal& in, const Curve& cutoff, float resonance) {
    return Filter(in, cutoff, resonance, Pass::High);
}

Signal BandPass(const Signal& in, const Curve& centre, float resonance) {
    return Filter(in, centre, resonance, Pass::Band);
}

Signal Shape(const Signal& in, const Curve& gain) {
    Signal out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) out[i] = in[i] * gain(Time(i));
    return out;
}

void MixInto(Signal& into, const Signal& part, float gain, float offsetSeconds) {
    const std::size_t offset = Samples(offsetSeconds);
    if (into.size() < offset + part.size()) into.resize(offset + part.size(), 0.0f);
    for (std::size_t i = 0; i < part.size(); ++i) into[offset + i] += gain * part[i];
}

Signal Saturate(const Signal& in, float drive) {
    Signal out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) out[i] = std::tanh(drive * in[i]) / std::tanh(drive);
    return out;
}

Signal Ring(float seconds, const std::vector<Partial>& partials) {
    Signal out(Samples(seconds), 0.0f);
    for (const Partial& p : partials)
        MixInto(out, Shape(Sine(seconds, Constant(p.frequency)), Strike(0.001f, p.decay)), p.level);
    return out;
}

Signal Crackle(float seconds, int count, float from, float to, float centre, Noise& noise) {
    Signal out(Samples(seconds), 0.0f);
    for (int i = 0; i < count; ++i) {
        const float at = noise.Uniform(from, to);
        const float level = noise.Uniform(0.4f, 1.0f) * std::exp(-2.0f * (at - from) / (to - from));
        const float grainCentre = centre * noise.Uniform(0.7f, 1.4f);
        const Signal grain = Shape(WhiteNoise(0.012f, noise), Strike(0.0005f, 0.002f));
        MixInto(out, BandPass(grain, Constant(grainCentre), 1.5f), level, at);
    }
    out.resize(Samples(seconds));
    return out;
}

Signal Finish(Signal in, float peakDb, float fadeIn, float fadeOut) {
    Signal out = BlockOffset(in);
    const std::size_t rampIn = std::min<std::size_t>(Samples(fadeIn), out.size());
    const std::size_t rampOut = std::min<std::size_t>(Samples(fadeOut), out.size());
    for (std::size_t i = 0; i < rampIn; ++i) out[i] *= static_cast<float>(i) / rampIn;
    for (std::size_t i = 0; i < rampOut; ++i) out[out.size() - 1 - i] *= static_cast<float>(i) / rampOut;
    ScalePeak(out, peakDb);
    return out;
}

Signal FinishLoop(const Signal& in, float seconds, float overlap, float peakDb) {
    const Signal steady = BlockOffset(in);
    const std::size_t length = Samples(seconds);
    const std::size_t blend = Samples(overlap);
    if (steady.size() < length + 2 * blend) {
        std::fprintf(stderr, "gen_sounds: a loop needs %zu samples of input, not %zu\n", length + 2 * blend,
                     steady.size());
        std::exit(1);
    }

    // The loop is the stretch after the first `overlap` seconds; its first samples fade from the
    // signal that follows its end into its own, with equal power, so the seam is continuous.
    Signal out(length);
    for (std::size_t i = 0; i < length; ++i) {
        const float own = steady[blend + i];
        if (i >= blend) {
            out[i] = own;
            continue;
        }
        const float w = static_cast<float>(i) / blend;
        out[i] = std::sqrt(w) * own + std::sqrt(1.0f - w) * steady[blend + length + i];
    }

    // Take out what offset is left (a constant keeps the seam intact), then set the level.
    float mean = 0;
    for (float s : out) mean += s;
    mean /= static_cast<float>(length);
    for (float& s : out) s -= mean;
    ScalePeak(out, peakDb);
    return out;
}

std::vector<std::int16_t> ToPcm16(const Signal& in) {
    std::vector<std::int16_t> out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i)
        out[i] = static_cast<std::int16_t>(std::clamp(std::lround(in[i] * 32767.0f), -32767L, 32767L));
    return out;
}

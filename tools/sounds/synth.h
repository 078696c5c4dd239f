// Building blocks of the sound effect generator: oscillators, noise, filters, envelopes and the
// finishing steps, all on mono float signals at 22050 Hz in the range -1 to 1.
//
// Everything is deterministic: noise comes from a seeded generator of our own, so the same
// recipe always gives the same bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

constexpr int SYNTH_RATE = 22050;

using Signal = std::vector<float>;
// A value that changes over an effect, as a function of the time in seconds.
using Curve = std::function<float(float)>;

// Samples in `seconds`.
int Samples(float seconds);

// A small xorshift generator, so the output never depends on a library's random numbers.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1) {}
    float White();  // -1 to 1
    float Uniform(float low, float high);

private:
    std::uint32_t state_;
};

// Curves.
Curve Constant(float value);
// From `from` to `to` over `seconds`, exponentially (both must be above 0), then held.
Curve Glide(float from, float to, float seconds);
// A rise over `attack` seconds, then an exponential fall with time constant `decay`.
Curve Strike(float attack, float decay);

// Sources.
Signal Sine(float seconds, const Curve& frequency, float phase = 0);
Signal WhiteNoise(float seconds, Noise& noise);
// Noise with most of its energy low down (integrated white noise, kept from drifting).
Signal BrownNoise(float seconds, Noise& noise);

// Filters: two-pole, with a cutoff or centre (Hz) that may move; a band pass has unit gain at its
// centre.
Signal LowPass(const Signal& in, const Curve& cutoff, float resonance = 0.7f);
Signal HighPass(const Signal& in, const Curve& cutoff, float resonance = 0.7f);
Signal BandPass(const Signal& in, const Curve& centre, float resonance = 2.0f);

// Shaping and combining.
Signal Shape(const Signal& in, const Curve& gain);
// Adds `part` times `gain` into `into` from `offsetSeconds`, growing `into` as needed.
void MixInto(Signal& into, const Signal& part, float gain, float offsetSeconds = 0);
// Soft saturation: rounds off peaks without the edge of clipping.
Signal Saturate(const Signal& in, float drive);

// A decaying inharmonic tone: partials of frequency, level and decay time (seconds).
struct Partial {
    float frequency;
    float level;
    float decay;
};
Signal Ring(float seconds, const std::vector<Partial>& partials);

// Sparse crackle: `count` tiny bursts of band-passed noise around `centre` Hz, at random times
// between `from` and `to` seconds, each quieter the later it comes.
Signal Crackle(float seconds, int count, float from, float to, float centre, Noise& noise);

// Finishing: removes any offset, fades the first `fadeIn` and last `fadeOut` seconds, and scales
// the peak to `peakDb` decibels below full scale.
Signal Finish(Signal in, float peakDb, float fadeIn = 0.001f, float fadeOut = 0.01f);
// Finishing for a loop: the last `overlap` seconds of a longer signal are blended into its start,
// so the end runs on into the beginning without a step; the result is `seconds` long, taken after
// the first `overlap` seconds (which let the filters settle), and `in` must be at least seconds +
// 2 overlap long.
Signal FinishLoop(const Signal& in, float seconds, float overlap, float peakDb);

// 16-bit samples, rounded and clipped.
std::vector<std::int16_t> ToPcm16(const Signal& in);

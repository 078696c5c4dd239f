// The recipes of the game's eighteen sound effects.
//
// Each recipe layers a few building blocks: a falling sine for the body of a bang, filtered noise
// for its blast and hiss, decaying inharmonic partials for metal, sparse noise grains for crackle.
// Levels are set by the peak each effect is finished to: bangs near full scale, menu sounds well
// below, so that no effect startles and many at once leave room for the mixer. Every recipe seeds
// its own noise, so changing one leaves the others as they were.
#include "effects.h"

#include <cmath>
#include <numbers>

namespace {

// The thump of a launch or a blast: a sine falling from `from` to `to` Hz, struck and decaying.
Signal Thump(float seconds, float from, float to, float glide, float decay) {
    return Shape(Sine(seconds, Glide(from, to, glide)), Strike(0.002f, decay));
}

// A blast of noise whose brightness falls from `from` to `to` Hz as it decays.
Signal Blast(float seconds, Noise& noise, float from, float to, float decay) {
    return Shape(LowPass(WhiteNoise(seconds, noise), Glide(from, to, seconds * 0.7f)), Strike(0.002f, decay));
}

// Sound 0: a Shell leaves the barrel. A firm, short "thoomp" with a crack of air.
Signal ShellLaunch() {
    Noise noise(189);
    Signal out = Thump(0.45f, 150, 60, 0.08f, 0.08f);
    MixInto(out, Blast(0.45f, noise, 4000, 500, 0.07f), 1.6f, 0.003f);
    MixInto(out, Shape(BandPass(WhiteNoise(0.45f, noise), Constant(1300), 1.2f), Strike(0.01f, 0.12f)), 0.5f);
    return Finish(out, -3.0f);
}

// Sound 1: the lighter weapons go up. A soft pop and a rising whoosh.
Signal LightLaunch() {
    Noise noise(190);
    Signal out = Thump(0.55f, 130, 70, 0.06f, 0.05f);
    const Signal whoosh = BandPass(WhiteNoise(0.55f, noise), Glide(450, 2600, 0.4f), 2.5f);
    MixInto(out, Shape(whoosh, Strike(0.06f, 0.16f)), 2.2f);
    return Finish(out, -4.0f);
}

// Sound 2: an A-Bomb launches. A deep heavy thud and a rising, ominous whine.
Signal HeavyLaunch() {
    Noise noise(191);
    Signal out = Thump(0.95f, 95, 40, 0.15f, 0.18f);
    MixInto(out, Blast(0.95f, noise, 2400, 250, 0.25f), 1.8f, 0.003f);
    const Signal whine = Sine(0.95f, Glide(260, 880, 0.8f));
    MixInto(out, Shape(whine, [](float t) { return std::min(t / 0.25f, 1.0f) * std::exp(-t / 0.35f); }),
            0.3f);
    return Finish(out, -2.0f, 0.001f, 0.05f);
}

// Sound 3: the weapon changes, the shop cursor moves. A dry wooden "tock".
Signal MenuClick() {
    Signal out = Ring(0.06f, {{880, 0.8f, 0.012f}, {2150, 0.4f, 0.006f}, {3300, 0.15f, 0.004f}});
    return Finish(out, -9.0f, 0.0005f, 0.01f);
}

// Sound 4: something is confirmed. Two bright notes a fifth apart, rising.
Signal Confirm() {
    Signal out;
    for (const auto& [frequency, at] : {std::pair{660.0f, 0.0f}, std::pair{990.0f, 0.06f}}) {
        const Signal note = Ring(0.16f, {{frequency, 0.8f, 0.07f}, {2 * frequency, 0.2f, 0.04f}});
        MixInto(out, note, 1.0f, at);
    }
    return Finish(out, -7.0f, 0.001f, 0.02f);
}

// Sound 5: the power moves a step. A short round "bup" that rises a little.
Signal PowerTick() {
    Signal out = Shape(Sine(0.045f, Glide(480, 620, 0.03f)), Strike(0.002f, 0.012f));
    return Finish(out, -10.0f, 0.001f, 0.008f);
}

// Sound 6: the angle moves a step. A crisp high "tk", drier than the power's.
Signal AngleTick() {
    Noise noise(158);
    Signal out = Shape(Sine(0.035f, Constant(1500)), Strike(0.0005f, 0.005f));
    MixInto(out, Shape(BandPass(WhiteNoise(0.035f, noise), Constant(3200), 2.0f), Strike(0.0003f, 0.003f)),
            0.7f);
    return Finish(out, -11.0f, 0.0005f, 0.006f);
}

// Sound 7: never played, but present. A gentle falling "bloop".
Signal Bloop() {
    Signal out = Shape(Sine(0.25f, Glide(700, 340, 0.2f)), Strike(0.005f, 0.08f));
    return Finish(out, -8.0f);
}

// Sound 8: a Shell explodes. A punchy bang with a short tail.
Signal ShellBlast() {
    Noise noise(161);
    Signal out = Thump(0.9f, 120, 45, 0.1f, 0.12f);
    MixInto(out, Blast(0.9f, noise, 5000, 350, 0.2f), 2.2f, 0.002f);
    MixInto(out, Crackle(0.9f, 8, 0.01f, 0.25f, 2500, noise), 0.5f);
    return Finish(out, -2.0f, 0.001f, 0.05f);
}

// Sound 9: a tank bursts. A bang with the clang of torn metal and pieces raining down.
Signal TankBurst() {
    Noise noise(160);
    Signal out = Thump(1.3f, 105, 40, 0.12f, 0.15f);
    MixInto(out, Blast(1.3f, noise, 3500, 300, 0.3f), 2.0f, 0.002f);
    MixInto(out, Ring(1.3f, {{310, 0.5f, 0.35f}, {523, 0.4f, 0.5f}, {787, 0.35f, 0.3f}, {1141, 0.25f, 0.2f}}),
            0.45f, 0.005f);
    MixInto(out, Crackle(1.1f, 30, 0.15f, 1.0f, 1800, noise), 1.0f, 0.1f);
    return Finish(out, -2.0f, 0.001f, 0.08f);
}

// Sound 10: an A-Bomb explodes. A huge, deep blast rolling away into rumble.
Signal BigBlast() {
    Noise noise(162);
    Signal out = Thump(2.2f, 75, 30, 0.25f, 0.4f);
    MixInto(out, Blast(2.2f, noise, 3200, 160, 0.75f), 2.6f, 0.002f);
    const Signal rumble = LowPass(BrownNoise(2.2f, noise), Constant(300));
    MixInto(out, Shape(rumble, Strike(0.08f, 0.8f)), 2.0f);
    return Finish(Saturate(out, 1.5f), -1.5f, 0.001f, 0.3f);
}

// Sound 11: a projectile is lost off the side. A whistle falling away into the distance.
Signal LostWhistle() {
    Noise noise(163);
    const Curve pitch = Glide(1600, 450, 0.55f);
    Signal tone = Sine(0.6f, pitch);
    MixInto(tone, Sine(0.6f, [&pitch](float t) { return 3 * pitch(t); }), 0.12f);
    MixInto(tone, BandPass(WhiteNoise(0.6f, noise), pitch, 4.0f), 0.5f);
    const Signal out = Shape(tone, [](float t) { return std::min(t / 0.03f, 1.0f) * std::exp(-t / 0.22f); });
    return Finish(out, -8.0f, 0.001f, 0.05f);
}

// Sound 12: earth settles, a Lava shell lands, debris falls on the ground. A soft, dull thud.
Signal EarthThud() {
    Noise noise(167);
    Signal out = Thump(0.18f, 120, 75, 0.04f, 0.035f);
    MixInto(out, Blast(0.18f, noise, 1400, 250, 0.04f), 2.0f, 0.001f);
    return Finish(out, -6.0f, 0.001f, 0.02f);
}

// Sound 13: an Earth Mover explodes. A muffled crunch of earth and gravel.
Signal EarthBlast() {
    Noise noise(165);
    Signal out = Thump(0.8f, 90, 45, 0.1f, 0.1f);
    MixInto(out, Blast(0.8f, noise, 1500, 200, 0.22f), 2.2f, 0.002f);
    MixInto(out, LowPass(Crackle(0.8f, 60, 0.0f, 0.5f, 900, noise), Constant(1500)), 1.5f);
    return Finish(out, -3.0f, 0.001f, 0.05f);
}

// Sound 14: a Firework bursts. A sharp pop, then a shower of crackles and a fading sizzle. Ten may
// sound at once, so it sits lower than the big bangs.
Signal FireworkBurst() {
    Noise noise(166);
    Signal out = Shape(BandPass(WhiteNoise(0.85f, noise), Constant(1800), 0.8f), Strike(0.0005f, 0.012f));
    MixInto(out, Thump(0.85f, 220, 90, 0.03f, 0.03f), 0.5f);
    MixInto(out, Crackle(0.85f, 45, 0.05f, 0.75f, 3000, noise), 1.2f);
    MixInto(out, Shape(BandPass(WhiteNoise(0.85f, noise), Constant(3000), 0.8f), Strike(0.02f, 0.25f)),
            0.08f);
    return Finish(out, -6.0f, 0.0005f, 0.05f);
}

// Sound 15: a falling tank lands. A metallic clunk.
Signal TankLanding() {
    Noise noise(192);
    Signal out = Thump(0.35f, 150, 75, 0.05f, 0.04f);
    MixInto(out, Blast(0.35f, noise, 2000, 300, 0.03f), 1.4f, 0.001f);
    MixInto(out,
            Ring(0.35f, {{221, 0.5f, 0.12f}, {347, 0.45f, 0.09f}, {512, 0.4f, 0.07f}, {781, 0.25f, 0.05f}}),
            0.8f);
    return Finish(out, -4.0f, 0.001f, 0.03f);
}

// Sound 16: a piece of debris hits a tank. A bright metallic clink.
Signal DebrisClink() {
    Noise noise(174);
    Signal out =
        Ring(0.3f, {{1250, 0.6f, 0.09f}, {1983, 0.45f, 0.06f}, {2871, 0.3f, 0.04f}, {3712, 0.2f, 0.03f}});
    MixInto(out, Shape(BandPass(WhiteNoise(0.3f, noise), Constant(4000), 1.5f), Strike(0.0003f, 0.002f)),
            0.5f);
    return Finish(out, -7.0f, 0.0005f, 0.03f);
}

// Sound 17: lava flows, looped for as long as the stream runs. A low rolling rumble with slow
// swells, a thick gurgle and bubbles that blip and pop; the swells and the gurgle's wandering
// repeat a whole number of times a loop.
Signal LavaLoop() {
    constexpr float LOOP = 2.0f;
    constexpr float OVERLAP = 0.25f;
    constexpr float TOTAL = LOOP + 2 * OVERLAP;
    Noise noise(193);
    const Signal rumble = LowPass(BrownNoise(TOTAL, noise), Constant(450));
    Signal out = Shape(rumble, [](float t) {
        return 1.0f + 0.3f * std::sin(2 * std::numbers::pi_v<float> * t / (LOOP / 2));
    });
    const Signal gurgle = BandPass(
        WhiteNoise(TOTAL, noise),
        [](float t) { return 650.0f + 200.0f * std::sin(2 * std::numbers::pi_v<float> * t / (LOOP / 4)); },
        3.0f);
    MixInto(out, gurgle, 1.2f);
    for (int i = 0; i < 20; ++i) {
        const float at = noise.Uniform(0.0f, TOTAL - 0.2f);
        const float from = noise.Uniform(150, 260);
        const Signal bubble = Shape(Sine(0.2f, Glide(from, 2.6f * from, 0.06f)), Strike(0.006f, 0.025f));
        MixInto(out, bubble, noise.Uniform(0.2f, 0.4f), at);
    }
    out.resize(Samples(LOOP) + 2 * Samples(OVERLAP));
    return FinishLoop(out, LOOP, OVERLAP, -9.0f);
}

constexpr EffectRecipe RECIPES[] = {
    {189, "shell launch", ShellLaunch},
    {190, "light launch", LightLaunch},
    {191, "heavy launch", HeavyLaunch},
    {155, "menu click", MenuClick},
    {156, "confirm", Confirm},
    {157, "power tick", PowerTick},
    {158, "angle tick", AngleTick},
    {159, "bloop", Bloop},
    {161, "shell blast", ShellBlast},
    {160, "tank burst", TankBurst},
    {162, "big blast", BigBlast},
    {163, "lost whistle", LostWhistle},
    {167, "earth thud", EarthThud},
    {165, "earth blast", EarthBlast},
    {166, "firework burst", FireworkBurst},
    {192, "tank landing", TankLanding},
    {174, "debris clink", DebrisClink},
    {193, "lava loop", LavaLoop},
};

}  // namespace

std::span<const EffectRecipe> EffectRecipes() { return RECIPES; }

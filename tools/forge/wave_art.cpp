#include "tools/forge/wave_art.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vael::forge {

namespace {

constexpr double Rate = WaveRate;
constexpr double Tau = 2 * std::numbers::pi;

// xorshift: the forge's own noise, the same everywhere.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1) {}
    double white() { return next() / 2147483648.0 - 1.0; } // -1 .. 1
    double uniform() { return next() / 4294967296.0; }     // 0 .. 1
    double between(double a, double b) { return a + (b - a) * uniform(); }

private:
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    std::uint32_t state_;
};

// A two-pole band-pass of unit gain at its centre, whose centre may move from sample to sample.
class BandPass {
public:
    BandPass(double centre, double q) { tune(centre, q); }
    void tune(double centre, double q) {
        const double w = Tau * std::min(centre, Rate * 0.45) / Rate, alpha = std::sin(w) / (2 * q);
        const double a0 = 1 + alpha;
        b0_ = alpha / a0;
        a1_ = -2 * std::cos(w) / a0;
        a2_ = (1 - alpha) / a0;
    }
    double operator()(double x) {
        const double y = b0_ * x - b0_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_, x1_ = x, y2_ = y1_, y1_ = y;
        return y;
    }

private:
    double b0_ = 0, a1_ = 0, a2_ = 0, x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

class LowPass {
public:
    explicit LowPass(double cutoff) : k_(1 - std::exp(-Tau * cutoff / Rate)) {}
    double operator()(double x) { return y_ += k_ * (x - y_); }

private:
    double k_, y_ = 0;
};

using Track = std::vector<double>;

Track track(double seconds) {
    return Track(std::size_t(seconds * Rate), 0.0);
}

// Adds a sound at time `at`; in a loop what runs past the end comes round to the start, so the loop has
// no seam.
void mix(Track& into, const Track& sound, double at, double gain, bool wrap) {
    const std::size_t start = std::size_t(at * Rate);
    for (std::size_t i = 0; i < sound.size(); ++i) {
        std::size_t j = start + i;
        if (j >= into.size()) {
            if (!wrap) break;
            j %= into.size();
        }
        into[j] += gain * sound[i];
    }
}

double decay(double t, double time) {
    return std::exp(-t / time);
}

// A plucked string (Karplus-Strong): a burst of noise circulating in a delay line a period long.
Track pluck(double frequency, double seconds, double damping, Noise& noise) {
    Track out = track(seconds);
    std::vector<double> line(std::size_t(Rate / frequency));
    for (double& s : line)
        s = noise.white();
    std::size_t at = 0;
    for (double& s : out) {
        const std::size_t next = (at + 1) % line.size();
        s = line[at];
        line[at] = damping * 0.5 * (line[at] + line[next]);
        at = next;
    }
    return out;
}

// Noise through a band-pass, shaped by a decay.
Track burst(double centre, double q, double seconds, double decayTime, Noise& noise) {
    Track out = track(seconds);
    BandPass filter(centre, q);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = filter(noise.white()) * decay(i / Rate, decayTime);
    return out;
}

// A tone whose pitch falls from `from` to `to`, shaped by a decay: the body of a thud.
Track thump(double from, double to, double seconds, double decayTime) {
    Track out = track(seconds);
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = i / Rate;
        phase += Tau * (to + (from - to) * decay(t, seconds / 4)) / Rate;
        out[i] = std::sin(phase) * decay(t, decayTime);
    }
    return out;
}

// Struck metal: partials that are not harmonics of one another, the higher ones dying sooner.
Track clang(double frequency, double seconds) {
    Track out = track(seconds);
    const double ratios[] = {1.0, 2.76, 5.40, 8.93}, gains[] = {1.0, 0.6, 0.4, 0.25};
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = i / Rate;
        for (int p = 0; p < 4; ++p)
            out[i] += gains[p] * std::sin(Tau * frequency * ratios[p] * t) * decay(t, seconds / (2 + 2 * p));
    }
    return out;
}

// A voice-like tone: a sawtooth through two formants, with its pitch following a contour and a vibrato.
template <typename Pitch>
Track voice(double seconds, Pitch pitch, double formant1, double formant2, double vibratoRate,
            double vibratoDepth, double attack, double release, double rough, Noise& noise) {
    Track out = track(seconds);
    BandPass f1(formant1, 4), f2(formant2, 6);
    LowPass grit(40);
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = i / Rate, u = t / seconds;
        const double f = pitch(u) * (1 + vibratoDepth * std::sin(Tau * vibratoRate * t)) *
                         (1 + rough * grit(noise.white()));
        phase += f / Rate;
        phase -= std::floor(phase);
        const double saw = 2 * phase - 1;
        const double envelope = std::min({1.0, t / attack, (seconds - t) / release});
        out[i] = (f1(saw) * 1.0 + f2(saw) * 0.7 + 0.15 * saw) * envelope;
    }
    return out;
}

// A rising bubble.
Track bubble(double frequency, double seconds) {
    Track out = track(seconds);
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = i / Rate;
        phase += Tau * frequency * (1 + 3 * t / seconds) / Rate;
        out[i] = std::sin(phase) * decay(t, seconds / 4);
    }
    return out;
}

std::vector<std::int16_t> finish(const Track& sound, double peak = 0.8) {
    double top = 1e-9;
    for (double s : sound)
        top = std::max(top, std::abs(s));
    std::vector<std::int16_t> out(sound.size());
    for (std::size_t i = 0; i < sound.size(); ++i)
        out[i] = std::int16_t(std::lround(sound[i] / top * peak * 32767));
    return out;
}

// Fades the first and last few milliseconds of a sound that does not loop, so that it starts and ends
// without a click.
Track faded(Track sound) {
    const std::size_t edge = std::min<std::size_t>(std::size_t(0.004 * Rate), sound.size() / 2);
    for (std::size_t i = 0; i < edge; ++i) {
        sound[i] *= double(i) / edge;
        sound[sound.size() - 1 - i] *= double(i) / edge;
    }
    return sound;
}

Track bowShot() {
    Noise noise(11);
    Track out = track(0.6);
    mix(out, pluck(98, 0.6, 0.996, noise), 0, 1.0, false);
    mix(out, burst(2500, 1.0, 0.2, 0.05, noise), 0.01, 0.5, false);
    return out;
}

Track arrowHit(int which) {
    Noise noise(20 + which);
    Track out = track(0.3);
    mix(out, burst(700 + 250 * which, 2, 0.3, 0.025, noise), 0, 1.0, false);
    mix(out, thump(260 - 30 * which, 120, 0.3, 0.06), 0, 0.8, false);
    mix(out, pluck(420 + 60 * which, 0.25, 0.98, noise), 0.005, 0.25, false); // the shaft quivering
    return out;
}

Track whoosh(double seconds, double low, double high, std::uint32_t seed) {
    Noise noise(seed);
    Track out = track(seconds);
    BandPass filter(low, 3);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double u = double(i) / out.size(), bell = std::sin(std::numbers::pi * u);
        filter.tune(low + (high - low) * bell, 3);
        out[i] = filter(noise.white()) * bell * bell;
    }
    return out;
}

Track javelinThrow() {
    Noise noise(30);
    Track out = whoosh(0.5, 350, 1300, 31);
    mix(out, burst(300, 1.5, 0.15, 0.05, noise), 0, 0.4, false); // the thrower's lunge
    return out;
}

Track javelinHit(int which) {
    Noise noise(40 + which);
    Track out = track(0.4);
    mix(out, thump(180 - 20 * which, 70, 0.4, 0.09), 0, 1.0, false);
    mix(out, burst(500 + 150 * which, 1.5, 0.2, 0.03, noise), 0, 0.7, false);
    return out;
}

Track slingShot() {
    Noise noise(50);
    Track out = track(1.0);
    BandPass filter(650, 4);
    double phase = 0;
    // The sling whirls faster and faster overhead, then lets go.
    for (std::size_t i = 0; i < std::size_t(0.75 * Rate); ++i) {
        const double t = i / Rate;
        phase += (3 + 6 * t) / Rate;
        const double swing = std::pow(std::abs(std::sin(std::numbers::pi * phase)), 6);
        out[i] = filter(noise.white()) * swing * std::min(1.0, t / 0.2);
    }
    mix(out, whoosh(0.25, 900, 2500, 51), 0.72, 1.2, false);
    mix(out, burst(3000, 3, 0.05, 0.008, noise), 0.72, 0.6, false); // the cord snapping free
    return out;
}

Track rockHit(int which) {
    Noise noise(60 + which);
    Track out = track(0.3);
    const double modes[] = {1150, 2330, 3470};
    for (int m = 0; m < 3; ++m)
        mix(out, burst(modes[m] * (1 + 0.12 * which), 25, 0.3, 0.02 + 0.01 * m, noise), 0, 1.0, false);
    mix(out, burst(4000, 0.7, 0.02, 0.002, noise), 0, 1.5, false); // the crack
    mix(out, thump(160, 80, 0.3, 0.05), 0, 0.6, false);
    return out;
}

Track oxybelesShot() {
    Noise noise(70);
    Track out = track(1.2);
    for (int k = 0; k < 6; ++k)
        mix(out, burst(3200, 5, 0.04, 0.006, noise), 0.06 + k * 0.08, 0.5, false);
    mix(out, pluck(55, 0.7, 0.997, noise), 0.6, 1.0, false); // the arms let go
    mix(out, thump(120, 45, 0.4, 0.12), 0.6, 0.9, false);
    mix(out, whoosh(0.35, 500, 1800, 71), 0.62, 0.6, false);
    return out;
}

Track boltHit(int which) {
    Noise noise(80 + which);
    Track out = track(0.5);
    mix(out, thump(140 - 15 * which, 45, 0.5, 0.12), 0, 1.0, false);
    // Splinters.
    for (int k = 0; k < 7; ++k)
        mix(out, burst(noise.between(1500, 4500), 6, 0.03, 0.006, noise), noise.between(0.0, 0.12), 0.5,
            false);
    return out;
}

// A horse's whinny: a quick rise, then a long fall that shakes.
Track horse(int which) {
    Noise noise(90 + which);
    const double top = 1000 + 120 * which, seconds = 0.9 + 0.15 * which;
    auto pitch = [top](double u) {
        return u < 0.12 ? 450 + (top - 450) * u / 0.12 : top - (top - 380) * std::pow((u - 0.12) / 0.88, 0.8);
    };
    Track out = voice(seconds, pitch, 900, 2400, 11 + which, 0.09, 0.03, 0.15, 0.05, noise);
    Track snort = burst(600, 1.2, 0.25, 0.07, noise);
    Track all = track(seconds + 0.3);
    mix(all, out, 0, 1.0, false);
    mix(all, snort, seconds + 0.02, 0.6, false);
    return all;
}

// An elephant's trumpet: a rough, brassy blare that swells, rises and breaks off.
Track elephant(int which) {
    Noise noise(100 + which);
    const double base = 380 + 90 * which, seconds = 1.3 + 0.2 * which;
    auto pitch = [base](double u) { return base * (1 + 0.35 * std::sin(std::numbers::pi * u * 0.8)); };
    return voice(seconds, pitch, 1100, 2600, 6, 0.02, 0.12, 0.2, 0.25, noise);
}

// The tramp of a marching column: four beats of many feet, some early, some late.
Track march() {
    Noise noise(110);
    Track out = track(2.0);
    for (int beat = 0; beat < 4; ++beat)
        for (int man = 0; man < 8; ++man) {
            const double at = beat * 0.5 + noise.between(-0.03, 0.03);
            mix(out, burst(noise.between(250, 450), 1.2, 0.12, 0.03, noise), at < 0 ? at + 2.0 : at, 0.5,
                true);
            mix(out, thump(90, 60, 0.12, 0.03), at < 0 ? at + 2.0 : at, 0.15, true);
        }
    // Gear jingling at every other beat.
    for (int k = 0; k < 4; ++k)
        mix(out, clang(noise.between(2500, 3500), 0.08), k * 0.5 + 0.25, 0.06, true);
    return out;
}

// Galloping: each stride three hoofbeats close together and a pause, two horses a little apart.
Track gallop() {
    Noise noise(120);
    Track out = track(2.4);
    for (int horse = 0; horse < 2; ++horse)
        for (int stride = 0; stride < 4; ++stride)
            for (double beat : {0.0, 0.085, 0.17}) {
                const double at = std::fmod(stride * 0.6 + beat + horse * 0.27, 2.4);
                mix(out, burst(noise.between(1100, 1600), 3, 0.09, 0.015, noise), at, 0.7, true);
                mix(out, thump(150, 90, 0.1, 0.025), at, 0.5, true);
            }
    return out;
}

// Close combat: blades and shields striking at random, over the rumble of the crowd.
Track melee() {
    Noise noise(130);
    Track out = track(3.0);
    LowPass rumble(300);
    for (double& s : out)
        s = 0.08 * rumble(noise.white());
    for (int k = 0; k < 26; ++k)
        mix(out, clang(noise.between(380, 900), 0.35), noise.between(0.0, 3.0), noise.between(0.25, 0.6),
            true);
    for (int k = 0; k < 14; ++k)
        mix(out, thump(noise.between(120, 200), 60, 0.15, 0.04), noise.between(0.0, 3.0), 0.4, true);
    for (int k = 0; k < 5; ++k) { // shouts
        auto pitch = [f = noise.between(140, 220)](double u) { return f * (1.1 - 0.2 * u); };
        mix(out, voice(0.35, pitch, 700, 1200, 5, 0.03, 0.04, 0.1, 0.1, noise), noise.between(0.0, 3.0), 0.25,
            true);
    }
    return out;
}

Track splash() {
    Noise noise(140);
    Track out = track(0.8);
    LowPass body(1500);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = body(noise.white()) * decay(i / Rate, 0.12);
    for (int k = 0; k < 12; ++k)
        mix(out, bubble(noise.between(350, 1100), 0.06), noise.between(0.02, 0.55), 0.35, false);
    return out;
}

// Wading: water sloshing to and fro round many legs.
Track splashLoop() {
    Noise noise(150);
    Track out = track(2.0);
    LowPass body(1100);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = i / Rate;
        const double slosh = 0.55 + 0.45 * std::sin(Tau * 2 * t) * std::sin(Tau * 0.5 * t + 1);
        out[i] = body(noise.white()) * slosh;
    }
    for (int k = 0; k < 30; ++k)
        mix(out, bubble(noise.between(400, 1300), 0.05), noise.between(0.0, 2.0), 0.25, true);
    return out;
}

// A cheer: a crowd of voices shouting together, each at its own pitch.
Track cheer() {
    Noise noise(160);
    Track out = track(2.6);
    for (int man = 0; man < 24; ++man) {
        const double f = noise.between(120, 260), length = noise.between(1.6, 2.3);
        auto pitch = [f](double u) {
            return f * (1 + 0.25 * std::sin(std::numbers::pi * std::min(1.0, u * 1.5)));
        };
        mix(out,
            voice(length, pitch, noise.between(650, 800), noise.between(1100, 1300), noise.between(4, 7),
                  0.03, 0.15, 0.5, 0.08, noise),
            noise.between(0.0, 0.25), 1.0, false);
    }
    LowPass breath(2500);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] += 0.3 * breath(noise.white()) * std::min(1.0, (out.size() - i) / (0.5 * Rate));
    return out;
}

} // namespace

Bytes waveBytes(const std::vector<std::int16_t>& samples, std::uint32_t rate) {
    const std::uint32_t dataSize = std::uint32_t(samples.size() * 2);
    Bytes out;
    out.reserve(44 + dataSize);
    // Byte by byte: a range insert into the growing vector sets off a false overflow warning in
    // optimised builds.
    auto text = [&](const char* s) {
        for (int i = 0; i < 4; ++i)
            out.push_back(std::uint8_t(s[i]));
    };
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(std::uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](std::uint16_t v) {
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    };
    text("RIFF");
    u32(36 + dataSize);
    text("WAVE");
    text("fmt ");
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(rate);
    u32(rate * 2); // bytes a second
    u16(2);        // bytes a sample
    u16(16);       // bits
    text("data");
    u32(dataSize);
    for (std::int16_t s : samples)
        u16(std::uint16_t(s));
    return out;
}

std::vector<ForgedWave> forgedWaves() {
    std::vector<ForgedWave> waves;
    auto add = [&](std::string file, const Track& sound) {
        waves.push_back({std::move(file), waveBytes(finish(sound))});
    };
    add("bow.wav", faded(bowShot()));
    for (int k = 1; k <= 3; ++k)
        add("arrowhit" + std::to_string(k) + ".wav", faded(arrowHit(k - 1)));
    add("javelin.wav", faded(javelinThrow()));
    for (int k = 1; k <= 3; ++k)
        add("javhit" + std::to_string(k) + ".wav", faded(javelinHit(k - 1)));
    add("sling.wav", faded(slingShot()));
    for (int k = 1; k <= 3; ++k)
        add("rockhit" + std::to_string(k) + ".wav", faded(rockHit(k - 1)));
    add("oxybeles.wav", faded(oxybelesShot()));
    for (int k = 1; k <= 3; ++k)
        add("bolthit" + std::to_string(k) + ".wav", faded(boltHit(k - 1)));
    for (int k = 1; k <= 3; ++k)
        add("horse" + std::to_string(k) + ".wav", faded(horse(k - 1)));
    for (int k = 1; k <= 2; ++k)
        add("elephant" + std::to_string(k) + ".wav", faded(elephant(k - 1)));
    // The loops are not faded: they come round without a seam.
    add("march.wav", march());
    add("gallop.wav", gallop());
    add("melee.wav", melee());
    add("splash.wav", faded(splash()));
    add("splashloop.wav", splashLoop());
    add("cheer.wav", faded(cheer()));
    return waves;
}

} // namespace vael::forge

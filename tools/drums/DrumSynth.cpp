#include "tools/drums/DrumSynth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace drums {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// xorshift32: white noise in [-1, 1) that is the same on every machine.
class Noise {
  public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}
    float Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<float>(state_ / 2147483648.0 - 1.0);
    }

  private:
    std::uint32_t state_;
};

// One-pole filters: enough to tilt noise towards the top or the bottom of the spectrum.
class HighPass {
  public:
    explicit HighPass(double cutoff) : a_(1.0 / (1.0 + kTwoPi * cutoff / kSampleRate)) {}
    float operator()(float x) {
        y_ = a_ * (y_ + x - x_);
        x_ = x;
        return static_cast<float>(y_);
    }

  private:
    double a_;
    double x_ = 0.0;
    double y_ = 0.0;
};

class LowPass {
  public:
    explicit LowPass(double cutoff) {
        const double rc = 1.0 / (kTwoPi * cutoff);
        const double dt = 1.0 / kSampleRate;
        a_ = dt / (rc + dt);
    }
    float operator()(float x) {
        y_ += a_ * (x - y_);
        return static_cast<float>(y_);
    }

  private:
    double a_ = 0.0;
    double y_ = 0.0;
};

std::size_t Frames(double seconds) {
    return static_cast<std::size_t>(seconds * kSampleRate);
}

double TimeOf(std::size_t i) {
    return static_cast<double>(i) / kSampleRate;
}

// A sine whose pitch falls from `start` to `end` Hz with time constant `sweep`, decaying with
// time constant `decay`: the body of a struck membrane.
std::vector<float> PitchedBody(double seconds, double start, double end, double sweep,
                               double decay) {
    std::vector<float> out(Frames(seconds));
    double phase = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = TimeOf(i);
        const double frequency = end + (start - end) * std::exp(-t / sweep);
        phase += kTwoPi * frequency / kSampleRate;
        out[i] = static_cast<float>(std::sin(phase) * std::exp(-t / decay));
    }
    return out;
}

}  // namespace

std::vector<float> Bass() {
    std::vector<float> out = PitchedBody(0.6, 130.0, 48.0, 0.035, 0.17);
    // The beater's click: a few milliseconds of dull noise.
    Noise noise(0xBA55u);
    LowPass dull(2500.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] += 0.35f * dull(noise.Next()) * static_cast<float>(std::exp(-TimeOf(i) / 0.004));
    }
    return out;
}

std::vector<float> Tom() {
    std::vector<float> out = PitchedBody(0.7, 220.0, 140.0, 0.06, 0.22);
    const std::vector<float> overtone = PitchedBody(0.7, 340.0, 230.0, 0.06, 0.09);
    Noise noise(0x7031u);
    LowPass soft(4000.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = TimeOf(i);
        out[i] += 0.3f * overtone[i] +
                  0.25f * soft(noise.Next()) * static_cast<float>(std::exp(-t / 0.01));
    }
    return out;
}

std::vector<float> Snare() {
    // A short tone from the head under the long rattle of the wires.
    std::vector<float> out = PitchedBody(0.45, 240.0, 185.0, 0.02, 0.05);
    Noise noise(0x5A4Eu);
    HighPass bright(1500.0);
    LowPass tame(9000.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = TimeOf(i);
        out[i] = 0.5f * out[i] +
                 0.9f * tame(bright(noise.Next())) * static_cast<float>(std::exp(-t / 0.09));
    }
    return out;
}

std::vector<float> Hat() {
    std::vector<float> out(Frames(0.25));
    Noise noise(0x4A7u);
    HighPass first(7000.0);
    HighPass second(7000.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = second(first(noise.Next())) * static_cast<float>(std::exp(-TimeOf(i) / 0.03));
    }
    return out;
}

std::vector<float> Cymbal() {
    std::vector<float> out(Frames(0.95));
    Noise noise(0xC7Bu);
    HighPass first(4500.0);
    HighPass second(4500.0);
    // Inharmonic square partials give the metallic shimmer under the noise.
    constexpr double partials[] = {587.0, 845.0, 1253.0, 1669.0, 2312.0, 3175.0};
    HighPass metal(3000.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = TimeOf(i);
        double ring = 0.0;
        for (const double f : partials) {
            ring += std::sin(kTwoPi * f * t) >= 0.0 ? 1.0 : -1.0;
        }
        const double attack = std::min(1.0, t / 0.002);
        const float body = second(first(noise.Next())) +
                           0.08f * metal(static_cast<float>(ring / std::size(partials)));
        out[i] = body * static_cast<float>(attack * std::exp(-t / 0.26));
    }
    return out;
}

std::vector<Drum> AllDrums() {
    return {{"DrumBass.wav", Bass()},
            {"DrumCymbal.wav", Cymbal()},
            {"DrumHat.wav", Hat()},
            {"DrumSnare.wav", Snare()},
            {"DrumTom.wav", Tom()}};
}

void Normalise(std::vector<float>& samples, float peak) {
    const std::size_t fade = std::min(samples.size(), Frames(0.02));
    for (std::size_t i = 0; i < fade; ++i) {
        samples[samples.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(fade);
    }
    float loudest = 0.0f;
    for (const float s : samples) {
        loudest = std::max(loudest, std::fabs(s));
    }
    if (loudest == 0.0f) {
        return;
    }
    const float scale = peak / loudest;
    for (float& s : samples) {
        s *= scale;
    }
}

}  // namespace drums

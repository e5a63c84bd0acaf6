// The drums the build synthesises into Sounds/ beside the program, read back through WaveFile.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/DrumPlayer.h"
#include "audio/WaveFile.h"

namespace {

struct Drum {
    WAVEFORMATEX format{};
    std::vector<std::int16_t> samples;
};

Drum Load(const std::string& name) {
    Drum drum;
    WaveFile reader;
    const std::string path = std::string(SELVANE_PROGRAM_DIR) + "/Sounds/" + name;
    EXPECT_EQ(reader.Open(path.c_str()), S_OK) << path;
    if (reader.Format() == nullptr) {
        return drum;
    }
    drum.format = *reader.Format();
    std::vector<std::uint8_t> bytes(reader.DataSize());
    std::uint32_t read = 0;
    EXPECT_EQ(reader.Read(bytes.data(), reader.DataSize(), &read), S_OK);
    for (std::size_t i = 0; i + 1 < read; i += 2) {
        drum.samples.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    return drum;
}

// Crossings of zero per sample: high for noise, low for a low pitch.
double ZeroCrossingRate(const std::vector<std::int16_t>& s) {
    std::size_t crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        crossings += (s[i - 1] < 0) != (s[i] < 0) ? 1 : 0;
    }
    return static_cast<double>(crossings) / static_cast<double>(s.size());
}

// RMS of consecutive 10 ms windows.
std::vector<double> Envelope(const std::vector<std::int16_t>& s) {
    const std::size_t window = 441;
    std::vector<double> out;
    for (std::size_t start = 0; start + window <= s.size(); start += window) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + window; ++i) {
            sum += static_cast<double>(s[i]) * s[i];
        }
        out.push_back(std::sqrt(sum / window));
    }
    return out;
}

// Seconds from the loudest window until the envelope stays 20 dB below it.
double DecayTime(const std::vector<std::int16_t>& s) {
    const std::vector<double> env = Envelope(s);
    const auto loudest = std::max_element(env.begin(), env.end());
    auto last = env.end();
    for (auto it = loudest; it != env.end(); ++it) {
        if (*it >= *loudest / 10.0) {
            last = it;
        }
    }
    return static_cast<double>(last - env.begin()) * 0.01;
}

class DrumSoundsTest : public ::testing::TestWithParam<const char*> {};

TEST_P(DrumSoundsTest, IsShort16BitMonoAt44kHzNormalisedWithoutClipping) {
    const Drum drum = Load(GetParam());
    EXPECT_EQ(drum.format.formatTag, 1);
    EXPECT_EQ(drum.format.channels, 1);
    EXPECT_EQ(drum.format.samplesPerSec, 44100u);
    EXPECT_EQ(drum.format.bitsPerSample, 16);
    EXPECT_EQ(drum.format.blockAlign, 2);
    EXPECT_EQ(drum.format.avgBytesPerSec, 88200u);
    ASSERT_FALSE(drum.samples.empty());
    EXPECT_LT(drum.samples.size(), 44100u);
    EXPECT_GT(drum.samples.size(), 4410u);

    int peak = 0;
    for (const std::int16_t s : drum.samples) {
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
    // Normalised close to full scale, yet never at the rails.
    EXPECT_GT(peak, 26000);
    EXPECT_LT(peak, 32767);
    // Struck, then dying away: loud early, quiet at the end, silent in the very last samples.
    const std::vector<double> env = Envelope(drum.samples);
    const auto loudest = std::max_element(env.begin(), env.end());
    EXPECT_LT(loudest - env.begin(), 6) << "peak window";
    EXPECT_LT(env.back(), *loudest / 10.0);
    EXPECT_LT(std::abs(static_cast<int>(drum.samples.back())), 64);
}

INSTANTIATE_TEST_SUITE_P(Drums, DrumSoundsTest, ::testing::ValuesIn(DrumPlayer::kSoundNames),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

TEST(DrumCharacterTest, BassAndTomArePitchedBodiesAndTheRestIsNoise) {
    const double bass = ZeroCrossingRate(Load("DrumBass.wav").samples);
    const double tom = ZeroCrossingRate(Load("DrumTom.wav").samples);
    const double snare = ZeroCrossingRate(Load("DrumSnare.wav").samples);
    const double hat = ZeroCrossingRate(Load("DrumHat.wav").samples);
    const double cymbal = ZeroCrossingRate(Load("DrumCymbal.wav").samples);
    // A body below 200 Hz crosses zero fewer than 400 times a second (0.009 per sample).
    EXPECT_LT(bass, 0.005);
    EXPECT_LT(tom, 0.012);
    EXPECT_LT(bass, tom);
    EXPECT_GT(snare, 0.15);
    EXPECT_GT(hat, 0.4);
    EXPECT_GT(cymbal, 0.4);
    EXPECT_GT(hat, snare);
}

TEST(DrumCharacterTest, HatIsTheShortestAndCymbalTheLongestRinging) {
    const double hat = DecayTime(Load("DrumHat.wav").samples);
    const double snare = DecayTime(Load("DrumSnare.wav").samples);
    const double cymbal = DecayTime(Load("DrumCymbal.wav").samples);
    const double bass = DecayTime(Load("DrumBass.wav").samples);
    EXPECT_LT(hat, 0.12);
    EXPECT_LT(hat, snare);
    EXPECT_LT(snare, cymbal);
    EXPECT_GT(cymbal, 0.5);
    EXPECT_GT(bass, snare);
}

}  // namespace

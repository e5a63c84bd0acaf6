#pragma once

// Synthesis of the five drums at 44.1 kHz mono, as float samples that the writer normalises.
// Every sound is deterministic (its noise comes from a fixed seed), so every build writes the
// same files.

#include <string>
#include <vector>

namespace drums {

inline constexpr int kSampleRate = 44100;

struct Drum {
    std::string fileName;
    std::vector<float> samples;
};

std::vector<float> Bass();
std::vector<float> Cymbal();
std::vector<float> Hat();
std::vector<float> Snare();
std::vector<float> Tom();

// All five, in the order of their file names.
std::vector<Drum> AllDrums();

// Scales to a peak of `peak` (of full scale) and fades out the last milliseconds, so that the
// end does not click.
void Normalise(std::vector<float>& samples, float peak);

}  // namespace drums

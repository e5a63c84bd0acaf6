#pragma once

// Writes float samples in [-1, 1] as a canonical 16-bit PCM mono WAV file: "RIFF", "WAVE", a
// 16-byte "fmt " chunk and the "data" chunk.

#include <string>
#include <vector>

namespace drums {

bool WriteWav16Mono(const std::string& path, const std::vector<float>& samples, int sampleRate);

}  // namespace drums

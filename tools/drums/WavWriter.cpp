#include "tools/drums/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace drums {

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutId(std::vector<std::uint8_t>& out, const char* id) {
    out.insert(out.end(), id, id + 4);
}

}  // namespace

bool WriteWav16Mono(const std::string& path, const std::vector<float>& samples, int sampleRate) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    PutId(out, "RIFF");
    Put32(out, 36 + dataBytes);
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 1);  // mono
    Put32(out, static_cast<std::uint32_t>(sampleRate));
    Put32(out, static_cast<std::uint32_t>(sampleRate) * 2);
    Put16(out, 2);
    Put16(out, 16);
    PutId(out, "data");
    Put32(out, dataBytes);
    for (const float s : samples) {
        const long q = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        Put16(out,
              static_cast<std::uint32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(q))));
    }
    if (dataBytes % 2 != 0) {
        out.push_back(0);
    }

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace drums

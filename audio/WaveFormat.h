#pragma once

// The wave format record as the engine takes it: the 16 bytes of a "fmt " chunk and the extra
// size, packed to 2 bytes so that the extra format bytes follow at offset 18.

#include <cstdint>

inline constexpr std::uint16_t kWaveFormatPcm = 1;
inline constexpr std::uint16_t kWaveFormatIeeeFloat = 3;
inline constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;

// Extra bytes of an extensible format: valid bits per sample (2), channel mask (4), sub-format
// GUID (16), whose first two bytes repeat the plain format tag of the samples.
inline constexpr std::uint16_t kExtensibleExtraSize = 22;

#pragma pack(push, 2)
struct WAVEFORMATEX {
    std::uint16_t formatTag;
    std::uint16_t channels;
    std::uint32_t samplesPerSec;
    std::uint32_t avgBytesPerSec;
    std::uint16_t blockAlign;
    std::uint16_t bitsPerSample;
    std::uint16_t extraSize;
};
#pragma pack(pop)

static_assert(sizeof(WAVEFORMATEX) == 18, "the extra bytes must follow at offset 18");

#pragma once

// Builds RIFF files byte by byte for the reader's tests and fuzzing seeds: any chunk id, any
// declared size (also one that lies), with or without the pad byte, in any order.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testing_audio {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

inline void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline void PutId(Bytes& out, std::string_view id) {
    for (std::size_t i = 0; i < 4; ++i) {
        out.push_back(i < id.size() ? static_cast<std::uint8_t>(id[i]) : ' ');
    }
}

// The 16 bytes every "fmt " chunk starts with.
inline Bytes FormatHead(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                        std::uint16_t bits) {
    Bytes out;
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    Put16(out, tag);
    Put16(out, channels);
    Put32(out, rate);
    Put32(out, rate * align);
    Put16(out, align);
    Put16(out, bits);
    return out;
}

inline Bytes Pcm16Mono(std::uint32_t rate = 44100) {
    return FormatHead(1, 1, rate, 16);
}

// An extensible format as OpenAL Soft's wave writer puts it in its files: the extra size 22,
// the valid bits, the speaker mask and the sub-format GUID {tag-0000-0010-8000-00AA00389B71}.
inline Bytes Extensible(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate,
                        std::uint16_t bits, std::uint32_t channelMask) {
    Bytes out = FormatHead(0xFFFE, channels, rate, bits);
    Put16(out, 22);
    Put16(out, bits);
    Put32(out, channelMask);
    Put32(out, subTag);
    const std::uint8_t tail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                   0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    out.insert(out.end(), tail, tail + 12);
    return out;
}

inline Bytes Samples16(std::initializer_list<std::int16_t> values) {
    Bytes out;
    for (const std::int16_t v : values) {
        Put16(out, static_cast<std::uint16_t>(v));
    }
    return out;
}

inline Bytes Ramp(std::size_t count) {
    Bytes out(count);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return out;
}

class RiffBuilder {
  public:
    // A chunk with `data`; `declaredSize` replaces the true size in its header, and the pad
    // byte after odd data can be left out.
    RiffBuilder& Chunk(std::string_view id, Bytes data,
                       std::optional<std::uint32_t> declaredSize = std::nullopt, bool pad = true) {
        PutId(body_, id);
        Put32(body_, declaredSize.value_or(static_cast<std::uint32_t>(data.size())));
        body_.insert(body_.end(), data.begin(), data.end());
        if (pad && data.size() % 2 != 0) {
            body_.push_back(0);
        }
        return *this;
    }
    // Bytes put in as they are, without a header.
    RiffBuilder& Raw(const Bytes& bytes) {
        body_.insert(body_.end(), bytes.begin(), bytes.end());
        return *this;
    }

    // "RIFF", its size (the true one unless given), the form type, the chunks.
    Bytes Build(std::string_view formType = "WAVE",
                std::optional<std::uint32_t> riffSize = std::nullopt,
                std::string_view riffId = "RIFF") const {
        Bytes out;
        PutId(out, riffId);
        Put32(out, riffSize.value_or(static_cast<std::uint32_t>(4 + body_.size())));
        PutId(out, formType);
        out.insert(out.end(), body_.begin(), body_.end());
        return out;
    }

  private:
    Bytes body_;
};

}  // namespace testing_audio

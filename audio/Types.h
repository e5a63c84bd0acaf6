#pragma once

// What is passed to the audio layer. The records follow the shape of the engine's own, so that
// the drum player can state the same values; fields left at their defaults are its zeros.

#include <cstdint>
#include <memory>

#include "base/Result.h"

namespace audio {

// Every object of the layer. A field holding a Ref holds the object; resetting the field
// releases an engine or destroys a voice.
class Object {
  public:
    virtual ~Object() = default;
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
};

template <class T>
using Ref = std::unique_ptr<T>;

// A call the engine does not accept in the voice's present state or with these arguments.
inline constexpr HRESULT kErrorInvalidCall = static_cast<HRESULT>(0x88960001u);

inline constexpr std::uint32_t kDefaultProcessor = 0xFFFFFFFFu;
inline constexpr std::uint32_t kCommitNow = 0;
inline constexpr float kDefaultFrequencyRatio = 2.0f;

// Buffer flag: no more data follows this buffer.
inline constexpr std::uint32_t kEndOfStream = 0x40;

struct Buffer {
    std::uint32_t flags = 0;
    std::uint32_t audioBytes = 0;
    const std::uint8_t* audioData = nullptr;
    std::uint32_t playBegin = 0;
    std::uint32_t playLength = 0;
    std::uint32_t loopBegin = 0;
    std::uint32_t loopLength = 0;
    std::uint32_t loopCount = 0;
    void* context = nullptr;
};

struct VoiceState {
    // Buffers submitted and not yet played to their end.
    std::uint32_t buffersQueued = 0;
    // Position in the buffer at the head of the queue, in sample frames.
    std::uint64_t samplePosition = 0;
};

// A class identifier, laid out as the registry writes it: {Data1-Data2-Data3-Data4[0..1]-...}.
struct ClassId {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};
    friend bool operator==(const ClassId&, const ClassId&) = default;
};

// The class the engine is created from.
inline constexpr ClassId kEngineClassId = {
    0x5A508685, 0xA254, 0x4FBA, {0x9B, 0x82, 0x9A, 0x24, 0xB0, 0x03, 0x06, 0xAF}};

}  // namespace audio

#include "audio/al/SourceFormat.h"

#include <AL/al.h>
#include <AL/alext.h>

#include <cstring>

namespace audio::al {

namespace {

// The GUID of an extensible sub-format after its leading tag:
// {xxxxxxxx-0000-0010-8000-00AA00389B71}.
constexpr unsigned char kSubFormatTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                              0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The plain tag that an extensible format stands for, or 0.
unsigned SampleTagOf(const WAVEFORMATEX& format) {
    if (format.formatTag != kWaveFormatExtensible) {
        return format.formatTag;
    }
    if (format.extraSize < kExtensibleExtraSize) {
        return 0;
    }
    const auto* extra = reinterpret_cast<const unsigned char*>(&format) + sizeof(WAVEFORMATEX);
    const unsigned validBits = extra[0] | extra[1] << 8;
    if (validBits != 0 && validBits != format.bitsPerSample) {
        return 0;
    }
    const unsigned char* guid = extra + 6;
    if (guid[2] != 0 || guid[3] != 0 || std::memcmp(guid + 4, kSubFormatTail, 12) != 0) {
        return 0;
    }
    return guid[0] | guid[1] << 8;
}

}  // namespace

int BufferFormatOf(const WAVEFORMATEX& format, bool float32Available) {
    if (format.channels != 1 && format.channels != 2) {
        return 0;
    }
    if (format.samplesPerSec < kMinSampleRate || format.samplesPerSec > kMaxSampleRate) {
        return 0;
    }
    if (format.blockAlign != format.channels * format.bitsPerSample / 8 ||
        format.bitsPerSample % 8 != 0) {
        return 0;
    }
    const bool mono = format.channels == 1;
    switch (SampleTagOf(format)) {
        case kWaveFormatPcm:
            if (format.bitsPerSample == 8) {
                return mono ? AL_FORMAT_MONO8 : AL_FORMAT_STEREO8;
            }
            if (format.bitsPerSample == 16) {
                return mono ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
            }
            return 0;
        case kWaveFormatIeeeFloat:
            if (format.bitsPerSample == 32 && float32Available) {
                return mono ? AL_FORMAT_MONO_FLOAT32 : AL_FORMAT_STEREO_FLOAT32;
            }
            return 0;
        default:
            return 0;
    }
}

}  // namespace audio::al

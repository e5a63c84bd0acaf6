#pragma once

// One sound of the drum player. Its data stays alive as long as its voice may read it: the
// voice is always destroyed before the data is freed (the member order keeps that for the
// implicit destructor too).

#include <cstdint>
#include <memory>
#include <string>

#include "audio/Platform.h"
#include "audio/WaveFormatRecord.h"

struct DrumSound {
    WaveFormatRecord format;
    std::string name;
    std::unique_ptr<std::uint8_t[]> data;
    std::uint32_t size = 0;
    audio::Ref<audio::SourceVoice> voice;
};

#pragma once

// Which sound formats a source voice takes: those OpenAL plays as they are. 8- and 16-bit PCM
// and, with AL_EXT_FLOAT32, 32-bit float, in mono or stereo, also when written as an extensible
// format with the matching sub-format; everything else is refused, as the engine refuses a
// format it cannot play.

#include "audio/WaveFormat.h"

namespace audio::al {

// The engine's bounds on a voice's sample rate.
inline constexpr unsigned kMinSampleRate = 1000;
inline constexpr unsigned kMaxSampleRate = 200000;

// The OpenAL buffer format for `format` (whose extra bytes follow it), or 0 when none fits.
int BufferFormatOf(const WAVEFORMATEX& format, bool float32Available);

}  // namespace audio::al

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/al/Platform.h"

class DrumPlayer;

// The drums of a recording: the window's five sounds and drum player, mixed by OpenAL Soft's
// loopback device, which renders only when asked. So the sound track follows the video's frames
// rather than the clock: each frame gets exactly its share of samples, however slowly it is drawn.
class SoundTrack {
  public:
    static constexpr std::uint32_t kRate = 48000;
    static constexpr int kChannels = 2;

    SoundTrack();
    ~SoundTrack();
    SoundTrack(const SoundTrack&) = delete;
    SoundTrack& operator=(const SoundTrack&) = delete;

    // Starts the engine and loads the five drums; false with error() when the engine or any of
    // the sounds is missing, as the track would lack what the window plays.
    bool Open();
    // Stops the drum struck last and strikes one of the five at random, as a wheel turn does.
    void Strike();
    // Mixes the next `frames` sample frames, stereo and interleaved, into `samples`.
    bool Render(std::uint32_t frames, std::vector<float>& samples);

    std::int32_t currentDrum() const { return current_; }
    const std::string& error() const { return error_; }

  private:
    audio::al::Platform platform_;
    std::unique_ptr<DrumPlayer> drums_;
    std::int32_t current_ = 0;
    bool installed_ = false;
    std::string error_;
};

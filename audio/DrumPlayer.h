#pragma once

// Plays the five drum sounds. Construction starts the engine of the installed audio platform,
// creates its mastering voice and loads the sounds from "Sounds" beside the program, each with
// its own source voice; failures are reported (message boxes for the engine, lines on standard
// output for single sounds) and never thrown. Play and Stop act on a sound by its index, and a
// wheel turn through them allocates nothing and reads no file.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/DrumSound.h"
#include "audio/Platform.h"
#include "base/Result.h"

class DrumPlayer {
  public:
    static constexpr std::array<const char*, 5> kSoundNames = {
        "DrumBass.wav", "DrumCymbal.wav", "DrumHat.wav", "DrumSnare.wav", "DrumTom.wav"};

    DrumPlayer();
    ~DrumPlayer();
    DrumPlayer(const DrumPlayer&) = delete;
    DrumPlayer& operator=(const DrumPlayer&) = delete;

    // Restarts the sound from its first sample. S_OK and nothing done for an index outside the
    // list; E_FAIL without an engine or for a sound that is not loaded.
    HRESULT Play(std::int32_t index);
    // Stops the sound and queues it again from its first byte. E_FAIL for an index outside the
    // list or a sound that is not loaded; a failed submission unloads the sound for good.
    HRESULT Stop(std::int32_t index);
    // Reads the file at `path` into the sound at `index` and gives it a voice; a step of the
    // constructor. E_FAIL for an index outside the list.
    HRESULT LoadSound(std::int32_t index, const std::string& path);

    // Stops the engine's mixing until the next Play: for when no sound has played for longer
    // than the longest one lasts, so that a player at rest costs nothing.
    void Rest();
    bool resting() const { return resting_; }
    // How long the longest loaded sound plays, in milliseconds.
    std::uint32_t LongestMilliseconds() const;

    bool HasEngine() const { return engine_ != nullptr; }
    const std::vector<DrumSound>& Sounds() const { return sounds_; }

  private:
    bool InList(std::int32_t index) const {
        return index >= 0 && static_cast<std::size_t>(index) < sounds_.size();
    }

    audio::Ref<audio::Engine> engine_;
    audio::Ref<audio::MasteringVoice> masteringVoice_;
    std::vector<DrumSound> sounds_;
    bool resting_ = false;
};

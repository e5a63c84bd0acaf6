#include "video/SoundTrack.h"

#include "audio/DrumPlayer.h"
#include "audio/MessageBox.h"
#include "base/Random.h"

SoundTrack::SoundTrack()
    : platform_({.loopback = true, .loopbackRate = static_cast<std::int32_t>(kRate)}) {}

SoundTrack::~SoundTrack() {
    // The voices and the engine go while the platform that made them is still installed.
    drums_.reset();
    if (installed_) {
        audio::SetPlatform(nullptr);
    }
}

bool SoundTrack::Open() {
    audio::SetPlatform(&platform_);
    installed_ = true;
    // The player reports a failed engine in a message box: here it is the recording's error.
    std::string engineProblem;
    audio::SetMessageBoxHandler(
        [&engineProblem](std::string_view text) { engineProblem = std::string(text); });
    drums_ = std::make_unique<DrumPlayer>();
    audio::SetMessageBoxHandler({});
    if (!drums_->HasEngine()) {
        error_ = "the drums cannot be mixed: " +
                 (engineProblem.empty() ? std::string("no audio engine") : engineProblem);
        return false;
    }
    std::string missing;
    for (const DrumSound& sound : drums_->Sounds()) {
        if (!sound.voice) {
            missing += (missing.empty() ? "" : ", ") + sound.name;
        }
    }
    if (!missing.empty()) {
        error_ = "the drums cannot be mixed: " + missing + " could not be loaded from the " +
                 "Sounds folder beside the program";
        return false;
    }
    return true;
}

void SoundTrack::Strike() {
    drums_->Stop(current_);
    current_ = Rand() % static_cast<int>(DrumPlayer::kSoundNames.size());
    drums_->Play(current_);
}

bool SoundTrack::Render(std::uint32_t frames, std::vector<float>& samples) {
    samples.resize(static_cast<std::size_t>(frames) * kChannels);
    return platform_.Render(samples.data(), frames);
}

#pragma once

// A source voice: one AL source with one AL buffer holding the voice's sound, attached once
// when the voice is made. Queue operations map onto the source's state, which costs no
// allocation in the library (re-attaching or queueing a buffer would allocate on every strike):
// Stop pauses, a flush of a stopped voice rewinds, a submission marks the sound queued, and
// Start plays from where the source stands. The voice holds at most one buffer, its sound.

#include <AL/al.h>

#include <cstdint>
#include <memory>
#include <span>

#include "audio/Platform.h"
#include "audio/al/Context.h"

namespace audio::al {

class SourceVoice : public audio::SourceVoice {
  public:
    static HRESULT Create(std::shared_ptr<Context> context, const WAVEFORMATEX& format,
                          float maxFrequencyRatio, std::span<const std::uint8_t> sound,
                          Ref<audio::SourceVoice>* voice);
    ~SourceVoice() override;

    HRESULT Start(std::uint32_t flags, std::uint32_t operationSet) override;
    HRESULT Stop(std::uint32_t flags, std::uint32_t operationSet) override;
    HRESULT FlushSourceBuffers() override;
    HRESULT SubmitSourceBuffer(const Buffer& buffer) override;
    void GetState(VoiceState* state) const override;

  private:
    SourceVoice(std::shared_ptr<Context> context, std::span<const std::uint8_t> sound,
                std::uint16_t blockAlign)
        : context_(std::move(context)), sound_(sound), blockAlign_(blockAlign) {}
    ALint SourceState() const;

    std::shared_ptr<Context> context_;
    std::span<const std::uint8_t> sound_;
    std::uint16_t blockAlign_;
    ALuint source_ = 0;
    ALuint buffer_ = 0;
    bool queued_ = false;
    bool started_ = false;
};

}  // namespace audio::al

#pragma once

// The audio engine the drums play through: an engine with one output (mastering) voice and one
// source voice per sound. The shell installs the real implementation before the view exists;
// tests install a fake that fails chosen operations.

#include <cstdint>
#include <span>

#include "audio/Types.h"
#include "audio/WaveFormat.h"

namespace audio {

// Voices stop and are gone when their Ref is reset; a voice must go before the mastering voice,
// and the mastering voice before the engine.
class MasteringVoice : public Object {};

class SourceVoice : public Object {
  public:
    // Plays from the head of the queue: from the first sample of a freshly submitted buffer, or
    // on from where Stop left off.
    virtual HRESULT Start(std::uint32_t flags, std::uint32_t operationSet) = 0;
    // Stops consuming audio and keeps the position.
    virtual HRESULT Stop(std::uint32_t flags, std::uint32_t operationSet) = 0;
    // Drops the buffers that are queued and not playing.
    virtual HRESULT FlushSourceBuffers() = 0;
    virtual HRESULT SubmitSourceBuffer(const Buffer& buffer) = 0;
    virtual void GetState(VoiceState* state) const = 0;
};

class Engine : public Object {
  public:
    virtual HRESULT Initialize(std::uint32_t flags, std::uint32_t processor) = 0;
    // Zero channels and zero rate choose the device's own.
    virtual HRESULT CreateMasteringVoice(Ref<MasteringVoice>* voice, std::uint32_t inputChannels,
                                         std::uint32_t inputSampleRate, std::uint32_t flags,
                                         std::uint32_t deviceIndex) = 0;
    // A voice feeding the mastering voice. `format` is followed by its extra bytes. `sound` is
    // what the voice will play: the engine takes it in here, once, so that a submission of it
    // later costs neither a copy nor an allocation. The submitted buffer must describe exactly
    // these bytes.
    virtual HRESULT CreateSourceVoice(Ref<SourceVoice>* voice, const WAVEFORMATEX& format,
                                      std::uint32_t flags, float maxFrequencyRatio,
                                      std::span<const std::uint8_t> sound) = 0;
    // An engine mixes from its initialisation on, silence too. Stopped it mixes nothing and
    // costs nothing; its voices keep their state, and a start carries on with them.
    virtual void StopEngine() = 0;
    virtual HRESULT StartEngine() = 0;
};

class Platform {
  public:
    virtual ~Platform() = default;

    // An engine that still has to be initialised.
    virtual HRESULT CreateEngine(Ref<Engine>* engine) = 0;
    // An address inside the loaded library that serves `classId`, or null when none does.
    virtual const void* ServerAddress(const ClassId& classId) = 0;
};

// The installed platform, or null before the shell has installed one.
Platform* GetPlatform();
void SetPlatform(Platform* platform);

}  // namespace audio

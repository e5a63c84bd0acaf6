#pragma once

// The engine is an OpenAL device: the default device, or a loopback device that mixes on demand
// when the platform was made for tests. Its mastering voice is the device's context.

#include <memory>

#include "audio/Platform.h"
#include "audio/al/Context.h"
#include "audio/al/Device.h"

namespace audio::al {

class Platform;

class Engine : public audio::Engine {
  public:
    explicit Engine(Platform& platform) : platform_(platform) {}

    HRESULT Initialize(std::uint32_t flags, std::uint32_t processor) override;
    HRESULT CreateMasteringVoice(Ref<audio::MasteringVoice>* voice, std::uint32_t inputChannels,
                                 std::uint32_t inputSampleRate, std::uint32_t flags,
                                 std::uint32_t deviceIndex) override;
    HRESULT CreateSourceVoice(Ref<audio::SourceVoice>* voice, const WAVEFORMATEX& format,
                              std::uint32_t flags, float maxFrequencyRatio,
                              std::span<const std::uint8_t> sound) override;
    // The device's mixing is paused and resumed (ALC_SOFT_pause_device). A loopback device
    // mixes only when asked, and a library without the extension keeps mixing: both are left
    // alone.
    void StopEngine() override;
    HRESULT StartEngine() override;

  private:
    Platform& platform_;
    std::shared_ptr<Device> device_;
    std::weak_ptr<Context> context_;
};

}  // namespace audio::al

#include "audio/al/Engine.h"

#include <AL/alc.h>
#include <AL/alext.h>

#include <vector>

#include "audio/al/LibrarySetup.h"
#include "audio/al/MasteringVoice.h"
#include "audio/al/Platform.h"
#include "audio/al/SourceVoice.h"

namespace audio::al {

HRESULT Engine::Initialize(std::uint32_t, std::uint32_t) {
    if (device_) {
        return kErrorInvalidCall;
    }
    // The library mixes on threads of its own; there is no processor to choose.
    LibrarySetup::Configure(platform_.options().shortPeriods);
    ALCdevice* device = nullptr;
    if (platform_.options().loopback) {
        if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) {
            return E_FAIL;
        }
        auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        device = open != nullptr ? open(nullptr) : nullptr;
    } else {
        device = alcOpenDevice(nullptr);
    }
    if (device == nullptr) {
        return E_FAIL;
    }
    device_ = std::make_shared<Device>(device, platform_.options().loopback);
    platform_.Track(device_);
    return S_OK;
}

HRESULT Engine::CreateMasteringVoice(Ref<audio::MasteringVoice>* voice, std::uint32_t inputChannels,
                                     std::uint32_t inputSampleRate, std::uint32_t flags,
                                     std::uint32_t deviceIndex) {
    if (voice == nullptr || flags != 0 || deviceIndex != 0) {
        return E_INVALIDARG;
    }
    // One output per engine, as with the engine's own mastering voice.
    if (!device_ || !context_.expired()) {
        return kErrorInvalidCall;
    }
    std::vector<ALCint> attributes;
    if (device_->loopback()) {
        if (inputChannels > 2) {
            return E_INVALIDARG;
        }
        const int channels = inputChannels == 1 ? 1 : 2;
        const ALCint rate = inputSampleRate != 0 ? static_cast<ALCint>(inputSampleRate)
                                                 : platform_.options().loopbackRate;
        attributes = {ALC_FORMAT_CHANNELS_SOFT,
                      channels == 1 ? ALC_MONO_SOFT : ALC_STEREO_SOFT,
                      ALC_FORMAT_TYPE_SOFT,
                      ALC_FLOAT_SOFT,
                      ALC_FREQUENCY,
                      rate};
        device_->channels = channels;
    } else if (inputSampleRate != 0) {
        // The device's channel layout is its own; a rate can be asked for.
        attributes = {ALC_FREQUENCY, static_cast<ALCint>(inputSampleRate)};
    }
    attributes.push_back(0);
    ALCcontext* context = alcCreateContext(device_->get(), attributes.data());
    if (context == nullptr) {
        return E_FAIL;
    }
    auto shared = std::make_shared<Context>(device_, context);
    if (!shared->MakeCurrent()) {
        return E_FAIL;
    }
    context_ = shared;
    *voice = std::make_unique<MasteringVoice>(std::move(shared));
    return S_OK;
}

HRESULT Engine::CreateSourceVoice(Ref<audio::SourceVoice>* voice, const WAVEFORMATEX& format,
                                  std::uint32_t flags, float maxFrequencyRatio,
                                  std::span<const std::uint8_t> sound) {
    if (voice == nullptr || flags != 0) {
        return E_INVALIDARG;
    }
    std::shared_ptr<Context> context = context_.lock();
    if (!context) {
        return kErrorInvalidCall;
    }
    return SourceVoice::Create(std::move(context), format, maxFrequencyRatio, sound, voice);
}

void Engine::StopEngine() {
    if (!device_ || device_->loopback()) {
        return;
    }
    if (const auto pause = reinterpret_cast<LPALCDEVICEPAUSESOFT>(
            alcGetProcAddress(device_->get(), "alcDevicePauseSOFT"))) {
        pause(device_->get());
    }
}

HRESULT Engine::StartEngine() {
    if (!device_) {
        return kErrorInvalidCall;
    }
    if (device_->loopback()) {
        return S_OK;
    }
    if (const auto resume = reinterpret_cast<LPALCDEVICERESUMESOFT>(
            alcGetProcAddress(device_->get(), "alcDeviceResumeSOFT"))) {
        resume(device_->get());
        // A device that cannot start again says so only through its error state.
        if (alcGetError(device_->get()) != ALC_NO_ERROR) {
            return E_FAIL;
        }
    }
    return S_OK;
}

}  // namespace audio::al

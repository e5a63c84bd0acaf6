#include "audio/al/Platform.h"

#include <AL/alc.h>
#include <AL/alext.h>

#include <vector>

#include "audio/al/Device.h"
#include "audio/al/Engine.h"

namespace audio::al {

Platform::Platform(Options options) : options_(options) {}

Platform::~Platform() = default;

HRESULT Platform::CreateEngine(Ref<audio::Engine>* engine) {
    if (engine == nullptr) {
        return E_INVALIDARG;
    }
    *engine = std::make_unique<Engine>(*this);
    return S_OK;
}

const void* Platform::ServerAddress(const ClassId& classId) {
    if (classId != kEngineClassId) {
        return nullptr;
    }
    return reinterpret_cast<const void*>(&alcOpenDevice);
}

void Platform::Track(const std::shared_ptr<Device>& device) {
    device_ = device;
}

bool Platform::Render(float* output, std::uint32_t frames) {
    const std::shared_ptr<Device> device = device_.lock();
    if (!device || !device->loopback() || output == nullptr) {
        return false;
    }
    auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(device->get(), "alcRenderSamplesSOFT"));
    if (render == nullptr) {
        return false;
    }
    render(device->get(), output, static_cast<ALCsizei>(frames));
    return true;
}

int Platform::Channels() const {
    const std::shared_ptr<Device> device = device_.lock();
    return device ? device->channels : 0;
}

DeviceTiming Platform::Timing() const {
    DeviceTiming timing;
    const std::shared_ptr<Device> device = device_.lock();
    if (!device) {
        return timing;
    }
    ALCdevice* d = device->get();
    timing.open = true;
    if (const ALCchar* name = alcGetString(d, ALC_DEVICE_SPECIFIER)) {
        timing.deviceName = name;
    }
    ALCint size = 0;
    alcGetIntegerv(d, ALC_ATTRIBUTES_SIZE, 1, &size);
    if (size > 0) {
        std::vector<ALCint> attributes(static_cast<std::size_t>(size));
        alcGetIntegerv(d, ALC_ALL_ATTRIBUTES, size, attributes.data());
        for (std::size_t i = 0; i + 1 < attributes.size() && attributes[i] != 0; i += 2) {
            if (attributes[i] == ALC_FREQUENCY) {
                timing.frequency = attributes[i + 1];
            } else if (attributes[i] == ALC_REFRESH) {
                timing.refresh = attributes[i + 1];
            }
        }
    }
    if (alcIsExtensionPresent(d, "ALC_SOFT_device_clock") == ALC_TRUE) {
        auto get =
            reinterpret_cast<LPALCGETINTEGER64VSOFT>(alcGetProcAddress(d, "alcGetInteger64vSOFT"));
        ALCint64SOFT latency = -1;
        if (get != nullptr) {
            get(d, ALC_DEVICE_LATENCY_SOFT, 1, &latency);
        }
        timing.latencyNanoseconds = latency;
    }
    return timing;
}

}  // namespace audio::al

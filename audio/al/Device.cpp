#include "audio/al/Device.h"

namespace audio::al {

Device::~Device() {
    alcCloseDevice(device_);
}

}  // namespace audio::al

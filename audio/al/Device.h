#pragma once

// An open OpenAL device, shared by the engine that opened it and by the context made on it, so
// that it is closed only once neither needs it.

#include <AL/alc.h>

#include <memory>

namespace audio::al {

class Device {
  public:
    Device(ALCdevice* device, bool loopback) : device_(device), loopback_(loopback) {}
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    ALCdevice* get() const { return device_; }
    bool loopback() const { return loopback_; }
    // Output channels of a loopback device, set when its context is made.
    int channels = 2;

  private:
    ALCdevice* device_;
    bool loopback_;
};

}  // namespace audio::al

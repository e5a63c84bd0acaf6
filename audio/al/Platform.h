#pragma once

// The audio layer on OpenAL Soft, which the shell installs with audio::SetPlatform. Engines open
// the default output device; a platform made with `loopback` opens devices that mix only when
// asked to (Render), with no sound hardware and no real time, for tests.

#include <cstdint>
#include <memory>
#include <string>

#include "audio/Platform.h"

namespace audio::al {

class Device;

struct Options {
    bool loopback = false;
    // Output rate of a loopback device whose mastering voice leaves the rate to the device.
    std::int32_t loopbackRate = 44100;
    // Short mixing periods, so that a strike is heard within about 30 ms. Benchmarks turn this
    // off to measure the library's own defaults.
    bool shortPeriods = true;
};

// How the device of the newest engine mixes, as the library reports it.
struct DeviceTiming {
    bool open = false;
    std::string deviceName;
    std::int32_t frequency = 0;
    // Mixing periods per second.
    std::int32_t refresh = 0;
    // From a sample being mixed to it being heard, or -1 when the library cannot tell.
    std::int64_t latencyNanoseconds = -1;
    double PeriodMilliseconds() const { return refresh > 0 ? 1000.0 / refresh : 0.0; }
};

class Platform : public audio::Platform {
  public:
    explicit Platform(Options options = {});
    ~Platform() override;

    HRESULT CreateEngine(Ref<audio::Engine>* engine) override;
    // The engine's class is served by the OpenAL library this program is linked with.
    const void* ServerAddress(const ClassId& classId) override;

    // Mixes `frames` frames of 32-bit float output, interleaved (stereo unless the mastering
    // voice asked for mono), from the newest live loopback engine. False when there is none.
    bool Render(float* output, std::uint32_t frames);
    // Output channels of the newest live engine's device.
    int Channels() const;
    DeviceTiming Timing() const;

    const Options& options() const { return options_; }
    // Called by an engine once its device is open.
    void Track(const std::shared_ptr<Device>& device);

  private:
    Options options_;
    std::weak_ptr<Device> device_;
};

}  // namespace audio::al

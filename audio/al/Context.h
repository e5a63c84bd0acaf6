#pragma once

// An OpenAL context, the mixer the source voices play into. The mastering voice and every
// source voice share it, so that a voice left alive by mistake after its mastering voice still
// finds its AL objects valid.

#include <AL/alc.h>

#include <memory>

#include "audio/al/Device.h"

namespace audio::al {

class Context {
  public:
    Context(std::shared_ptr<Device> device, ALCcontext* context);
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // AL calls go to the process's current context; one engine's voices must not land in
    // another's.
    bool MakeCurrent() const;
    bool float32() const { return float32_; }

  private:
    std::shared_ptr<Device> device_;
    ALCcontext* context_;
    bool float32_ = false;
};

}  // namespace audio::al

#pragma once

// An OpenAL context, the mixer the source voices play into. The mastering voice and every
// source voice share it, so that a voice left alive by mistake after its mastering voice still
// finds its AL objects valid.

#include <AL/al.h>
#include <AL/alc.h>

#include <memory>
#include <vector>

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

    // Deletes a voice's source and buffer (0 for none). Where the context cannot be made current
    // now they are deleted the next time it can, at the latest just before it is destroyed.
    void DeleteVoiceObjects(ALuint source, ALuint buffer);

  private:
    void DeletePending() const;

    std::shared_ptr<Device> device_;
    ALCcontext* context_;
    bool float32_ = false;
    // Names of voices gone while the context could not be made current.
    mutable std::vector<ALuint> pendingSources_;
    mutable std::vector<ALuint> pendingBuffers_;
};

}  // namespace audio::al

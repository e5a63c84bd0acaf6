#include "audio/al/Context.h"

#include <AL/al.h>

namespace audio::al {

Context::Context(std::shared_ptr<Device> device, ALCcontext* context)
    : device_(std::move(device)), context_(context) {
    if (MakeCurrent()) {
        float32_ = alIsExtensionPresent("AL_EXT_FLOAT32") == AL_TRUE;
    }
}

Context::~Context() {
    if (alcGetCurrentContext() == context_) {
        alcMakeContextCurrent(nullptr);
    }
    alcDestroyContext(context_);
}

bool Context::MakeCurrent() const {
    return alcGetCurrentContext() == context_ || alcMakeContextCurrent(context_) == ALC_TRUE;
}

}  // namespace audio::al

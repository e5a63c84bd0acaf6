#include "audio/al/Context.h"

#include <AL/al.h>

#include <new>

namespace audio::al {

Context::Context(std::shared_ptr<Device> device, ALCcontext* context)
    : device_(std::move(device)), context_(context) {
    if (MakeCurrent()) {
        float32_ = alIsExtensionPresent("AL_EXT_FLOAT32") == AL_TRUE;
    }
}

Context::~Context() {
    // Destroying the context frees its sources but not the buffers, which belong to the device.
    MakeCurrent();
    if (alcGetCurrentContext() == context_) {
        alcMakeContextCurrent(nullptr);
    }
    alcDestroyContext(context_);
}

bool Context::MakeCurrent() const {
    if (alcGetCurrentContext() != context_ && alcMakeContextCurrent(context_) != ALC_TRUE) {
        return false;
    }
    if (!pendingSources_.empty() || !pendingBuffers_.empty()) {
        DeletePending();
    }
    return true;
}

void Context::DeleteVoiceObjects(ALuint source, ALuint buffer) {
    if (MakeCurrent()) {
        if (source != 0) {
            alSourceStop(source);
            alDeleteSources(1, &source);
        }
        if (buffer != 0) {
            alDeleteBuffers(1, &buffer);
        }
        return;
    }
    // Called from a voice's destructor: out of memory here, the names stay with the library,
    // which frees them with the context and the device.
    try {
        if (source != 0) {
            pendingSources_.push_back(source);
        }
        if (buffer != 0) {
            pendingBuffers_.push_back(buffer);
        }
    } catch (const std::bad_alloc&) {
    }
}

void Context::DeletePending() const {
    // Sources first: a buffer still attached to a source cannot be deleted.
    for (ALuint source : pendingSources_) {
        alSourceStop(source);
        alDeleteSources(1, &source);
    }
    pendingSources_.clear();
    alDeleteBuffers(static_cast<ALsizei>(pendingBuffers_.size()), pendingBuffers_.data());
    pendingBuffers_.clear();
}

}  // namespace audio::al

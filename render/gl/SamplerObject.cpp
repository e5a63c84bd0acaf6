#include "render/gl/SamplerObject.h"

#include "render/gl/LiveObjects.h"

namespace gl {

SamplerObject::SamplerObject(std::shared_ptr<Context> owner, GLuint samplerName)
    : context(std::move(owner)), name(samplerName) {}

SamplerObject::~SamplerObject() {
    if (name != 0 && context->MakeCurrent()) {
        context->gl().DeleteSamplers(1, &name);
    }
    LiveObjects::Released(ObjectKind::Sampler, name);
}

}  // namespace gl

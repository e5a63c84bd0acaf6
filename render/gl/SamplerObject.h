#pragma once

#include <memory>

#include "render/gl/Context.h"

namespace gl {

// A sampler state's GL sampler object.
struct SamplerObject {
    SamplerObject(std::shared_ptr<Context> context, GLuint name);
    ~SamplerObject();
    SamplerObject(const SamplerObject&) = delete;
    SamplerObject& operator=(const SamplerObject&) = delete;

    const std::shared_ptr<Context> context;
    const GLuint name;
};

}  // namespace gl

#pragma once

#include <memory>
#include <string>

#include "render/gl/Context.h"

namespace gl {

// One entry point compiled: the GLSL source as it went to the compiler, the compiled shader and
// a program linked from it alone, which proves the entry point has a main and tells a vertex
// shader's inputs. Shared by the compiled code and the shader made from it.
struct ShaderCode {
    ShaderCode(std::shared_ptr<Context> context, GLenum stage, std::string source);
    ~ShaderCode();
    ShaderCode(const ShaderCode&) = delete;
    ShaderCode& operator=(const ShaderCode&) = delete;

    const std::shared_ptr<Context> context;
    const std::uint32_t id;
    const GLenum stage;
    const std::string source;
    GLuint shader = 0;
    GLuint probe = 0;
};

}  // namespace gl

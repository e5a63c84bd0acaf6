#include "render/gl/ShaderCode.h"

#include "render/gl/LiveObjects.h"

namespace gl {

ShaderCode::ShaderCode(std::shared_ptr<Context> owner, GLenum shaderStage, std::string text)
    : context(std::move(owner)),
      id(context->NewId()),
      stage(shaderStage),
      source(std::move(text)) {}

ShaderCode::~ShaderCode() {
    context->ForgetPrograms(id);
    if ((shader != 0 || probe != 0) && context->MakeCurrent()) {
        if (probe != 0) {
            context->gl().DeleteProgram(probe);
        }
        if (shader != 0) {
            context->gl().DeleteShader(shader);
        }
    }
    LiveObjects::Released(ObjectKind::Program, probe);
    LiveObjects::Released(ObjectKind::Shader, shader);
}

}  // namespace gl

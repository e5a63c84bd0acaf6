#include "render/gl/Context.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/DebugSink.h"
#include "render/gl/BufferStorage.h"
#include "render/gl/Formats.h"
#include "render/gl/InputLayoutData.h"
#include "render/gl/LiveObjects.h"
#include "render/gl/SamplerObject.h"
#include "render/gl/ShaderCode.h"
#include "render/gl/TextureStorage.h"

namespace gl {

namespace {

// Mesa's software rasterisers, as their contexts name themselves.
bool IsSoftwareRenderer(const std::string& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
        if (renderer.find(name) != std::string::npos) {
            return true;
        }
    }
    return false;
}

bool HasExtension(const Functions& gl, const char* wanted) {
    GLint count = 0;
    gl.GetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const auto* name = reinterpret_cast<const char*>(gl.GetStringi(GL_EXTENSIONS, i));
        if (name != nullptr && std::strcmp(name, wanted) == 0) {
            return true;
        }
    }
    return false;
}

bool IsSamplerType(GLenum type) {
    switch (type) {
        case GL_SAMPLER_1D:
        case GL_SAMPLER_2D:
        case GL_SAMPLER_3D:
        case GL_SAMPLER_CUBE:
        case GL_SAMPLER_2D_SHADOW:
        case GL_SAMPLER_2D_ARRAY:
        case GL_SAMPLER_2D_RECT:
        case GL_INT_SAMPLER_2D:
        case GL_UNSIGNED_INT_SAMPLER_2D:
            return true;
        default:
            return false;
    }
}

}  // namespace

Context::Context(Surface& surface) : surface_(surface), surfaceAlive_(surface.AliveToken()) {}

Context::~Context() {
    // Without a current context the objects are gone with the context they were made in.
    const bool current = opened_ && MakeCurrent();
    for (const auto& [key, program] : programs_) {
        if (program != 0 && current) {
            gl_.DeleteProgram(program);
        }
        LiveObjects::Released(ObjectKind::Program, program);
    }
    if (current) {
        gl_.DeleteVertexArrays(1, &vertexArray_);
        gl_.DeleteFramebuffers(1, &drawFramebuffer_);
        gl_.DeleteFramebuffers(1, &readFramebuffer_);
    }
    LiveObjects::Released(ObjectKind::VertexArray, vertexArray_);
    LiveObjects::Released(ObjectKind::Framebuffer, drawFramebuffer_);
    LiveObjects::Released(ObjectKind::Framebuffer, readFramebuffer_);
}

HRESULT Context::Open(ContextKind kind) {
    if (!surface_.CreateContext(kind) || !surface_.MakeCurrent()) {
        return E_FAIL;
    }
    if (!gl_.Load(surface_, nullptr)) {
        return E_FAIL;
    }
    GLint major = 0;
    GLint minor = 0;
    gl_.GetIntegerv(GL_MAJOR_VERSION, &major);
    gl_.GetIntegerv(GL_MINOR_VERSION, &minor);
    if (major < 3 || (major == 3 && minor < 3)) {
        OutputDebugString("OpenGL: the context offers version " + std::to_string(major) + "." +
                          std::to_string(minor) + "; 3.3 is needed\n");
        return E_FAIL;
    }
    const auto* renderer = reinterpret_cast<const char*>(gl_.GetString(GL_RENDERER));
    renderer_ = renderer != nullptr ? renderer : "";
    software_ = IsSoftwareRenderer(renderer_);
    if (kind == ContextKind::Hardware && software_) {
        return E_FAIL;
    }
    // A function found by name proves nothing under GLX, which hands out an entry for any name:
    // clip control counts only where the version or the extension list says so.
    if (!(major > 4 || (major == 4 && minor >= 5) || HasExtension(gl_, "GL_ARB_clip_control"))) {
        gl_.ClipControl = nullptr;
    }
    if (!(major > 4 || (major == 4 && minor >= 1) ||
          HasExtension(gl_, "GL_ARB_separate_shader_objects"))) {
        gl_.ProgramParameteri = nullptr;
    }
    ClearErrors();
    if (gl_.ClipControl != nullptr) {
        // The projection maps depth to [0, 1] and the viewport's depth range is [0, 1]: with
        // this the clip volume and the depth buffer's precision are those the formula expects.
        gl_.ClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    }
    gl_.GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
    gl_.GenVertexArrays(1, &vertexArray_);
    gl_.GenFramebuffers(1, &drawFramebuffer_);
    gl_.GenFramebuffers(1, &readFramebuffer_);
    LiveObjects::Held(ObjectKind::VertexArray, vertexArray_);
    LiveObjects::Held(ObjectKind::Framebuffer, drawFramebuffer_);
    LiveObjects::Held(ObjectKind::Framebuffer, readFramebuffer_);
    // Colours go to the target exactly as computed.
    gl_.Disable(GL_DITHER);
    gl_.Disable(GL_FRAMEBUFFER_SRGB);
    opened_ = true;
    return TakeError();
}

bool Context::MakeCurrent() {
    return !lost() && surface_.MakeCurrent();
}

void Context::ClearErrors() {
    for (int i = 0; i < 16 && gl_.GetError() != GL_NO_ERROR; ++i) {
    }
}

HRESULT Context::TakeError() {
    const GLenum error = gl_.GetError();
    ClearErrors();
    switch (error) {
        case GL_NO_ERROR:
            return S_OK;
        case GL_OUT_OF_MEMORY:
            return E_OUTOFMEMORY;
        case GL_CONTEXT_LOST:
            lost_ = true;
            return E_FAIL;
        default:
            return E_FAIL;
    }
}

void Context::ForgetPrograms(std::uint32_t id) {
    bool current = false;
    for (auto it = programs_.begin(); it != programs_.end();) {
        const auto& [vertex, pixel, layout] = it->first;
        if (vertex != id && pixel != id && layout != id) {
            ++it;
            continue;
        }
        if (it->second != 0 && (current || (current = MakeCurrent()))) {
            gl_.DeleteProgram(it->second);
        }
        LiveObjects::Released(ObjectKind::Program, it->second);
        it = programs_.erase(it);
    }
}

GLuint Context::ProgramFor(const ShaderCode& vertex, const ShaderCode& pixel,
                           const InputLayoutData& layout) {
    const auto key = std::make_tuple(vertex.id, pixel.id, layout.id);
    const auto it = programs_.find(key);
    if (it != programs_.end()) {
        return it->second;
    }
    // A pair that does not link is remembered too, so it is not linked again every frame.
    const GLuint program = Link(vertex, pixel, layout);
    LiveObjects::Held(ObjectKind::Program, program);
    programs_.emplace(key, program);
    return program;
}

GLuint Context::Link(const ShaderCode& vertex, const ShaderCode& pixel,
                     const InputLayoutData& layout) {
    const GLuint program = gl_.CreateProgram();
    gl_.AttachShader(program, vertex.shader);
    gl_.AttachShader(program, pixel.shader);
    for (std::size_t i = 0; i < layout.elements.size(); ++i) {
        gl_.BindAttribLocation(program, static_cast<GLuint>(i),
                               layout.elements[i].attribute.c_str());
    }
    gl_.LinkProgram(program);
    gl_.DetachShader(program, vertex.shader);
    gl_.DetachShader(program, pixel.shader);
    GLint linked = GL_FALSE;
    gl_.GetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        gl_.DeleteProgram(program);
        return 0;
    }
    // Slots become binding points: the program's uniform blocks take the constant-buffer slots
    // and its samplers the texture units in the order the program lists them.
    gl_.UseProgram(program);
    GLint uniforms = 0;
    gl_.GetProgramiv(program, GL_ACTIVE_UNIFORMS, &uniforms);
    GLint unit = 0;
    for (GLint i = 0; i < uniforms; ++i) {
        char name[256] = {};
        GLint size = 0;
        GLenum type = 0;
        gl_.GetActiveUniform(program, static_cast<GLuint>(i), sizeof name, nullptr, &size, &type,
                             name);
        if (!IsSamplerType(type)) {
            continue;
        }
        const GLint location = gl_.GetUniformLocation(program, name);
        for (GLint k = 0; k < size; ++k) {
            gl_.Uniform1i(location + k, unit++);
        }
    }
    GLint blocks = 0;
    gl_.GetProgramiv(program, GL_ACTIVE_UNIFORM_BLOCKS, &blocks);
    for (GLint b = 0; b < blocks; ++b) {
        gl_.UniformBlockBinding(program, static_cast<GLuint>(b), static_cast<GLuint>(b));
    }
    return program;
}

}  // namespace gl

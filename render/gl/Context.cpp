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

// Binds the backend's framebuffer with the bound views attached; false when it cannot draw.
bool Context::BindDrawFramebuffer() {
    gl_.BindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer_);
    gl_.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                             state.renderTarget ? state.renderTarget->name : 0, 0);
    gl_.FramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D,
                             state.depthTarget ? state.depthTarget->name : 0, 0);
    gl_.DrawBuffer(state.renderTarget ? GL_COLOR_ATTACHMENT0 : GL_NONE);
    return (state.renderTarget || state.depthTarget) &&
           gl_.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void Context::ClearColor(TextureStorage& target, const float rgba[4]) {
    if (!MakeCurrent()) {
        return;
    }
    // A clear writes the whole view whatever is bound: the view alone is attached for it, and
    // neither the scissor nor the write mask of the blend state applies.
    gl_.BindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer_);
    gl_.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.name, 0);
    gl_.FramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
    gl_.DrawBuffer(GL_COLOR_ATTACHMENT0);
    if (gl_.CheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return;
    }
    gl_.Disable(GL_SCISSOR_TEST);
    gl_.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl_.ClearBufferfv(GL_COLOR, 0, rgba);
    if (target.backBuffer) {
        target.presented = false;
    }
}

void Context::ClearDepth(TextureStorage& target, float depth) {
    if (!MakeCurrent()) {
        return;
    }
    gl_.BindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer_);
    gl_.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    gl_.FramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, target.name, 0);
    gl_.DrawBuffer(GL_NONE);
    if (gl_.CheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return;
    }
    gl_.Disable(GL_SCISSOR_TEST);
    gl_.DepthMask(GL_TRUE);
    gl_.ClearBufferfv(GL_DEPTH, 0, &depth);
}

void Context::ApplyRasterizer() {
    gpu::RasterizerDesc defaults;
    defaults.depthClipEnable = true;
    const gpu::RasterizerDesc& r = state.rasterizer ? *state.rasterizer : defaults;
    gl_.PolygonMode(GL_FRONT_AND_BACK, r.fillMode == gpu::FillMode::Solid ? GL_FILL : GL_LINE);
    if (r.cullMode == gpu::CullMode::None) {
        gl_.Disable(GL_CULL_FACE);
    } else {
        gl_.Enable(GL_CULL_FACE);
        gl_.CullFace(r.cullMode == gpu::CullMode::Front ? GL_FRONT : GL_BACK);
    }
    // The picture is not flipped on its way to the screen, so the winding seen there is the
    // winding GL sees.
    gl_.FrontFace(r.frontCounterClockwise ? GL_CCW : GL_CW);
    if (r.depthBias != 0 || r.slopeScaledDepthBias != 0.0f) {
        gl_.Enable(GL_POLYGON_OFFSET_FILL);
        gl_.PolygonOffset(r.slopeScaledDepthBias, static_cast<GLfloat>(r.depthBias));
    } else {
        gl_.Disable(GL_POLYGON_OFFSET_FILL);
    }
    if (r.depthClipEnable) {
        gl_.Disable(GL_DEPTH_CLAMP);
    } else {
        gl_.Enable(GL_DEPTH_CLAMP);
    }
    // No scissor rectangles can be set through the device, so there is nothing to clip to.
    gl_.Disable(GL_SCISSOR_TEST);
    if (r.multisampleEnable) {
        gl_.Enable(GL_MULTISAMPLE);
    } else {
        gl_.Disable(GL_MULTISAMPLE);
    }
    if (r.antialiasedLineEnable) {
        gl_.Enable(GL_LINE_SMOOTH);
    } else {
        gl_.Disable(GL_LINE_SMOOTH);
    }
    // No depth-stencil state is ever set: the default one, less-than test with writes on.
    gl_.Enable(GL_DEPTH_TEST);
    gl_.DepthFunc(GL_LESS);
    gl_.DepthMask(GL_TRUE);
}

void Context::ApplyBlend() {
    gpu::BlendDesc defaults;
    std::fill(std::begin(defaults.renderTargetWriteMask), std::end(defaults.renderTargetWriteMask),
              gpu::kColorWriteEnableAll);
    const gpu::BlendDesc& b = state.blend ? *state.blend : defaults;
    if (b.alphaToCoverageEnable) {
        gl_.Enable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    } else {
        gl_.Disable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    }
    for (GLuint i = 0; i < 8; ++i) {
        if (b.blendEnable[i]) {
            gl_.Enablei(GL_BLEND, i);
        } else {
            gl_.Disablei(GL_BLEND, i);
        }
        const std::uint8_t mask = b.renderTargetWriteMask[i];
        gl_.ColorMaski(i, (mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);
    }
    gl_.BlendFuncSeparate(BlendFactorOf(b.srcBlend), BlendFactorOf(b.destBlend),
                          BlendFactorOf(b.srcBlendAlpha), BlendFactorOf(b.destBlendAlpha));
    gl_.BlendEquationSeparate(BlendEquationOf(b.blendOp), BlendEquationOf(b.blendOpAlpha));
    gl_.BlendColor(state.blendFactor[0], state.blendFactor[1], state.blendFactor[2],
                   state.blendFactor[3]);
    if (state.sampleMask == 0xFFFFFFFFu) {
        gl_.Disable(GL_SAMPLE_MASK);
    } else {
        gl_.Enable(GL_SAMPLE_MASK);
        gl_.SampleMaski(0, state.sampleMask);
    }
}

void Context::ApplyResources() {
    std::uint32_t constantSlots = 0;
    std::uint32_t textureUnits = 0;
    for (std::uint32_t s = 0; s < kSlots; ++s) {
        if (state.vertexConstants[s] || state.pixelConstants[s]) {
            constantSlots = s + 1;
        }
        if (state.textures[s] || state.samplers[s]) {
            textureUnits = s + 1;
        }
    }
    // Both stages share the binding points of one program: a slot bound in both takes the pixel
    // stage's buffer (the renderer binds the same one to both).
    for (std::uint32_t s = 0; s < std::max(constantSlots, boundConstantSlots_); ++s) {
        const BufferStorage* buffer = state.pixelConstants[s] ? state.pixelConstants[s].get()
                                                              : state.vertexConstants[s].get();
        gl_.BindBufferBase(GL_UNIFORM_BUFFER, s, buffer != nullptr ? buffer->name : 0);
    }
    boundConstantSlots_ = constantSlots;
    for (std::uint32_t u = 0; u < std::max(textureUnits, boundTextureUnits_); ++u) {
        gl_.ActiveTexture(GL_TEXTURE0 + u);
        gl_.BindTexture(GL_TEXTURE_2D, state.textures[u] ? state.textures[u]->name : 0);
        gl_.BindSampler(u, state.samplers[u] ? state.samplers[u]->name : 0);
    }
    boundTextureUnits_ = textureUnits;
    gl_.ActiveTexture(GL_TEXTURE0);
}

void Context::ApplyVertexInputs(const InputLayoutData& layout) {
    gl_.BindVertexArray(vertexArray_);
    const auto count = static_cast<std::uint32_t>(layout.elements.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        const InputLayoutData::Element& element = layout.elements[i];
        const PipelineState::VertexBinding& binding = state.vertexBuffers[element.slot];
        if (!binding.buffer) {
            gl_.DisableVertexAttribArray(i);
            continue;
        }
        gl_.BindBuffer(GL_ARRAY_BUFFER, binding.buffer->name);
        const std::uintptr_t offset = std::uintptr_t{binding.offset} + element.offset;
        gl_.VertexAttribPointer(i, VertexComponentsOf(element.format), GL_FLOAT, GL_FALSE,
                                static_cast<GLsizei>(binding.stride),
                                reinterpret_cast<const void*>(offset));
        gl_.EnableVertexAttribArray(i);
    }
    for (std::uint32_t i = count; i < enabledAttributes_; ++i) {
        gl_.DisableVertexAttribArray(i);
    }
    enabledAttributes_ = count;
}

void Context::Draw(std::uint32_t vertexCount, std::uint32_t startVertex) {
    const GLenum mode = PrimitiveOf(state.topology);
    if (mode == 0 || vertexCount == 0 || !state.vertexShader || !state.pixelShader ||
        !state.inputLayout || !state.viewport || !MakeCurrent()) {
        return;
    }
    const GLuint program = ProgramFor(*state.vertexShader, *state.pixelShader, *state.inputLayout);
    if (program == 0 || !BindDrawFramebuffer()) {
        return;
    }
    // Everything is set again for every draw: the shell's widget and Qt itself use the same
    // context between frames and leave their own state behind.
    const gpu::Viewport& v = *state.viewport;
    const std::uint32_t targetHeight =
        state.renderTarget ? state.renderTarget->desc.height : state.depthTarget->desc.height;
    // Viewports count from the top, GL's from the bottom; the picture itself is not flipped.
    const auto bottom =
        static_cast<GLint>(targetHeight) - v.topLeftY - static_cast<GLint>(v.height);
    gl_.Viewport(v.topLeftX, bottom, static_cast<GLsizei>(v.width), static_cast<GLsizei>(v.height));
    gl_.DepthRange(v.minDepth, v.maxDepth);
    ApplyRasterizer();
    ApplyBlend();
    gl_.UseProgram(program);
    ApplyResources();
    ApplyVertexInputs(*state.inputLayout);
    gl_.DrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertexCount));
    if (state.renderTarget && state.renderTarget->backBuffer) {
        state.renderTarget->presented = false;
    }
}

}  // namespace gl

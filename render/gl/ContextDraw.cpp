// The context's drawing: clears, and the recorded pipeline state applied to GL for each draw.
#include "render/gl/Context.h"

#include <algorithm>

#include "render/gl/BufferStorage.h"
#include "render/gl/Formats.h"
#include "render/gl/InputLayoutData.h"
#include "render/gl/SamplerObject.h"
#include "render/gl/ShaderCode.h"
#include "render/gl/TextureStorage.h"

namespace gl {

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

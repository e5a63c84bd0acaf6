#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "render/gl/Functions.h"
#include "render/gl/Surface.h"

namespace gl {

struct BufferStorage;
struct InputLayoutData;
struct SamplerObject;
struct ShaderCode;
struct TextureStorage;

// Up to this many vertex buffers, constant buffers, samplers and textures can be bound.
inline constexpr std::uint32_t kSlots = 16;

// The pipeline state as the device last set it. Bound objects are held through their shared
// storage: one released while still bound stays valid until it is unbound, as the device's own
// reference would keep it on the platform the renderer was designed for.
struct PipelineState {
    std::shared_ptr<TextureStorage> renderTarget;
    std::shared_ptr<TextureStorage> depthTarget;
    std::optional<gpu::Viewport> viewport;
    // Absent: the default state (solid, back faces culled, clockwise front, depth clipping).
    std::optional<gpu::RasterizerDesc> rasterizer;
    // Absent: the default state (no blending, every channel written).
    std::optional<gpu::BlendDesc> blend;
    std::array<float, 4> blendFactor = {1.0f, 1.0f, 1.0f, 1.0f};
    std::uint32_t sampleMask = 0xFFFFFFFFu;
    std::shared_ptr<const ShaderCode> vertexShader;
    std::shared_ptr<const ShaderCode> pixelShader;
    std::shared_ptr<const InputLayoutData> inputLayout;
    gpu::PrimitiveTopology topology = gpu::PrimitiveTopology::Undefined;
    struct VertexBinding {
        std::shared_ptr<BufferStorage> buffer;
        std::uint32_t stride = 0;
        std::uint32_t offset = 0;
    };
    std::array<VertexBinding, kSlots> vertexBuffers;
    std::array<std::shared_ptr<BufferStorage>, kSlots> vertexConstants;
    std::array<std::shared_ptr<BufferStorage>, kSlots> pixelConstants;
    std::array<std::shared_ptr<const SamplerObject>, kSlots> samplers;
    std::array<std::shared_ptr<TextureStorage>, kSlots> textures;
};

// One device's OpenGL context on a surface: the loaded functions, what the context can do, the
// pipeline state and the few GL objects of the backend's own (vertex array, framebuffers,
// linked programs). Every object made on the device shares it, so a release after the device
// is gone still finds a context to delete its GL object in. Once lost (the surface has made a
// new context since, or is gone), nothing touches GL any more and every operation fails.
class Context {
  public:
    explicit Context(Surface& surface);
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // Asks the surface for a context of the given kind and checks it: OpenGL 3.3 or later with
    // every function the backend uses. A hardware request answered by a software rasteriser is
    // refused, so that such a machine gets its context from the software attempt.
    HRESULT Open(ContextKind kind);

    bool MakeCurrent();
    void MarkLost() { lost_ = true; }
    bool lost() const { return lost_ || !*surfaceAlive_; }
    // The device is gone; its objects may still be, and may still be released.
    void MarkReleased() { released_ = true; }
    bool released() const { return released_; }
    Surface& surface() const { return surface_; }
    const Functions& gl() const { return gl_; }
    std::uint32_t NewId() { return nextId_++; }
    const std::string& renderer() const { return renderer_; }
    bool software() const { return software_; }
    bool clipControl() const { return gl_.ClipControl != nullptr; }
    std::int32_t maxTextureSize() const { return maxTextureSize_; }
    std::uint32_t readFramebuffer() const { return readFramebuffer_; }

    // Drops errors left by earlier calls, so that the next TakeError speaks of what follows.
    void ClearErrors();
    // The first error since ClearErrors as a result code.
    HRESULT TakeError();

    PipelineState state;

    void ClearColor(TextureStorage& target, const float rgba[4]);
    void ClearDepth(TextureStorage& target, float depth);
    void Draw(std::uint32_t vertexCount, std::uint32_t startVertex);

    // A shader or input layout is gone: so are the programs linked with it.
    void ForgetPrograms(std::uint32_t id);

  private:
    GLuint ProgramFor(const ShaderCode& vertex, const ShaderCode& pixel,
                      const InputLayoutData& layout);
    GLuint Link(const ShaderCode& vertex, const ShaderCode& pixel, const InputLayoutData& layout);
    bool BindDrawFramebuffer();
    void ApplyRasterizer();
    void ApplyBlend();
    void ApplyResources();
    void ApplyVertexInputs(const InputLayoutData& layout);

    Surface& surface_;
    std::shared_ptr<const bool> surfaceAlive_;
    Functions gl_;
    bool lost_ = false;
    bool released_ = false;
    bool opened_ = false;
    bool software_ = false;
    std::string renderer_;
    std::int32_t maxTextureSize_ = 0;
    std::uint32_t nextId_ = 1;
    GLuint vertexArray_ = 0;
    GLuint drawFramebuffer_ = 0;
    GLuint readFramebuffer_ = 0;
    std::uint32_t enabledAttributes_ = 0;
    std::uint32_t boundConstantSlots_ = 0;
    std::uint32_t boundTextureUnits_ = 0;
    std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, GLuint> programs_;
};

}  // namespace gl

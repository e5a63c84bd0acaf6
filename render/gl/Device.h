#pragma once

#include <memory>

#include "gpu/Device.h"
#include "render/gl/Context.h"

namespace gl {

// The device on an OpenGL 3.3 context. Creation calls check their descriptions the way the
// renderer's original platform does (E_INVALIDARG for what it would refuse); pipeline calls
// only record state, which every draw then applies in full.
class Device final : public gpu::Device {
  public:
    explicit Device(std::shared_ptr<Context> context) : context_(std::move(context)) {}
    // Drops the bindings: they hold what is bound, and what is bound holds the context.
    ~Device() override;
    const std::shared_ptr<Context>& context() const { return context_; }

    HRESULT GetAdapter(gpu::Ref<gpu::Adapter>* adapter) override;
    HRESULT CreateBuffer(const gpu::BufferDesc& desc, const gpu::SubresourceData* initialData,
                         gpu::Ref<gpu::Buffer>* buffer) override;
    HRESULT CreateTexture2D(const gpu::Texture2DDesc& desc, const gpu::SubresourceData* initialData,
                            gpu::Ref<gpu::Texture2D>* texture) override;
    HRESULT CreateRenderTargetView(gpu::Texture2D* resource, const gpu::RenderTargetViewDesc* desc,
                                   gpu::Ref<gpu::RenderTargetView>* view) override;
    HRESULT CreateDepthStencilView(gpu::Texture2D* resource, const gpu::DepthStencilViewDesc* desc,
                                   gpu::Ref<gpu::DepthStencilView>* view) override;
    HRESULT CreateShaderResourceView(gpu::Texture2D* resource, const void* desc,
                                     gpu::Ref<gpu::ShaderResourceView>* view) override;
    HRESULT CreateRasterizerState(const gpu::RasterizerDesc& desc,
                                  gpu::Ref<gpu::RasterizerState>* state) override;
    HRESULT CreateSamplerState(const gpu::SamplerDesc& desc,
                               gpu::Ref<gpu::SamplerState>* state) override;
    HRESULT CreateBlendState(const gpu::BlendDesc& desc, gpu::Ref<gpu::BlendState>* state) override;
    HRESULT CreateVertexShader(const gpu::Blob& code, gpu::Ref<gpu::VertexShader>* shader) override;
    HRESULT CreatePixelShader(const gpu::Blob& code, gpu::Ref<gpu::PixelShader>* shader) override;
    // Every input of the vertex shader must be fed by an element of the same semantic (the
    // attribute's name, with the index appended when it is not 0, compared without case) and
    // of the matching type: three floats for a vec3, two for a vec2.
    HRESULT CreateInputLayout(const gpu::InputElementDesc* elements, std::uint32_t count,
                              const gpu::Blob& vertexShaderCode,
                              gpu::Ref<gpu::InputLayout>* layout) override;

    void OMSetRenderTargets(std::uint32_t count, gpu::RenderTargetView* const* views,
                            gpu::DepthStencilView* depthView) override;
    void RSSetViewports(std::uint32_t count, const gpu::Viewport* viewports) override;
    void RSSetState(gpu::RasterizerState* state) override;
    void OMSetBlendState(gpu::BlendState* state, const float blendFactor[4],
                         std::uint32_t sampleMask) override;
    void ClearRenderTargetView(gpu::RenderTargetView* view, const float rgba[4]) override;
    void ClearDepthStencilView(gpu::DepthStencilView* view, std::uint32_t flags, float depth,
                               std::uint8_t stencil) override;
    void VSSetShader(gpu::VertexShader* shader) override;
    void PSSetShader(gpu::PixelShader* shader) override;
    void IASetPrimitiveTopology(gpu::PrimitiveTopology topology) override;
    void IASetInputLayout(gpu::InputLayout* layout) override;
    void IASetVertexBuffers(std::uint32_t startSlot, std::uint32_t count,
                            gpu::Buffer* const* buffers, const std::uint32_t* strides,
                            const std::uint32_t* offsets) override;
    void VSSetConstantBuffers(std::uint32_t startSlot, std::uint32_t count,
                              gpu::Buffer* const* buffers) override;
    void PSSetConstantBuffers(std::uint32_t startSlot, std::uint32_t count,
                              gpu::Buffer* const* buffers) override;
    void PSSetSamplers(std::uint32_t startSlot, std::uint32_t count,
                       gpu::SamplerState* const* samplers) override;
    void PSSetShaderResources(std::uint32_t startSlot, std::uint32_t count,
                              gpu::ShaderResourceView* const* views) override;
    void Draw(std::uint32_t vertexCount, std::uint32_t startVertex) override;

  private:
    std::shared_ptr<TextureStorage> StorageOf(gpu::Texture2D* texture) const;
    std::shared_ptr<BufferStorage> StorageOf(gpu::Buffer* buffer) const;
    HRESULT CreateShader(const gpu::Blob& code, GLenum stage,
                         std::shared_ptr<const ShaderCode>* shader) const;

    std::shared_ptr<Context> context_;
};

}  // namespace gl

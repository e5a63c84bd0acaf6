#pragma once

// The graphics operations the scene draws with: a device with its resources and pipeline state,
// and the swap chain that presents on the view's window. Every creating call returns a result
// code (negative on failure) and hands the new object to the caller, who then holds it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gpu/Types.h"

namespace gpu {

class Device;
class Surface;

// Compiled shader code, as the compiler hands it to shader and input-layout creation.
class Blob : public Object {
  public:
    virtual const void* GetBufferPointer() const = 0;
    virtual std::size_t GetBufferSize() const = 0;
};

class Buffer : public Object {
  public:
    // WriteDiscard gives fresh memory for the whole buffer.
    virtual HRESULT Map(MapType type, std::uint32_t flags, void** data) = 0;
    virtual void Unmap() = 0;
};

class Texture2D : public Object {
  public:
    virtual Texture2DDesc GetDesc() const = 0;
    // The texture as a surface that text drawing can render into.
    virtual HRESULT GetSurface(Ref<Surface>* surface) = 0;
};

// A texture's pixels as a 2D surface: text drawing writes whole B8G8R8A8 images into it.
class Surface : public Object {
  public:
    virtual Texture2DDesc GetDesc() const = 0;
    // pixels: height rows of pitch bytes, each starting with width B8G8R8A8 texels.
    virtual HRESULT WritePixels(const void* pixels, std::uint32_t pitch) = 0;
    // The same for an image that `key` names: whatever is written under a key again holds the
    // same pixels. A backend may keep a few images by their keys and then only switch to the
    // one asked for instead of writing it once more; key 0 names no image.
    virtual HRESULT WriteKeyedPixels(const void* pixels, std::uint32_t pitch, std::uint64_t key) {
        static_cast<void>(key);
        return WritePixels(pixels, pitch);
    }
    // A further reference to the same surface, for an object that keeps drawing into it after
    // the caller has released its own (a text target made over the surface).
    virtual HRESULT AddReference(Ref<Surface>* surface) = 0;
};

// A picture read back from the device: width x height texels of four bytes, B, G, R, A or R, G,
// B, A, in rows of 4 x width bytes, top first unless bottomUp. ReadPresented gives B8G8R8A8 rows
// top first; a frame reader gives the rows as the device keeps them, which spares a swizzle and
// a flip per frame.
struct Picture {
    enum class Layout { Bgra, Rgba };
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Layout layout = Layout::Bgra;
    bool bottomUp = false;
    std::vector<std::uint8_t> pixels;
};

// Reads presented frames back while the device goes on drawing: each Queue starts a copy of what
// the last Present showed into a buffer of its own, and Take hands over the oldest copy, waiting
// for it only then. Made by the swap chain; it follows the back buffer's size.
class FrameReader : public Object {
  public:
    // Fails when nothing has been presented since the back buffer was last drawn into (a failed
    // frame is never passed off as a picture) or when every buffer holds a copy not yet taken.
    virtual HRESULT Queue() = 0;
    // The oldest queued copy; fails when none is queued.
    virtual HRESULT Take(Picture* picture) = 0;
    virtual std::uint32_t Queued() const = 0;
};

class RenderTargetView : public Object {};
class DepthStencilView : public Object {};
class ShaderResourceView : public Object {};
class RasterizerState : public Object {};
class SamplerState : public Object {};
class BlendState : public Object {};
class VertexShader : public Object {};
class PixelShader : public Object {};
class InputLayout : public Object {};

class SwapChain : public Object {
  public:
    virtual HRESULT ResizeBuffers(std::uint32_t bufferCount, std::uint32_t width,
                                  std::uint32_t height, Format format, std::uint32_t flags) = 0;
    virtual HRESULT GetBuffer(std::uint32_t index, Ref<Texture2D>* buffer) = 0;
    virtual HRESULT Present(std::uint32_t syncInterval, std::uint32_t flags) = 0;
    // What the last Present showed; fails when nothing was presented or the back buffer has
    // been drawn into since, so a capture never passes off a half-drawn frame as the picture.
    virtual HRESULT ReadPresented(Picture* picture) = 0;
    // A reader with `capacity` buffers (at least 1). A platform that cannot read frames back
    // asynchronously says so with a failure.
    virtual HRESULT CreateFrameReader(std::uint32_t capacity, Ref<FrameReader>* reader) {
        static_cast<void>(capacity);
        static_cast<void>(reader);
        return E_FAIL;
    }
};

// The factory that makes swap chains, reached from the device through its adapter.
class Factory : public Object {
  public:
    virtual HRESULT CreateSwapChain(Device* device, const SwapChainDesc& desc,
                                    Ref<SwapChain>* swapChain) = 0;
};

class Adapter : public Object {
  public:
    virtual HRESULT GetParent(Ref<Factory>* factory) = 0;
};

class Device : public Object {
  public:
    virtual HRESULT GetAdapter(Ref<Adapter>* adapter) = 0;

    virtual HRESULT CreateBuffer(const BufferDesc& desc, const SubresourceData* initialData,
                                 Ref<Buffer>* buffer) = 0;
    virtual HRESULT CreateTexture2D(const Texture2DDesc& desc, const SubresourceData* initialData,
                                    Ref<Texture2D>* texture) = 0;
    virtual HRESULT CreateRenderTargetView(Texture2D* resource, const RenderTargetViewDesc* desc,
                                           Ref<RenderTargetView>* view) = 0;
    virtual HRESULT CreateDepthStencilView(Texture2D* resource, const DepthStencilViewDesc* desc,
                                           Ref<DepthStencilView>* view) = 0;
    // A null description views the whole resource.
    virtual HRESULT CreateShaderResourceView(Texture2D* resource, const void* desc,
                                             Ref<ShaderResourceView>* view) = 0;
    virtual HRESULT CreateRasterizerState(const RasterizerDesc& desc,
                                          Ref<RasterizerState>* state) = 0;
    virtual HRESULT CreateSamplerState(const SamplerDesc& desc, Ref<SamplerState>* state) = 0;
    virtual HRESULT CreateBlendState(const BlendDesc& desc, Ref<BlendState>* state) = 0;
    virtual HRESULT CreateVertexShader(const Blob& code, Ref<VertexShader>* shader) = 0;
    virtual HRESULT CreatePixelShader(const Blob& code, Ref<PixelShader>* shader) = 0;
    virtual HRESULT CreateInputLayout(const InputElementDesc* elements, std::uint32_t count,
                                      const Blob& vertexShaderCode, Ref<InputLayout>* layout) = 0;

    // Pipeline state stays in effect until it is set again.
    virtual void OMSetRenderTargets(std::uint32_t count, RenderTargetView* const* views,
                                    DepthStencilView* depthView) = 0;
    virtual void RSSetViewports(std::uint32_t count, const Viewport* viewports) = 0;
    virtual void RSSetState(RasterizerState* state) = 0;
    virtual void OMSetBlendState(BlendState* state, const float blendFactor[4],
                                 std::uint32_t sampleMask) = 0;

    virtual void ClearRenderTargetView(RenderTargetView* view, const float rgba[4]) = 0;
    virtual void ClearDepthStencilView(DepthStencilView* view, std::uint32_t flags, float depth,
                                       std::uint8_t stencil) = 0;
    virtual void VSSetShader(VertexShader* shader) = 0;
    virtual void PSSetShader(PixelShader* shader) = 0;
    virtual void IASetPrimitiveTopology(PrimitiveTopology topology) = 0;
    virtual void IASetInputLayout(InputLayout* layout) = 0;
    virtual void IASetVertexBuffers(std::uint32_t startSlot, std::uint32_t count,
                                    Buffer* const* buffers, const std::uint32_t* strides,
                                    const std::uint32_t* offsets) = 0;
    virtual void VSSetConstantBuffers(std::uint32_t startSlot, std::uint32_t count,
                                      Buffer* const* buffers) = 0;
    virtual void PSSetConstantBuffers(std::uint32_t startSlot, std::uint32_t count,
                                      Buffer* const* buffers) = 0;
    virtual void PSSetSamplers(std::uint32_t startSlot, std::uint32_t count,
                               SamplerState* const* samplers) = 0;
    virtual void PSSetShaderResources(std::uint32_t startSlot, std::uint32_t count,
                                      ShaderResourceView* const* views) = 0;
    virtual void Draw(std::uint32_t vertexCount, std::uint32_t startVertex) = 0;
};

}  // namespace gpu

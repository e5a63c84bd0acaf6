#pragma once

#include <memory>

#include "gpu/Device.h"
#include "render/gl/TextureStorage.h"

namespace gl {

// The surface plus a back buffer of our own: a colour texture the device draws into, blitted to
// the surface's framebuffer by Present.
class SwapChain final : public gpu::SwapChain {
  public:
    explicit SwapChain(std::shared_ptr<TextureStorage> backBuffer)
        : backBuffer_(std::move(backBuffer)) {}
    // A count or format of zero keeps the current one; a size of zero takes the surface's.
    HRESULT ResizeBuffers(std::uint32_t bufferCount, std::uint32_t width, std::uint32_t height,
                          gpu::Format format, std::uint32_t flags) override;
    HRESULT GetBuffer(std::uint32_t index, gpu::Ref<gpu::Texture2D>* buffer) override;
    HRESULT Present(std::uint32_t syncInterval, std::uint32_t flags) override;
    HRESULT ReadPresented(gpu::Picture* picture) override;

  private:
    bool AttachForReading();

    std::shared_ptr<TextureStorage> backBuffer_;
};

}  // namespace gl

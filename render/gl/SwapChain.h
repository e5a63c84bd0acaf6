#pragma once

#include <memory>

#include "gpu/Device.h"
#include "render/gl/TextureStorage.h"

namespace gl {

// The surface plus a back buffer of our own: a colour texture the device draws into, blitted to
// the surface's framebuffer by Present.
// Makes the texture the read framebuffer's colour attachment; false when GL cannot read it.
bool AttachForReading(const TextureStorage& texture);
// For reading what the last Present showed: false when the back buffer holds anything else (or
// nothing), else AttachForReading after making its context current and dropping old errors.
bool BeginReadingPresented(const TextureStorage& backBuffer);

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
    HRESULT CreateFrameReader(std::uint32_t capacity, gpu::Ref<gpu::FrameReader>* reader) override;

  private:
    std::shared_ptr<TextureStorage> backBuffer_;
};

}  // namespace gl

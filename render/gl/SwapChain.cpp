#include "render/gl/SwapChain.h"

#include <cstring>

#include "render/gl/FrameReader.h"
#include "render/gl/Texture2D.h"

namespace gl {

namespace {
constexpr std::uint32_t kPresentTest = 0x1;
}

HRESULT SwapChain::ResizeBuffers(std::uint32_t bufferCount, std::uint32_t width,
                                 std::uint32_t height, gpu::Format format, std::uint32_t) {
    if (bufferCount > 16 ||
        (format != gpu::Format::Unknown && format != gpu::Format::B8G8R8A8_UNorm)) {
        return E_INVALIDARG;
    }
    Context& context = *backBuffer_->context;
    if (width == 0 || height == 0) {
        if (!context.MakeCurrent()) {
            return E_FAIL;
        }
        const PresentTarget target = context.surface().GetPresentTarget();
        width = width != 0 ? width : target.width;
        height = height != 0 ? height : target.height;
    }
    // Views made before keep naming the same texture, which now has the new size.
    return backBuffer_->Resize(width, height);
}

HRESULT SwapChain::GetBuffer(std::uint32_t index, gpu::Ref<gpu::Texture2D>* buffer) {
    if (index != 0 || buffer == nullptr) {
        return E_INVALIDARG;
    }
    *buffer = std::make_unique<Texture2D>(backBuffer_);
    return S_OK;
}

bool AttachForReading(const TextureStorage& texture) {
    const Functions& gl = texture.context->gl();
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, texture.context->readFramebuffer());
    gl.FramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture.name,
                            0);
    gl.ReadBuffer(GL_COLOR_ATTACHMENT0);
    return gl.CheckFramebufferStatus(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

bool BeginReadingPresented(const TextureStorage& backBuffer) {
    if (!backBuffer.presented || !backBuffer.context->MakeCurrent()) {
        return false;
    }
    backBuffer.context->ClearErrors();
    return AttachForReading(backBuffer);
}

HRESULT SwapChain::Present(std::uint32_t syncInterval, std::uint32_t flags) {
    if (syncInterval > 4) {
        return E_INVALIDARG;
    }
    Context& context = *backBuffer_->context;
    if (!context.MakeCurrent()) {
        return E_FAIL;
    }
    if ((flags & kPresentTest) != 0) {
        return S_OK;
    }
    const Functions& gl = context.gl();
    context.ClearErrors();
    PresentTarget target = context.surface().GetPresentTarget();
    if (target.none) {
        // Sends the frame on its way as a swap would: a driver that queues work (llvmpipe bins
        // it for its threads) draws it while the caller goes on.
        context.gl().Flush();
        context.surface().Presented(syncInterval);
        backBuffer_->presented = true;
        return S_OK;
    }
    const auto width = static_cast<GLint>(backBuffer_->desc.width);
    const auto height = static_cast<GLint>(backBuffer_->desc.height);
    const GLint targetWidth = target.width != 0 ? static_cast<GLint>(target.width) : width;
    const GLint targetHeight = target.height != 0 ? static_cast<GLint>(target.height) : height;
    if (!AttachForReading(*backBuffer_)) {
        return E_FAIL;
    }
    gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, target.framebuffer);
    gl.Disable(GL_SCISSOR_TEST);
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // A surface whose size has not yet reached the swap chain gets the picture stretched over it.
    const bool sameSize = targetWidth == width && targetHeight == height;
    gl.BlitFramebuffer(0, 0, width, height, 0, 0, targetWidth, targetHeight, GL_COLOR_BUFFER_BIT,
                       sameSize ? GL_NEAREST : GL_LINEAR);
    // The surface's owner finds its own framebuffer bound, as it left it.
    gl.BindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    const HRESULT hr = context.TakeError();
    if (FAILED(hr)) {
        return hr;
    }
    context.surface().Presented(syncInterval);
    backBuffer_->presented = true;
    return S_OK;
}

HRESULT SwapChain::ReadPresented(gpu::Picture* picture) {
    if (picture == nullptr) {
        return E_INVALIDARG;
    }
    if (!BeginReadingPresented(*backBuffer_)) {
        return E_FAIL;
    }
    Context& context = *backBuffer_->context;
    const Functions& gl = context.gl();
    const std::uint32_t width = backBuffer_->desc.width;
    const std::uint32_t height = backBuffer_->desc.height;
    const std::size_t pitch = std::size_t{4} * width;
    std::vector<std::uint8_t> rows(pitch * height);
    gl.BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
    gl.ReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_BGRA,
                  GL_UNSIGNED_BYTE, rows.data());
    const HRESULT hr = context.TakeError();
    if (FAILED(hr)) {
        return hr;
    }
    // GL hands the rows over bottom first.
    picture->width = width;
    picture->height = height;
    picture->pixels.resize(rows.size());
    for (std::uint32_t y = 0; y < height; ++y) {
        std::memcpy(picture->pixels.data() + pitch * y, rows.data() + pitch * (height - 1 - y),
                    pitch);
    }
    return S_OK;
}

HRESULT SwapChain::CreateFrameReader(std::uint32_t capacity, gpu::Ref<gpu::FrameReader>* reader) {
    if (capacity == 0 || capacity > 16 || reader == nullptr) {
        return E_INVALIDARG;
    }
    *reader = std::make_unique<FrameReader>(backBuffer_, capacity);
    return S_OK;
}

}  // namespace gl

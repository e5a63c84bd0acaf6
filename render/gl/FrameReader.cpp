#include "render/gl/FrameReader.h"

#include <cstring>

#include "render/gl/LiveObjects.h"
#include "render/gl/SwapChain.h"

namespace gl {

FrameReader::FrameReader(std::shared_ptr<TextureStorage> backBuffer, std::uint32_t capacity)
    : backBuffer_(std::move(backBuffer)), buffers_(capacity) {}

FrameReader::~FrameReader() {
    Context& context = *backBuffer_->context;
    const bool current = context.MakeCurrent();
    for (PackBuffer& buffer : buffers_) {
        if (buffer.name != 0 && current) {
            context.gl().DeleteBuffers(1, &buffer.name);
        }
        LiveObjects::Released(ObjectKind::Buffer, buffer.name);
    }
}

HRESULT FrameReader::Queue() {
    if (queued_.size() >= buffers_.size() || !BeginReadingPresented(*backBuffer_)) {
        return E_FAIL;
    }
    Context& context = *backBuffer_->context;
    const Functions& gl = context.gl();
    const std::uint32_t width = backBuffer_->desc.width;
    const std::uint32_t height = backBuffer_->desc.height;
    const std::size_t size = std::size_t{4} * width * height;
    PackBuffer& buffer = buffers_[next_];
    if (buffer.name == 0) {
        gl.GenBuffers(1, &buffer.name);
        LiveObjects::Held(ObjectKind::Buffer, buffer.name);
    }
    gl.BindBuffer(GL_PIXEL_PACK_BUFFER, buffer.name);
    if (buffer.size != size) {
        gl.BufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(size), nullptr, GL_STREAM_READ);
        buffer.size = size;
    }
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
    // The texture's own layout: GL copies without converting a texel.
    gl.ReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA,
                  GL_UNSIGNED_BYTE, nullptr);
    gl.BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    // Sends the copy on its way now rather than when the next frame's commands fill the queue.
    gl.Flush();
    const HRESULT hr = context.TakeError();
    if (FAILED(hr)) {
        buffer.size = 0;
        return hr;
    }
    queued_.push_back({next_, width, height});
    next_ = (next_ + 1) % buffers_.size();
    return S_OK;
}

HRESULT FrameReader::Take(gpu::Picture* picture) {
    if (picture == nullptr) {
        return E_INVALIDARG;
    }
    if (queued_.empty()) {
        return E_FAIL;
    }
    const Copy copy = queued_.front();
    queued_.pop_front();
    Context& context = *backBuffer_->context;
    if (!context.MakeCurrent()) {
        return E_FAIL;
    }
    const Functions& gl = context.gl();
    context.ClearErrors();
    const std::size_t size = std::size_t{4} * copy.width * copy.height;
    gl.BindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[copy.buffer].name);
    const void* data =
        gl.MapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(size), GL_MAP_READ_BIT);
    if (data != nullptr) {
        picture->width = copy.width;
        picture->height = copy.height;
        picture->layout = gpu::Picture::Layout::Rgba;
        picture->bottomUp = true;
        picture->pixels.resize(size);
        std::memcpy(picture->pixels.data(), data, size);
        gl.UnmapBuffer(GL_PIXEL_PACK_BUFFER);
    }
    gl.BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    const HRESULT hr = context.TakeError();
    return data == nullptr && SUCCEEDED(hr) ? E_FAIL : hr;
}

}  // namespace gl

#include "render/gl/Buffer.h"

namespace gl {

Buffer::~Buffer() {
    Unmap();
}

HRESULT Buffer::Map(gpu::MapType type, std::uint32_t flags, void** data) {
    const gpu::BufferDesc& desc = storage_->desc;
    if (data == nullptr || flags != 0 || storage_->mapped || desc.usage != gpu::Usage::Dynamic ||
        (desc.cpuAccessFlags & gpu::kCpuAccessWrite) == 0) {
        return E_INVALIDARG;
    }
    GLbitfield access = GL_MAP_WRITE_BIT;
    if (type == gpu::MapType::WriteDiscard) {
        access |= GL_MAP_INVALIDATE_BUFFER_BIT;
    } else if (type == gpu::MapType::WriteNoOverwrite) {
        access |= GL_MAP_UNSYNCHRONIZED_BIT;
    } else {
        return E_INVALIDARG;
    }
    Context& context = *storage_->context;
    if (!context.MakeCurrent()) {
        return E_FAIL;
    }
    const Functions& gl = context.gl();
    context.ClearErrors();
    gl.BindBuffer(GL_COPY_WRITE_BUFFER, storage_->name);
    void* memory = gl.MapBufferRange(GL_COPY_WRITE_BUFFER, 0, desc.byteWidth, access);
    const HRESULT hr = context.TakeError();
    if (memory == nullptr) {
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    }
    storage_->mapped = true;
    *data = memory;
    return S_OK;
}

void Buffer::Unmap() {
    if (!storage_->mapped) {
        return;
    }
    storage_->mapped = false;
    Context& context = *storage_->context;
    if (!context.MakeCurrent()) {
        return;
    }
    context.gl().BindBuffer(GL_COPY_WRITE_BUFFER, storage_->name);
    context.gl().UnmapBuffer(GL_COPY_WRITE_BUFFER);
}

}  // namespace gl

#include "render/gl/BufferStorage.h"

namespace gl {

BufferStorage::BufferStorage(std::shared_ptr<Context> owner, const gpu::BufferDesc& d)
    : context(std::move(owner)), desc(d) {}

BufferStorage::~BufferStorage() {
    if (name != 0 && context->MakeCurrent()) {
        context->gl().DeleteBuffers(1, &name);
    }
}

}  // namespace gl

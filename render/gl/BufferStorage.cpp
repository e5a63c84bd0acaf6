#include "render/gl/BufferStorage.h"

#include "render/gl/LiveObjects.h"

namespace gl {

BufferStorage::BufferStorage(std::shared_ptr<Context> owner, const gpu::BufferDesc& d)
    : context(std::move(owner)), desc(d) {}

BufferStorage::~BufferStorage() {
    if (name != 0 && context->MakeCurrent()) {
        context->gl().DeleteBuffers(1, &name);
    }
    LiveObjects::Released(ObjectKind::Buffer, name);
}

}  // namespace gl

#pragma once

#include <memory>

#include "render/gl/Context.h"

namespace gl {

// One buffer's GL object, shared by the buffer and the bindings.
struct BufferStorage {
    BufferStorage(std::shared_ptr<Context> context, const gpu::BufferDesc& desc);
    ~BufferStorage();
    BufferStorage(const BufferStorage&) = delete;
    BufferStorage& operator=(const BufferStorage&) = delete;

    const std::shared_ptr<Context> context;
    const gpu::BufferDesc desc;
    GLuint name = 0;
    bool mapped = false;
};

}  // namespace gl

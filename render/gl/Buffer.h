#pragma once

#include <memory>

#include "gpu/Device.h"
#include "render/gl/BufferStorage.h"

namespace gl {

class Buffer final : public gpu::Buffer {
  public:
    explicit Buffer(std::shared_ptr<BufferStorage> storage) : storage_(std::move(storage)) {}
    ~Buffer() override;
    // Only a dynamic buffer the CPU may write can be mapped, for writing: with discard it gets
    // fresh memory for the whole buffer (the old contents may still be in use by a draw).
    HRESULT Map(gpu::MapType type, std::uint32_t flags, void** data) override;
    void Unmap() override;
    const std::shared_ptr<BufferStorage>& storage() const { return storage_; }

  private:
    std::shared_ptr<BufferStorage> storage_;
};

}  // namespace gl

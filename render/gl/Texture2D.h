#pragma once

#include <memory>

#include "gpu/Device.h"
#include "render/gl/TextureStorage.h"

namespace gl {

class Texture2D final : public gpu::Texture2D {
  public:
    explicit Texture2D(std::shared_ptr<TextureStorage> storage) : storage_(std::move(storage)) {}
    gpu::Texture2DDesc GetDesc() const override { return storage_->desc; }
    HRESULT GetSurface(gpu::Ref<gpu::Surface>* surface) override;
    const std::shared_ptr<TextureStorage>& storage() const { return storage_; }

  private:
    std::shared_ptr<TextureStorage> storage_;
};

}  // namespace gl

#pragma once

#include <memory>

#include "gpu/Device.h"
#include "render/gl/TextureStorage.h"

namespace gl {

// A texture's level 0 as a surface the text stack writes whole pages into.
class TextureSurface final : public gpu::Surface {
  public:
    explicit TextureSurface(std::shared_ptr<TextureStorage> storage)
        : storage_(std::move(storage)) {}
    gpu::Texture2DDesc GetDesc() const override { return storage_->desc; }
    HRESULT WritePixels(const void* pixels, std::uint32_t pitch) override {
        return storage_->Write(pixels, pitch);
    }
    HRESULT WriteKeyedPixels(const void* pixels, std::uint32_t pitch, std::uint64_t key) override {
        return storage_->WriteKeyed(pixels, pitch, key);
    }
    HRESULT AddReference(gpu::Ref<gpu::Surface>* surface) override;

  private:
    std::shared_ptr<TextureStorage> storage_;
};

}  // namespace gl

#include "render/gl/Texture2D.h"

#include "render/gl/TextureSurface.h"

namespace gl {

HRESULT Texture2D::GetSurface(gpu::Ref<gpu::Surface>* surface) {
    if (surface == nullptr) {
        return E_INVALIDARG;
    }
    // Depth has no pixels to write.
    if (storage_->desc.format != gpu::Format::B8G8R8A8_UNorm) {
        return E_INVALIDARG;
    }
    *surface = std::make_unique<TextureSurface>(storage_);
    return S_OK;
}

}  // namespace gl

#include "render/gl/TextureSurface.h"

namespace gl {

HRESULT TextureSurface::AddReference(gpu::Ref<gpu::Surface>* surface) {
    if (surface == nullptr) {
        return E_INVALIDARG;
    }
    *surface = std::make_unique<TextureSurface>(storage_);
    return S_OK;
}

}  // namespace gl

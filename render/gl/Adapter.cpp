#include "render/gl/Adapter.h"

#include "render/gl/Factory.h"

namespace gl {

HRESULT Adapter::GetParent(gpu::Ref<gpu::Factory>* factory) {
    if (factory == nullptr) {
        return E_INVALIDARG;
    }
    *factory = std::make_unique<Factory>(context_);
    return S_OK;
}

}  // namespace gl

#include "render/gl/Factory.h"

#include "render/gl/Device.h"
#include "render/gl/SwapChain.h"

namespace gl {

HRESULT Factory::CreateSwapChain(gpu::Device* device, const gpu::SwapChainDesc& desc,
                                 gpu::Ref<gpu::SwapChain>* swapChain) {
    const auto* own = dynamic_cast<const Device*>(device);
    if (swapChain == nullptr || own == nullptr || own->context() != context_ ||
        desc.outputWindow != &context_->surface() || desc.bufferCount == 0 ||
        desc.bufferDesc.format != gpu::Format::B8G8R8A8_UNorm || desc.sampleDesc.count != 1) {
        return E_INVALIDARG;
    }
    std::uint32_t width = desc.bufferDesc.width;
    std::uint32_t height = desc.bufferDesc.height;
    if (width == 0 || height == 0) {
        if (!context_->MakeCurrent()) {
            return E_FAIL;
        }
        const PresentTarget target = context_->surface().GetPresentTarget();
        width = width != 0 ? width : target.width;
        height = height != 0 ? height : target.height;
    }
    gpu::Texture2DDesc buffer;
    buffer.width = width;
    buffer.height = height;
    buffer.mipLevels = 1;
    buffer.arraySize = 1;
    buffer.format = gpu::Format::B8G8R8A8_UNorm;
    buffer.bindFlags = gpu::kBindRenderTarget | gpu::kBindShaderResource;
    std::shared_ptr<TextureStorage> storage;
    const HRESULT hr = TextureStorage::Create(context_, buffer, nullptr, 0, &storage, true);
    if (FAILED(hr)) {
        return hr;
    }
    *swapChain = std::make_unique<SwapChain>(std::move(storage));
    return S_OK;
}

}  // namespace gl

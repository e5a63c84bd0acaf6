#pragma once

#include <memory>

#include "gpu/Device.h"
#include "render/gl/Context.h"

namespace gl {

class Factory final : public gpu::Factory {
  public:
    explicit Factory(std::shared_ptr<Context> context) : context_(std::move(context)) {}
    // Only for a device of this context and the surface the context was made on, since a
    // context draws on that surface alone.
    HRESULT CreateSwapChain(gpu::Device* device, const gpu::SwapChainDesc& desc,
                            gpu::Ref<gpu::SwapChain>* swapChain) override;

  private:
    std::shared_ptr<Context> context_;
};

}  // namespace gl

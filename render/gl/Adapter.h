#pragma once

#include <memory>

#include "gpu/Device.h"
#include "render/gl/Context.h"

namespace gl {

// What the device's context runs on; its factory makes the swap chain.
class Adapter final : public gpu::Adapter {
  public:
    explicit Adapter(std::shared_ptr<Context> context) : context_(std::move(context)) {}
    HRESULT GetParent(gpu::Ref<gpu::Factory>* factory) override;

  private:
    std::shared_ptr<Context> context_;
};

}  // namespace gl

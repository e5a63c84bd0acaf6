#pragma once

#include <memory>

#include "gpu/Device.h"
#include "render/gl/ShaderCode.h"

namespace gl {

// Compiled code: the shader and the source it was compiled from, which is what its bytes are.
class Blob final : public gpu::Blob {
  public:
    explicit Blob(std::shared_ptr<const ShaderCode> code) : code_(std::move(code)) {}
    const void* GetBufferPointer() const override { return code_->source.data(); }
    std::size_t GetBufferSize() const override { return code_->source.size(); }
    const std::shared_ptr<const ShaderCode>& code() const { return code_; }

  private:
    std::shared_ptr<const ShaderCode> code_;
};

}  // namespace gl

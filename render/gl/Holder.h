#pragma once

#include <memory>
#include <utility>

#include "gpu/Device.h"
#include "render/gl/InputLayoutData.h"
#include "render/gl/SamplerObject.h"
#include "render/gl/ShaderCode.h"
#include "render/gl/TextureStorage.h"

namespace gl {

// The objects that only carry something shared: views, states, shaders and input layouts. The
// device binds the payload, not the object, so that releasing the object while it is bound
// keeps the payload alive for the bindings.
template <class Interface, class Payload>
class Holder final : public Interface {
  public:
    explicit Holder(std::shared_ptr<Payload> payload) : payload_(std::move(payload)) {}
    const std::shared_ptr<Payload>& payload() const { return payload_; }

  private:
    std::shared_ptr<Payload> payload_;
};

using RenderTargetView = Holder<gpu::RenderTargetView, TextureStorage>;
using DepthStencilView = Holder<gpu::DepthStencilView, TextureStorage>;
using ShaderResourceView = Holder<gpu::ShaderResourceView, TextureStorage>;
using VertexShader = Holder<gpu::VertexShader, const ShaderCode>;
using PixelShader = Holder<gpu::PixelShader, const ShaderCode>;
using InputLayout = Holder<gpu::InputLayout, const InputLayoutData>;
using SamplerState = Holder<gpu::SamplerState, const SamplerObject>;
using RasterizerState = Holder<gpu::RasterizerState, const gpu::RasterizerDesc>;
using BlendState = Holder<gpu::BlendState, const gpu::BlendDesc>;

// The payload of an object of this backend, or null for null, for another backend's object and
// for an object made on another context.
template <class Object, class Interface>
auto PayloadOf(Interface* object, const Context* context)
    -> std::remove_cvref_t<decltype(std::declval<Object>().payload())> {
    const auto* own = dynamic_cast<const Object*>(object);
    if (own == nullptr) {
        return nullptr;
    }
    if constexpr (requires { own->payload()->context; }) {
        if (own->payload()->context.get() != context) {
            return nullptr;
        }
    }
    return own->payload();
}

}  // namespace gl

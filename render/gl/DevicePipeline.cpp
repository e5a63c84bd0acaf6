// The device's pipeline calls: they only record state in the context, which each draw applies.
#include "render/gl/Device.h"

#include <algorithm>

#include "render/gl/Holder.h"

namespace gl {

namespace {

// Each binding call covers slots startSlot to startSlot + count - 1; those past the last slot
// are dropped, as are objects that are not this backend's.
template <class Slots, class Get>
void Bind(Slots& slots, std::uint32_t startSlot, std::uint32_t count, Get&& get) {
    for (std::uint32_t i = 0; i < count && startSlot + i < kSlots; ++i) {
        slots[startSlot + i] = get(i);
    }
}

}  // namespace

void Device::OMSetRenderTargets(std::uint32_t count, gpu::RenderTargetView* const* views,
                                gpu::DepthStencilView* depthView) {
    context_->state.renderTarget = count > 0 && views != nullptr
                                       ? PayloadOf<RenderTargetView>(views[0], context_.get())
                                       : nullptr;
    context_->state.depthTarget = PayloadOf<DepthStencilView>(depthView, context_.get());
}

void Device::RSSetViewports(std::uint32_t count, const gpu::Viewport* viewports) {
    if (count > 0 && viewports != nullptr) {
        context_->state.viewport = viewports[0];
    } else {
        context_->state.viewport.reset();
    }
}

void Device::RSSetState(gpu::RasterizerState* state) {
    const auto desc = PayloadOf<RasterizerState>(state, context_.get());
    context_->state.rasterizer =
        desc ? std::optional<gpu::RasterizerDesc>(*desc) : std::optional<gpu::RasterizerDesc>();
}

void Device::OMSetBlendState(gpu::BlendState* state, const float blendFactor[4],
                             std::uint32_t sampleMask) {
    const auto desc = PayloadOf<BlendState>(state, context_.get());
    context_->state.blend =
        desc ? std::optional<gpu::BlendDesc>(*desc) : std::optional<gpu::BlendDesc>();
    context_->state.blendFactor = {1.0f, 1.0f, 1.0f, 1.0f};
    if (blendFactor != nullptr) {
        std::copy(blendFactor, blendFactor + 4, context_->state.blendFactor.begin());
    }
    context_->state.sampleMask = sampleMask;
}

void Device::ClearRenderTargetView(gpu::RenderTargetView* view, const float rgba[4]) {
    const auto storage = PayloadOf<RenderTargetView>(view, context_.get());
    if (storage && rgba != nullptr) {
        context_->ClearColor(*storage, rgba);
    }
}

void Device::ClearDepthStencilView(gpu::DepthStencilView* view, std::uint32_t flags, float depth,
                                   std::uint8_t) {
    // The depth format has no stencil to clear.
    const auto storage = PayloadOf<DepthStencilView>(view, context_.get());
    if (storage && (flags & gpu::kClearDepth) != 0) {
        context_->ClearDepth(*storage, depth);
    }
}

void Device::VSSetShader(gpu::VertexShader* shader) {
    context_->state.vertexShader = PayloadOf<VertexShader>(shader, context_.get());
}

void Device::PSSetShader(gpu::PixelShader* shader) {
    context_->state.pixelShader = PayloadOf<PixelShader>(shader, context_.get());
}

void Device::IASetPrimitiveTopology(gpu::PrimitiveTopology topology) {
    context_->state.topology = topology;
}

void Device::IASetInputLayout(gpu::InputLayout* layout) {
    context_->state.inputLayout = PayloadOf<InputLayout>(layout, context_.get());
}

void Device::IASetVertexBuffers(std::uint32_t startSlot, std::uint32_t count,
                                gpu::Buffer* const* buffers, const std::uint32_t* strides,
                                const std::uint32_t* offsets) {
    Bind(context_->state.vertexBuffers, startSlot, count, [&](std::uint32_t i) {
        PipelineState::VertexBinding binding;
        binding.buffer = buffers != nullptr ? StorageOf(buffers[i]) : nullptr;
        binding.stride = strides != nullptr ? strides[i] : 0;
        binding.offset = offsets != nullptr ? offsets[i] : 0;
        return binding;
    });
}

void Device::VSSetConstantBuffers(std::uint32_t startSlot, std::uint32_t count,
                                  gpu::Buffer* const* buffers) {
    Bind(context_->state.vertexConstants, startSlot, count,
         [&](std::uint32_t i) { return buffers != nullptr ? StorageOf(buffers[i]) : nullptr; });
}

void Device::PSSetConstantBuffers(std::uint32_t startSlot, std::uint32_t count,
                                  gpu::Buffer* const* buffers) {
    Bind(context_->state.pixelConstants, startSlot, count,
         [&](std::uint32_t i) { return buffers != nullptr ? StorageOf(buffers[i]) : nullptr; });
}

void Device::PSSetSamplers(std::uint32_t startSlot, std::uint32_t count,
                           gpu::SamplerState* const* samplers) {
    Bind(context_->state.samplers, startSlot, count, [&](std::uint32_t i) {
        return samplers != nullptr ? PayloadOf<SamplerState>(samplers[i], context_.get()) : nullptr;
    });
}

void Device::PSSetShaderResources(std::uint32_t startSlot, std::uint32_t count,
                                  gpu::ShaderResourceView* const* views) {
    Bind(context_->state.textures, startSlot, count, [&](std::uint32_t i) {
        return views != nullptr ? PayloadOf<ShaderResourceView>(views[i], context_.get()) : nullptr;
    });
}

void Device::Draw(std::uint32_t vertexCount, std::uint32_t startVertex) {
    context_->Draw(vertexCount, startVertex);
}

}  // namespace gl

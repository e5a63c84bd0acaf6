#include "render/text/TextFactory.h"

#include <algorithm>

#include "render/text/TextStack.h"
#include "render/text/TextTarget.h"

namespace qtext {

namespace {
// About two thousand glyphs of the text texture's size.
constexpr std::size_t kGlyphBudget = std::size_t{32} << 20;
}  // namespace

// The pool holds as many images as two targets keep with the capacity in force now: the scene
// makes a target for its text and one for the ruby over it, and makes both anew together.
TextFactory::TextFactory()
    : glyphs_(std::make_shared<GlyphCache>(kGlyphBudget)),
      pages_(std::make_shared<PagePool>(2 * std::max<std::size_t>(1, PageCacheCapacity()))) {}

HRESULT TextFactory::CreateDxgiSurfaceRenderTarget(gpu::Surface* surface,
                                                   const gpu::RenderTargetProperties& properties,
                                                   gpu::Ref<gpu::TextTarget>* target) {
    if (surface == nullptr || target == nullptr) {
        return E_INVALIDARG;
    }
    const gpu::Texture2DDesc desc = surface->GetDesc();
    const gpu::PixelFormat& format = properties.pixelFormat;
    if (desc.format != gpu::Format::B8G8R8A8_UNorm ||
        (desc.bindFlags & gpu::kBindRenderTarget) == 0 || desc.width == 0 || desc.height == 0 ||
        (format.format != gpu::Format::Unknown && format.format != gpu::Format::B8G8R8A8_UNorm) ||
        (format.alphaMode != gpu::AlphaMode::Unknown &&
         format.alphaMode != gpu::AlphaMode::Ignore) ||
        properties.dpiX < 0.0f || properties.dpiY < 0.0f) {
        return E_INVALIDARG;
    }
    gpu::Ref<gpu::Surface> own;
    const HRESULT hr = surface->AddReference(&own);
    if (FAILED(hr)) {
        return hr;
    }
    const float dpiX = properties.dpiX > 0.0f ? properties.dpiX : 96.0f;
    const float dpiY = properties.dpiY > 0.0f ? properties.dpiY : 96.0f;
    *target = std::make_unique<TextTarget>(std::move(own), dpiX, dpiY, glyphs_, PageCacheCapacity(),
                                           pages_);
    return S_OK;
}

}  // namespace qtext

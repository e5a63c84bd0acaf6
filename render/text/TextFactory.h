#pragma once

#include <memory>

#include "gpu/Text.h"
#include "render/text/GlyphCache.h"
#include "render/text/PagePool.h"

namespace qtext {

// Makes text targets over texture surfaces. Its targets share one glyph cache, so that a
// target made anew (for a new font colour) finds the glyphs already filled, and one pool of
// page images, so that it takes over the images of the target before it.
class TextFactory final : public gpu::TextFactory {
  public:
    TextFactory();
    // The surface must be B8G8R8A8 and bound as a render target; the pixel format must be
    // B8G8R8A8 (or unknown) with its alpha ignored (or unknown); 0 dots per inch means 96.
    HRESULT CreateDxgiSurfaceRenderTarget(gpu::Surface* surface,
                                          const gpu::RenderTargetProperties& properties,
                                          gpu::Ref<gpu::TextTarget>* target) override;
    const std::shared_ptr<GlyphCache>& glyphs() const { return glyphs_; }
    const std::shared_ptr<PagePool>& pages() const { return pages_; }

  private:
    std::shared_ptr<GlyphCache> glyphs_;
    std::shared_ptr<PagePool> pages_;
};

}  // namespace qtext

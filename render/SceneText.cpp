#include <algorithm>

#include "render/FullWidth.h"
#include "scene/Scene.h"

namespace {

gpu::ColorF ColorOf(ColorRef color, float alpha) {
    return {RedF(color), GreenF(color), BlueF(color), alpha};
}

// A text target over the texture's surface and its brush in `color`, each made anew. A target
// that cannot be made leaves `target` null; a brush that cannot, `brush`.
HRESULT CreateTarget(gpu::TextFactory& factory, gpu::Texture2D& texture, ColorRef color,
                     gpu::Ref<gpu::TextTarget>* target, gpu::Ref<gpu::Brush>* brush) {
    gpu::Ref<gpu::Surface> surface;
    HRESULT hr = texture.GetSurface(&surface);
    if (SUCCEEDED(hr)) {
        target->reset();
        gpu::RenderTargetProperties properties;
        properties.type = gpu::RenderTargetType::Default;
        properties.pixelFormat = {gpu::Format::B8G8R8A8_UNorm, gpu::AlphaMode::Ignore};
        properties.dpiX = 96.0f;
        properties.dpiY = 96.0f;
        properties.usage = 0;
        properties.minLevel = gpu::FeatureLevelText::Default;
        hr = factory.CreateDxgiSurfaceRenderTarget(surface.get(), properties, target);
    }
    surface.reset();
    if (SUCCEEDED(hr)) {
        (*target)->SetTextAntialiasMode(gpu::TextAntialiasMode::ClearType);
        brush->reset();
        hr = (*target)->CreateSolidColorBrush(ColorOf(color, 1.0f), brush);
    }
    return hr;
}

// Begins a page: the whole target cleared to the background with alpha 0, so that the shader
// discards every texel no text covers. Gives the target's size.
gpu::SizeF BeginPage(gpu::TextTarget& target, ColorRef background) {
    const gpu::SizeF size = target.GetSize();
    target.BeginDraw();
    target.SetTransform(gpu::Matrix3x2F{});
    target.Clear(ColorOf(background, 0.0f));
    return size;
}

}  // namespace

HRESULT Scene::CreateTextResources() {
    if (!textTexture || !rubyTexture || !d2dFactory) {
        return E_FAIL;
    }
    HRESULT hr = CreateTarget(*d2dFactory, *textTexture, fontColor, &textTarget, &textBrush);
    if (SUCCEEDED(hr)) {
        hr = CreateTarget(*d2dFactory, *rubyTexture, fontColor, &rubyTarget, &rubyBrush);
    }
    return hr;
}

HRESULT Scene::RenderTextPage(std::int32_t first) {
    if (!textTarget) {
        return E_FAIL;
    }
    const gpu::SizeF size = BeginPage(*textTarget, backgroundColor);

    // A negative first character gives an empty page rather than a read before the text.
    std::u16string_view page;
    if (first >= 0 && static_cast<std::size_t>(first) < text.size()) {
        page = std::u16string_view(text).substr(static_cast<std::size_t>(first), kPageLength);
    }
    const std::u16string converted = FullWidth(page);
    textTarget->DrawText(converted, textFormat.get(), {0.0f, 0.0f, size.width, size.height},
                         textBrush.get(), gpu::kDrawTextOptionsNone, gpu::MeasuringMode::Natural);
    return textTarget->EndDraw();
}

// The picture holds the page's characters and kRubyReach more on either side, each character's
// column as wide as in the text texture. Each text goes into a box centred on its place and as
// wide as the picture either side of it, so that a reading stays on one line and what of it lies
// beyond the picture is cut.
HRESULT Scene::RenderRubyPage(const RibbonSegment& segment, std::int32_t first) {
    if (!rubyTarget) {
        return E_FAIL;
    }
    const gpu::SizeF size = BeginPage(*rubyTarget, backgroundColor);
    const float column = size.width / static_cast<float>(kPageLength + 2 * kRubyReach);
    const std::int64_t left = std::int64_t{first} - kRubyReach;
    const auto draw = [&](const std::u16string& reading, double centre) {
        const auto x = static_cast<float>((centre - static_cast<double>(left)) * column);
        rubyTarget->DrawText(reading, rubyFormat.get(),
                             {x - size.width, 0.0f, x + size.width, size.height}, rubyBrush.get(),
                             gpu::kDrawTextOptionsNone, gpu::MeasuringMode::Natural);
    };
    const std::size_t end = std::min<std::size_t>(segment.rubyEnd, ruby.size());
    for (std::size_t i = segment.rubyBegin; i < end; ++i) {
        const Ruby& entry = ruby[i];
        const std::u16string reading = FullWidth(entry.reading);
        if (entry.kind == Ruby::Kind::Reading) {
            draw(reading, static_cast<double>(entry.first) + entry.count / 2.0);
            continue;
        }
        // Only the marks over the picture's characters and their neighbours can reach into it.
        const std::int64_t from = std::max<std::int64_t>(entry.first, left - 1);
        const std::int64_t to = std::min<std::int64_t>(std::int64_t{entry.first} + entry.count,
                                                       left + kPageLength + 2 * kRubyReach + 1);
        for (std::int64_t k = from; k < to; ++k) {
            draw(reading, static_cast<double>(k) + 0.5);
        }
    }
    return rubyTarget->EndDraw();
}

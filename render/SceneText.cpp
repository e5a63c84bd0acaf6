#include "render/FullWidth.h"
#include "scene/Scene.h"

namespace {

gpu::ColorF ColorOf(ColorRef color, float alpha) {
    return {RedF(color), GreenF(color), BlueF(color), alpha};
}

}  // namespace

HRESULT Scene::CreateTextResources() {
    if (!textTexture || !d2dFactory) {
        return E_FAIL;
    }
    gpu::Ref<gpu::Surface> surface;
    HRESULT hr = textTexture->GetSurface(&surface);
    if (SUCCEEDED(hr)) {
        textTarget.reset();
        gpu::RenderTargetProperties properties;
        properties.type = gpu::RenderTargetType::Default;
        properties.pixelFormat = {gpu::Format::B8G8R8A8_UNorm, gpu::AlphaMode::Ignore};
        properties.dpiX = 96.0f;
        properties.dpiY = 96.0f;
        properties.usage = 0;
        properties.minLevel = gpu::FeatureLevelText::Default;
        hr = d2dFactory->CreateDxgiSurfaceRenderTarget(surface.get(), properties, &textTarget);
    }
    surface.reset();
    if (SUCCEEDED(hr)) {
        textTarget->SetTextAntialiasMode(gpu::TextAntialiasMode::ClearType);
        textBrush.reset();
        hr = textTarget->CreateSolidColorBrush(ColorOf(fontColor, 1.0f), &textBrush);
    }
    return hr;
}

HRESULT Scene::RenderTextPage(std::int32_t first) {
    if (!textTarget) {
        return E_FAIL;
    }
    const gpu::SizeF size = textTarget->GetSize();
    textTarget->BeginDraw();
    textTarget->SetTransform(gpu::Matrix3x2F{});
    textTarget->Clear(ColorOf(backgroundColor, 0.0f));

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

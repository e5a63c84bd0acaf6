#include <algorithm>
#include <array>
#include <cstring>

#include "base/DebugSink.h"
#include "scene/Scene.h"

namespace {

// Segment s is drawn while 64 s - 256 <= cameraIndex <= 64 s + 128: the pages that begin at
// most 128 characters before the camera and at most 256 after it.
constexpr std::int64_t kWindowBehind = 128;
constexpr std::int64_t kWindowAhead = 256;

// Floor division, so that the window's first segment is right for a camera near the start.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

HRESULT Scene::Render() {
    HRESULT hr = InitGraphics(window);
    if (SUCCEEDED(hr)) {
        if (!textTarget) {
            return S_FALSE;
        }
        const float clear[4] = {RedF(backgroundColor), GreenF(backgroundColor),
                                BlueF(backgroundColor), 1.0f};
        device->ClearRenderTargetView(renderTargetView.get(), clear);
        device->ClearDepthStencilView(depthStencilView.get(), gpu::kClearDepth, 1.0f, 0);

        const float aspect = static_cast<float>(clientWidth) / static_cast<float>(clientHeight);
        projection = PerspectiveFovRH(0.5235988f, aspect, 1.0f, 50000.0f);

        device->VSSetShader(vertexShader.get());
        world = Matrix::Identity();
        device->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);

        // Only the segments inside the window are visited, so a long text costs no more per
        // frame than a short one; they are drawn in order, and not after the first failure.
        const std::int64_t index = cameraIndex;
        const std::int64_t count = static_cast<std::int64_t>(segments.size());
        const std::int64_t firstSegment =
            std::max<std::int64_t>(0, -FloorDiv(-(index - kWindowBehind), kPageLength));
        const std::int64_t lastSegment =
            std::min<std::int64_t>(count - 1, FloorDiv(index + kWindowAhead, kPageLength));
        for (std::int64_t s = firstSegment; s <= lastSegment && SUCCEEDED(hr); ++s) {
            hr = DrawSegments(segments[static_cast<std::size_t>(s)], static_cast<std::int32_t>(s));
        }

        if (SUCCEEDED(hr)) {
            hr = swapChain->Present(0, 0);
        }
        if (SUCCEEDED(hr)) {
            return S_OK;
        }
    }
    OutputDebugString("レンダリング時のエラー\n");
    return hr;
}

HRESULT Scene::DrawSegments(RibbonSegment& segment, std::int32_t s) {
    // Left null only by a failed initialisation, which later frames do not retry.
    if (!constantBuffer) {
        return E_FAIL;
    }
    HRESULT hr = S_OK;
    for (VertexBatch& batch : segment.batches) {
        // A batch whose vertex buffer could not be made has nothing to draw from.
        if (!batch.buffer) {
            continue;
        }
        void* data = nullptr;
        hr = constantBuffer->Map(gpu::MapType::WriteDiscard, 0, &data);
        if (FAILED(hr)) {
            break;
        }
        // The shader reads M column by column: the transpose, row by row, then the colour.
        const Matrix m = Transpose(Multiply(Multiply(world, view), projection));
        const Material fallback;
        const std::array<float, 4>& color =
            materials.empty() ? fallback.color : materials.front().color;
        static_assert(sizeof(m.m) == 64 && sizeof(color) == 16);
        std::memcpy(data, m.m, 64);
        std::memcpy(static_cast<std::uint8_t*>(data) + 64, color.data(), 16);
        constantBuffer->Unmap();

        gpu::Buffer* const constants[] = {constantBuffer.get()};
        device->VSSetConstantBuffers(0, 1, constants);
        device->PSSetConstantBuffers(0, 1, constants);
        device->IASetInputLayout(inputLayout.get());
        gpu::Buffer* const buffers[] = {batch.buffer.get()};
        const std::uint32_t strides[] = {sizeof(Vertex)};
        const std::uint32_t offsets[] = {0};
        device->IASetVertexBuffers(0, 1, buffers, strides, offsets);
        device->PSSetShader(textPixelShader.get());
        gpu::SamplerState* const samplers[] = {samplerState.get()};
        device->PSSetSamplers(0, 1, samplers);

        // The page goes into the one texture after the draw state is set and right before the
        // draw that samples it; the cards over the characters come after them, with the page's
        // ruby in a texture of their own.
        const bool ruby = batch.materialId == kRubyMaterial;
        hr = ruby ? RenderRubyPage(segment, kPageLength * s) : RenderTextPage(kPageLength * s);
        if (FAILED(hr)) {
            OutputDebugString("RenderD2DContentIntoSurface");
            CreateTextResources();
            break;
        }
        gpu::ShaderResourceView* const views[] = {ruby ? rubyTextureView.get()
                                                       : textTextureView.get()};
        device->PSSetShaderResources(0, 1, views);
        device->Draw(static_cast<std::uint32_t>(batch.vertices.size()), 0);
    }
    return hr;
}

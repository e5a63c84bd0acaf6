#include <array>

#include "render/GraphicsDevice.h"
#include "scene/Scene.h"

HRESULT CreateGraphicsDevice(gpu::WindowHandle window, gpu::DriverType driverType,
                             gpu::Ref<gpu::Device>* device) {
    gpu::Platform* platform = gpu::GetPlatform();
    if (platform == nullptr) {
        return E_FAIL;
    }
    static constexpr std::array<gpu::FeatureLevel, 5> kLevels = {
        gpu::FeatureLevel::Level_10_1, gpu::FeatureLevel::Level_10_0, gpu::FeatureLevel::Level_9_3,
        gpu::FeatureLevel::Level_9_2, gpu::FeatureLevel::Level_9_1};
    HRESULT hr = E_FAIL;
    for (const gpu::FeatureLevel level : kLevels) {
        hr = platform->CreateDevice(window, driverType, gpu::kCreateDeviceBgraSupport, level,
                                    gpu::kSdkVersion, device);
        if (SUCCEEDED(hr)) {
            break;
        }
    }
    return hr;
}

namespace {

// A texture that text is drawn into a page at a time, and the view the shader samples it
// through.
HRESULT CreatePageTexture(gpu::Device& device, std::uint32_t width, std::uint32_t height,
                          gpu::Ref<gpu::Texture2D>* texture,
                          gpu::Ref<gpu::ShaderResourceView>* view) {
    gpu::Texture2DDesc desc;
    desc.width = width;
    desc.height = height;
    desc.mipLevels = 1;
    desc.arraySize = 1;
    desc.format = gpu::Format::B8G8R8A8_UNorm;
    desc.sampleDesc = {1, 0};
    desc.usage = gpu::Usage::Default;
    desc.bindFlags = gpu::kBindRenderTarget | gpu::kBindShaderResource;
    desc.cpuAccessFlags = 0;
    desc.miscFlags = 0;
    HRESULT hr = device.CreateTexture2D(desc, nullptr, texture);
    if (SUCCEEDED(hr)) {
        view->reset();
        hr = device.CreateShaderResourceView(texture->get(), nullptr, view);
    }
    return hr;
}

// The text's font at `size` pixels, each line centred in its box from top to bottom.
HRESULT CreateMinchoFormat(gpu::WriteFactory& factory, float size,
                           gpu::Ref<gpu::TextFormat>* format) {
    HRESULT hr =
        factory.CreateTextFormat(u"ＭＳ 明朝", gpu::kFontWeightNormal, gpu::FontStyle::Normal,
                                 gpu::kFontStretchNormal, size, u"", format);
    if (SUCCEEDED(hr)) {
        hr = (*format)->SetParagraphAlignment(gpu::ParagraphAlignment::Center);
    }
    return hr;
}

}  // namespace

HRESULT Scene::CreateTextFactories() {
    gpu::Platform* platform = gpu::GetPlatform();
    if (platform == nullptr) {
        return E_FAIL;
    }
    HRESULT hr = platform->CreateTextFactory(gpu::FactoryType::SingleThreaded, &d2dFactory);
    if (SUCCEEDED(hr)) {
        hr = platform->CreateWriteFactory(gpu::WriteFactoryType::Shared, &writeFactory);
    }
    if (SUCCEEDED(hr)) {
        hr = CreateMinchoFormat(*writeFactory, 128.0f, &textFormat);
    }
    // Readings in the same font at half the size, each centred in a box around its centre.
    if (SUCCEEDED(hr)) {
        hr = CreateMinchoFormat(*writeFactory, 64.0f, &rubyFormat);
    }
    if (SUCCEEDED(hr)) {
        hr = rubyFormat->SetTextAlignment(gpu::TextAlignment::Center);
    }
    return hr;
}

HRESULT Scene::InitGraphics(gpu::WindowHandle windowHandle) {
    if (device) {
        return S_OK;
    }
    window = windowHandle;

    HRESULT hr = CreateTextFactories();

    // Temporaries of the device and swap-chain steps; released on every path when they go out
    // of scope, after the scene has taken what it keeps.
    gpu::Ref<gpu::Device> created;
    gpu::Ref<gpu::Adapter> adapter;
    gpu::Ref<gpu::Factory> factory;
    if (SUCCEEDED(hr)) {
        hr = CreateGraphicsDevice(window, gpu::DriverType::Hardware, &created);
        if (FAILED(hr)) {
            hr = CreateGraphicsDevice(window, gpu::DriverType::Software, &created);
        }
    }
    if (SUCCEEDED(hr)) {
        device = std::move(created);
    }
    if (SUCCEEDED(hr)) {
        hr = device->GetAdapter(&adapter);
    }
    if (SUCCEEDED(hr)) {
        hr = adapter->GetParent(&factory);
    }
    if (SUCCEEDED(hr)) {
        gpu::SwapChainDesc desc;
        desc.bufferDesc.width = clientWidth;
        desc.bufferDesc.height = clientHeight;
        desc.bufferDesc.refreshRate = {60, 1};
        desc.bufferDesc.format = gpu::Format::B8G8R8A8_UNorm;
        desc.bufferDesc.scanlineOrdering = gpu::ScanlineOrder::Unspecified;
        desc.bufferDesc.scaling = gpu::Scaling::Unspecified;
        desc.sampleDesc = {1, 0};
        desc.bufferUsage = gpu::kUsageRenderTargetOutput;
        desc.bufferCount = 1;
        desc.outputWindow = window;
        desc.windowed = true;
        desc.swapEffect = gpu::SwapEffect::Discard;
        desc.flags = 0;
        hr = factory->CreateSwapChain(device.get(), desc, &swapChain);
    }
    factory.reset();
    adapter.reset();

    if (SUCCEEDED(hr)) {
        hr = ResizeViews();
    }
    if (SUCCEEDED(hr)) {
        gpu::RasterizerDesc desc;
        desc.fillMode = gpu::FillMode::Solid;
        desc.cullMode = gpu::CullMode::None;
        desc.frontCounterClockwise = true;
        desc.depthBias = 0;
        desc.depthBiasClamp = 0.0f;
        desc.slopeScaledDepthBias = 0.0f;
        desc.depthClipEnable = true;
        desc.scissorEnable = false;
        desc.multisampleEnable = false;
        desc.antialiasedLineEnable = false;
        hr = device->CreateRasterizerState(desc, &rasterizerState);
    }
    if (SUCCEEDED(hr)) {
        gpu::SamplerDesc desc;
        desc.filter = gpu::Filter::MinMagMipLinear;
        desc.addressU = gpu::AddressMode::Wrap;
        desc.addressV = gpu::AddressMode::Wrap;
        desc.addressW = gpu::AddressMode::Wrap;
        desc.mipLodBias = 0.0f;
        desc.maxAnisotropy = 0;
        desc.comparisonFunc = gpu::ComparisonFunc::Never;
        desc.minLod = 0.0f;
        desc.maxLod = 0.0f;
        hr = device->CreateSamplerState(desc, &samplerState);
    }
    if (SUCCEEDED(hr)) {
        device->RSSetState(rasterizerState.get());
    }
    if (SUCCEEDED(hr)) {
        hr = CreatePageTexture(*device, 8192, 128, &textTexture, &textTextureView);
    }
    // The ruby of a page at half the size, with the characters beyond either end of the page
    // that readings reach over: 128 texels across for each character still.
    if (SUCCEEDED(hr)) {
        hr = CreatePageTexture(*device, 128 * (kPageLength + 2 * kRubyReach), 64, &rubyTexture,
                               &rubyTextureView);
    }
    if (SUCCEEDED(hr)) {
        hr = CreateTextResources();
    }
    if (SUCCEEDED(hr)) {
        hr = CreateShaders();
    }
    return hr;
}

HRESULT Scene::ResizeViews() {
    blendState.reset();
    depthStencilView.reset();
    renderTargetView.reset();
    // The view only resizes a complete device, but a resize must never reach through null.
    if (!device || !swapChain) {
        return E_FAIL;
    }

    HRESULT hr =
        swapChain->ResizeBuffers(1, clientWidth, clientHeight, gpu::Format::B8G8R8A8_UNorm, 0);
    if (SUCCEEDED(hr)) {
        depthTexture.reset();
        gpu::Texture2DDesc desc;
        desc.width = clientWidth;
        desc.height = clientHeight;
        desc.mipLevels = 1;
        desc.arraySize = 1;
        desc.format = gpu::Format::D32_Float;
        desc.sampleDesc = {1, 0};
        desc.usage = gpu::Usage::Default;
        desc.bindFlags = gpu::kBindDepthStencil;
        hr = device->CreateTexture2D(desc, nullptr, &depthTexture);
    }
    gpu::Ref<gpu::Texture2D> backBuffer;
    if (SUCCEEDED(hr)) {
        hr = swapChain->GetBuffer(0, &backBuffer);
    }
    if (SUCCEEDED(hr)) {
        gpu::RenderTargetViewDesc desc;
        desc.format = gpu::Format::B8G8R8A8_UNorm;
        desc.viewDimension = gpu::ViewDimension::Texture2D;
        desc.mipSlice = 0;
        hr = device->CreateRenderTargetView(backBuffer.get(), &desc, &renderTargetView);
    }
    backBuffer.reset();
    if (SUCCEEDED(hr)) {
        gpu::DepthStencilViewDesc desc;
        desc.format = gpu::Format::D32_Float;
        desc.viewDimension = gpu::ViewDimension::Texture2D;
        desc.mipSlice = 0;
        hr = device->CreateDepthStencilView(depthTexture.get(), &desc, &depthStencilView);
    }
    if (SUCCEEDED(hr)) {
        gpu::RenderTargetView* const views[] = {renderTargetView.get()};
        device->OMSetRenderTargets(1, views, depthStencilView.get());
        viewport = {0, 0, clientWidth, clientHeight, 0.0f, 1.0f};
        device->RSSetViewports(1, &viewport);

        gpu::BlendDesc desc;
        desc.alphaToCoverageEnable = false;
        for (int i = 0; i < 8; ++i) {
            desc.blendEnable[i] = true;
            desc.renderTargetWriteMask[i] = gpu::kColorWriteEnableAll;
        }
        desc.srcBlend = gpu::Blend::SrcAlpha;
        desc.destBlend = gpu::Blend::InvSrcAlpha;
        desc.blendOp = gpu::BlendOp::Add;
        desc.srcBlendAlpha = gpu::Blend::One;
        desc.destBlendAlpha = gpu::Blend::Zero;
        desc.blendOpAlpha = gpu::BlendOp::Add;
        hr = device->CreateBlendState(desc, &blendState);
        if (SUCCEEDED(hr)) {
            const float factor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
            device->OMSetBlendState(blendState.get(), factor, 0xFFFFFFFFu);
        }
    }
    return hr;
}

void Scene::ReleaseGraphics() {
    Reset();
    depthTexture.reset();
    samplerState.reset();
    d2dFactory.reset();
    writeFactory.reset();
    textTexture.reset();
    textTextureView.reset();
    textTarget.reset();
    textBrush.reset();
    textFormat.reset();
    rubyTexture.reset();
    rubyTextureView.reset();
    rubyTarget.reset();
    rubyBrush.reset();
    rubyFormat.reset();
    rasterizerState.reset();
    constantBuffer.reset();
    vertexShader.reset();
    pixelShader.reset();
    textPixelShader.reset();
    inputLayout.reset();
    blendState.reset();
    depthStencilView.reset();
    renderTargetView.reset();
    swapChain.reset();
    device.reset();
}

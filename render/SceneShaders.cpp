#include "render/ShaderFile.h"
#include "scene/Scene.h"

namespace {

// The vertex layout of every ribbon buffer: Vertex, 20 bytes, position then texture coordinate.
constexpr gpu::InputElementDesc kVertexLayout[] = {
    {"POSITION", 0, gpu::Format::R32G32B32_Float, 0, 0, gpu::InputClassification::PerVertexData, 0},
    {"TEXCOORD", 0, gpu::Format::R32G32_Float, 0, 12, gpu::InputClassification::PerVertexData, 0},
};

}  // namespace

HRESULT Scene::CreateShaders() {
    gpu::Platform* platform = gpu::GetPlatform();
    if (platform == nullptr || !device) {
        return E_FAIL;
    }
    const std::string path = ShaderFilePath();

    gpu::Ref<gpu::Blob> code;
    HRESULT hr = platform->CompileFromFile(path, nullptr, "VS", "vs_4_1", 0, 0, &code);
    if (SUCCEEDED(hr)) {
        hr = device->CreateVertexShader(*code, &vertexShader);
    }
    if (SUCCEEDED(hr)) {
        hr = device->CreateInputLayout(kVertexLayout, 2, *code, &inputLayout);
    }
    code.reset();
    if (SUCCEEDED(hr)) {
        hr = platform->CompileFromFile(path, nullptr, "PS", "ps_4_1", 0, 0, &code);
    }
    if (SUCCEEDED(hr)) {
        hr = device->CreatePixelShader(*code, &pixelShader);
    }
    code.reset();
    if (SUCCEEDED(hr)) {
        hr = platform->CompileFromFile(path, nullptr, "PS_TEX", "ps_4_1", 0, 0, &code);
    }
    if (SUCCEEDED(hr)) {
        hr = device->CreatePixelShader(*code, &textPixelShader);
    }
    code.reset();
    if (SUCCEEDED(hr)) {
        gpu::BufferDesc desc;
        desc.byteWidth = 80;
        desc.usage = gpu::Usage::Dynamic;
        desc.bindFlags = gpu::kBindConstantBuffer;
        desc.cpuAccessFlags = gpu::kCpuAccessWrite;
        desc.miscFlags = 0;
        hr = device->CreateBuffer(desc, nullptr, &constantBuffer);
    }
    return hr;
}

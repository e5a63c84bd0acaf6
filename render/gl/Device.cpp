#include "render/gl/Device.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "render/gl/Adapter.h"
#include "render/gl/Blob.h"
#include "render/gl/Buffer.h"
#include "render/gl/BufferStorage.h"
#include "render/gl/Formats.h"
#include "render/gl/Holder.h"
#include "render/gl/LiveObjects.h"
#include "render/gl/Texture2D.h"

namespace gl {

namespace {

constexpr std::uint32_t kAppendAligned = 0xFFFFFFFFu;
constexpr std::uint32_t kMaxConstantBufferBytes = 65536;

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

Device::~Device() {
    context_->state = PipelineState{};
    context_->MarkReleased();
}

std::shared_ptr<TextureStorage> Device::StorageOf(gpu::Texture2D* texture) const {
    const auto* own = dynamic_cast<const Texture2D*>(texture);
    if (own == nullptr || own->storage()->context != context_) {
        return nullptr;
    }
    return own->storage();
}

std::shared_ptr<BufferStorage> Device::StorageOf(gpu::Buffer* buffer) const {
    const auto* own = dynamic_cast<const Buffer*>(buffer);
    if (own == nullptr || own->storage()->context != context_) {
        return nullptr;
    }
    return own->storage();
}

HRESULT Device::GetAdapter(gpu::Ref<gpu::Adapter>* adapter) {
    if (adapter == nullptr) {
        return E_INVALIDARG;
    }
    *adapter = std::make_unique<Adapter>(context_);
    return S_OK;
}

HRESULT Device::CreateBuffer(const gpu::BufferDesc& desc, const gpu::SubresourceData* initialData,
                             gpu::Ref<gpu::Buffer>* buffer) {
    const void* data = initialData != nullptr ? initialData->sysMem : nullptr;
    const bool constants = (desc.bindFlags & gpu::kBindConstantBuffer) != 0;
    const bool invalid =
        buffer == nullptr || desc.byteWidth == 0 || desc.bindFlags == 0 ||
        (constants && (desc.bindFlags != gpu::kBindConstantBuffer || desc.byteWidth % 16 != 0 ||
                       desc.byteWidth > kMaxConstantBufferBytes)) ||
        (desc.usage == gpu::Usage::Immutable && (data == nullptr || desc.cpuAccessFlags != 0)) ||
        (desc.usage == gpu::Usage::Dynamic && desc.cpuAccessFlags != gpu::kCpuAccessWrite) ||
        (desc.usage == gpu::Usage::Default && desc.cpuAccessFlags != 0) ||
        desc.usage == gpu::Usage::Staging;
    if (invalid) {
        return E_INVALIDARG;
    }
    if (!context_->MakeCurrent()) {
        return E_FAIL;
    }
    const Functions& gl = context_->gl();
    auto storage = std::make_shared<BufferStorage>(context_, desc);
    context_->ClearErrors();
    gl.GenBuffers(1, &storage->name);
    LiveObjects::Held(ObjectKind::Buffer, storage->name);
    gl.BindBuffer(GL_COPY_WRITE_BUFFER, storage->name);
    gl.BufferData(GL_COPY_WRITE_BUFFER, desc.byteWidth, data,
                  desc.usage == gpu::Usage::Dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    gl.BindBuffer(GL_COPY_WRITE_BUFFER, 0);
    const HRESULT hr = context_->TakeError();
    if (FAILED(hr)) {
        return hr;
    }
    *buffer = std::make_unique<Buffer>(std::move(storage));
    return S_OK;
}

HRESULT Device::CreateTexture2D(const gpu::Texture2DDesc& desc,
                                const gpu::SubresourceData* initialData,
                                gpu::Ref<gpu::Texture2D>* texture) {
    // Textures are written only through surfaces and draws: none is mapped.
    if (texture == nullptr || desc.cpuAccessFlags != 0 ||
        (desc.usage != gpu::Usage::Default && desc.usage != gpu::Usage::Immutable)) {
        return E_INVALIDARG;
    }
    std::shared_ptr<TextureStorage> storage;
    const HRESULT hr = TextureStorage::Create(
        context_, desc, initialData != nullptr ? initialData->sysMem : nullptr,
        initialData != nullptr ? initialData->sysMemPitch : 0, &storage);
    if (FAILED(hr)) {
        return hr;
    }
    *texture = std::make_unique<Texture2D>(std::move(storage));
    return S_OK;
}

HRESULT Device::CreateRenderTargetView(gpu::Texture2D* resource,
                                       const gpu::RenderTargetViewDesc* desc,
                                       gpu::Ref<gpu::RenderTargetView>* view) {
    std::shared_ptr<TextureStorage> storage = StorageOf(resource);
    if (view == nullptr || !storage || (storage->desc.bindFlags & gpu::kBindRenderTarget) == 0) {
        return E_INVALIDARG;
    }
    if (desc != nullptr &&
        ((desc->format != gpu::Format::Unknown && desc->format != storage->desc.format) ||
         desc->viewDimension == gpu::ViewDimension::Unknown || desc->mipSlice != 0)) {
        return E_INVALIDARG;
    }
    *view = std::make_unique<RenderTargetView>(std::move(storage));
    return S_OK;
}

HRESULT Device::CreateDepthStencilView(gpu::Texture2D* resource,
                                       const gpu::DepthStencilViewDesc* desc,
                                       gpu::Ref<gpu::DepthStencilView>* view) {
    std::shared_ptr<TextureStorage> storage = StorageOf(resource);
    if (view == nullptr || !storage || (storage->desc.bindFlags & gpu::kBindDepthStencil) == 0) {
        return E_INVALIDARG;
    }
    if (desc != nullptr &&
        ((desc->format != gpu::Format::Unknown && desc->format != storage->desc.format) ||
         desc->viewDimension == gpu::ViewDimension::Unknown || desc->mipSlice != 0)) {
        return E_INVALIDARG;
    }
    *view = std::make_unique<DepthStencilView>(std::move(storage));
    return S_OK;
}

HRESULT Device::CreateShaderResourceView(gpu::Texture2D* resource, const void*,
                                         gpu::Ref<gpu::ShaderResourceView>* view) {
    std::shared_ptr<TextureStorage> storage = StorageOf(resource);
    if (view == nullptr || !storage || (storage->desc.bindFlags & gpu::kBindShaderResource) == 0) {
        return E_INVALIDARG;
    }
    *view = std::make_unique<ShaderResourceView>(std::move(storage));
    return S_OK;
}

HRESULT Device::CreateRasterizerState(const gpu::RasterizerDesc& desc,
                                      gpu::Ref<gpu::RasterizerState>* state) {
    if (state == nullptr) {
        return E_INVALIDARG;
    }
    *state = std::make_unique<RasterizerState>(std::make_shared<const gpu::RasterizerDesc>(desc));
    return S_OK;
}

HRESULT Device::CreateSamplerState(const gpu::SamplerDesc& desc,
                                   gpu::Ref<gpu::SamplerState>* state) {
    if (state == nullptr || desc.maxAnisotropy > 16 || desc.minLod > desc.maxLod) {
        return E_INVALIDARG;
    }
    if (!context_->MakeCurrent()) {
        return E_FAIL;
    }
    const Functions& gl = context_->gl();
    context_->ClearErrors();
    GLuint name = 0;
    gl.GenSamplers(1, &name);
    LiveObjects::Held(ObjectKind::Sampler, name);
    auto sampler = std::make_shared<const SamplerObject>(context_, name);
    const bool linear = desc.filter == gpu::Filter::MinMagMipLinear;
    gl.SamplerParameteri(name, GL_TEXTURE_MIN_FILTER,
                         linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST);
    gl.SamplerParameteri(name, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
    gl.SamplerParameteri(name, GL_TEXTURE_WRAP_S, static_cast<GLint>(AddressModeOf(desc.addressU)));
    gl.SamplerParameteri(name, GL_TEXTURE_WRAP_T, static_cast<GLint>(AddressModeOf(desc.addressV)));
    gl.SamplerParameteri(name, GL_TEXTURE_WRAP_R, static_cast<GLint>(AddressModeOf(desc.addressW)));
    gl.SamplerParameterf(name, GL_TEXTURE_LOD_BIAS, desc.mipLodBias);
    gl.SamplerParameterf(name, GL_TEXTURE_MIN_LOD, desc.minLod);
    gl.SamplerParameterf(name, GL_TEXTURE_MAX_LOD, desc.maxLod);
    gl.SamplerParameterfv(name, GL_TEXTURE_BORDER_COLOR, desc.borderColor);
    // None of the filters compares: the comparison function has nothing to do.
    gl.SamplerParameteri(name, GL_TEXTURE_COMPARE_MODE, GL_NONE);
    const HRESULT hr = context_->TakeError();
    if (FAILED(hr)) {
        return hr;
    }
    *state = std::make_unique<SamplerState>(std::move(sampler));
    return S_OK;
}

HRESULT Device::CreateBlendState(const gpu::BlendDesc& desc, gpu::Ref<gpu::BlendState>* state) {
    if (state == nullptr) {
        return E_INVALIDARG;
    }
    *state = std::make_unique<BlendState>(std::make_shared<const gpu::BlendDesc>(desc));
    return S_OK;
}

HRESULT Device::CreateShader(const gpu::Blob& code, GLenum stage,
                             std::shared_ptr<const ShaderCode>* shader) const {
    const auto* own = dynamic_cast<const Blob*>(&code);
    if (own == nullptr || own->code()->context != context_ || own->code()->stage != stage) {
        return E_INVALIDARG;
    }
    *shader = own->code();
    return S_OK;
}

HRESULT Device::CreateVertexShader(const gpu::Blob& code, gpu::Ref<gpu::VertexShader>* shader) {
    std::shared_ptr<const ShaderCode> compiled;
    const HRESULT hr =
        shader != nullptr ? CreateShader(code, GL_VERTEX_SHADER, &compiled) : E_INVALIDARG;
    if (SUCCEEDED(hr)) {
        *shader = std::make_unique<VertexShader>(std::move(compiled));
    }
    return hr;
}

HRESULT Device::CreatePixelShader(const gpu::Blob& code, gpu::Ref<gpu::PixelShader>* shader) {
    std::shared_ptr<const ShaderCode> compiled;
    const HRESULT hr =
        shader != nullptr ? CreateShader(code, GL_FRAGMENT_SHADER, &compiled) : E_INVALIDARG;
    if (SUCCEEDED(hr)) {
        *shader = std::make_unique<PixelShader>(std::move(compiled));
    }
    return hr;
}

HRESULT Device::CreateInputLayout(const gpu::InputElementDesc* elements, std::uint32_t count,
                                  const gpu::Blob& vertexShaderCode,
                                  gpu::Ref<gpu::InputLayout>* layout) {
    std::shared_ptr<const ShaderCode> vertex;
    if (layout == nullptr || (elements == nullptr && count > 0) || count > kSlots ||
        FAILED(CreateShader(vertexShaderCode, GL_VERTEX_SHADER, &vertex))) {
        return E_INVALIDARG;
    }
    std::vector<InputLayoutData::Element> list;
    std::vector<std::uint32_t> slotEnds(kSlots, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        const gpu::InputElementDesc& e = elements[i];
        const GLint components = VertexComponentsOf(e.format);
        if (e.semanticName == nullptr || components == 0 || e.inputSlot >= kSlots ||
            e.inputSlotClass != gpu::InputClassification::PerVertexData) {
            return E_INVALIDARG;
        }
        InputLayoutData::Element element;
        element.attribute = e.semanticName;
        if (e.semanticIndex != 0) {
            element.attribute += std::to_string(e.semanticIndex);
        }
        element.format = e.format;
        element.slot = e.inputSlot;
        element.offset =
            e.alignedByteOffset == kAppendAligned ? slotEnds[e.inputSlot] : e.alignedByteOffset;
        slotEnds[e.inputSlot] = element.offset + 4 * static_cast<std::uint32_t>(components);
        list.push_back(std::move(element));
    }

    if (!context_->MakeCurrent()) {
        return E_FAIL;
    }
    // Match the shader's inputs, as its program alone lists them, against the elements.
    const Functions& gl = context_->gl();
    GLint inputs = 0;
    gl.GetProgramiv(vertex->probe, GL_ACTIVE_ATTRIBUTES, &inputs);
    for (GLint i = 0; i < inputs; ++i) {
        char name[256] = {};
        GLint size = 0;
        GLenum type = 0;
        gl.GetActiveAttrib(vertex->probe, static_cast<GLuint>(i), sizeof name, nullptr, &size,
                           &type, name);
        const std::string input = name;
        if (input.rfind("gl_", 0) == 0) {
            continue;
        }
        const auto match = std::find_if(list.begin(), list.end(), [&](const auto& element) {
            return SameIgnoringCase(element.attribute, input);
        });
        if (match == list.end() || AttributeTypeOf(match->format) != type || size != 1) {
            return E_INVALIDARG;
        }
        match->attribute = input;
    }
    *layout = std::make_unique<InputLayout>(
        std::make_shared<const InputLayoutData>(context_, std::move(list)));
    return S_OK;
}

}  // namespace gl

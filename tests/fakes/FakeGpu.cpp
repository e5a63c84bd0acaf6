#include "tests/fakes/FakeGpu.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace fake {

namespace {

// Gives a fake object its name and keeps the live count of its kind.
class Named {
  public:
    Named(FakeGpu& gpu, std::string_view kind)
        : gpu_(gpu), kind_(kind), name_(gpu.Register(kind)) {}
    virtual ~Named() {
        gpu_.Unregister(kind_);
        gpu_.released.push_back(name_);
    }
    const std::string& name() const { return name_; }

  protected:
    FakeGpu& gpu_;

  private:
    std::string kind_;
    std::string name_;
};

std::string Name(const gpu::Object* object) {
    return NameOf(object);
}

template <class T>
std::string Names(std::uint32_t count, T* const* objects) {
    std::string out = "[";
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i > 0) {
            out += ",";
        }
        out += Name(objects != nullptr ? objects[i] : nullptr);
    }
    return out + "]";
}

std::string Floats(const float* values, int count) {
    std::ostringstream out;
    for (int i = 0; i < count; ++i) {
        out << (i > 0 ? "," : "") << values[i];
    }
    return out.str();
}

template <class T, class MakeObject>
HRESULT Make(FakeGpu& gpu, std::string_view op, gpu::Ref<T>* out, const std::string& entry,
             MakeObject&& make) {
    const HRESULT hr = gpu.Check(op);
    if (FAILED(hr)) {
        gpu.Log(entry + " -> failed");
        return hr;
    }
    if (out == nullptr) {
        gpu.Log(entry + " -> no output");
        return E_INVALIDARG;
    }
    auto object = make();
    gpu.Log(entry + " -> " + object->name());
    *out = std::move(object);
    return S_OK;
}

class FakeBlob : public gpu::Blob, public Named {
  public:
    FakeBlob(FakeGpu& gpu, std::string entry) : Named(gpu, "Blob"), code_(std::move(entry)) {}
    const void* GetBufferPointer() const override { return code_.data(); }
    std::size_t GetBufferSize() const override { return code_.size(); }

  private:
    std::string code_;
};

class FakeBuffer : public gpu::Buffer, public Named {
  public:
    FakeBuffer(FakeGpu& gpu, const gpu::BufferDesc& desc, const gpu::SubresourceData* data)
        : Named(gpu, "Buffer") {
        // Buffers the CPU may write keep their bytes so tests can read what was mapped.
        if ((desc.cpuAccessFlags & gpu::kCpuAccessWrite) != 0 || gpu.recordBufferContents) {
            bytes_.assign(desc.byteWidth, 0);
            if (data != nullptr && data->sysMem != nullptr) {
                std::memcpy(bytes_.data(), data->sysMem, desc.byteWidth);
            }
        }
    }
    HRESULT Map(gpu::MapType type, std::uint32_t flags, void** data) override {
        const HRESULT hr = gpu_.Check("Map");
        gpu_.Log("Map(" + name() + "," + std::to_string(static_cast<int>(type)) + "," +
                 std::to_string(flags) + ")" + (FAILED(hr) ? " -> failed" : ""));
        if (FAILED(hr)) {
            return hr;
        }
        if (type == gpu::MapType::WriteDiscard) {
            std::fill(bytes_.begin(), bytes_.end(), 0xCD);
        }
        *data = bytes_.data();
        return S_OK;
    }
    void Unmap() override {
        gpu_.Log("Unmap(" + name() + ")");
        gpu_.lastUnmapped = bytes_;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

class FakeSurface : public gpu::Surface, public Named {
  public:
    FakeSurface(FakeGpu& gpu, const gpu::Texture2DDesc& desc)
        : Named(gpu, "Surface"), desc_(desc) {}
    gpu::Texture2DDesc GetDesc() const override { return desc_; }
    HRESULT WritePixels(const void*, std::uint32_t pitch) override {
        const HRESULT hr = gpu_.Check("WritePixels");
        gpu_.Log("WritePixels(" + name() + "," + std::to_string(pitch) + ")");
        return hr;
    }
    HRESULT AddReference(gpu::Ref<gpu::Surface>* surface) override {
        return Make(gpu_, "AddReference", surface, "AddReference(" + name() + ")",
                    [&] { return std::make_unique<FakeSurface>(gpu_, desc_); });
    }

  private:
    gpu::Texture2DDesc desc_;
};

class FakeTexture : public gpu::Texture2D, public Named {
  public:
    FakeTexture(FakeGpu& gpu, const gpu::Texture2DDesc& desc)
        : Named(gpu, "Texture2D"), desc_(desc) {}
    gpu::Texture2DDesc GetDesc() const override { return desc_; }
    HRESULT GetSurface(gpu::Ref<gpu::Surface>* surface) override {
        return Make(gpu_, "GetSurface", surface, "GetSurface(" + name() + ")",
                    [&] { return std::make_unique<FakeSurface>(gpu_, desc_); });
    }

  private:
    gpu::Texture2DDesc desc_;
};

template <class Base>
class FakeSimple : public Base, public Named {
  public:
    FakeSimple(FakeGpu& gpu, std::string_view kind) : Named(gpu, kind) {}
};

class FakeSwapChain : public gpu::SwapChain, public Named {
  public:
    FakeSwapChain(FakeGpu& gpu, const gpu::SwapChainDesc& desc)
        : Named(gpu, "SwapChain"), desc_(desc) {}
    HRESULT ResizeBuffers(std::uint32_t count, std::uint32_t width, std::uint32_t height,
                          gpu::Format format, std::uint32_t flags) override {
        const HRESULT hr = gpu_.Check("ResizeBuffers");
        gpu_.Log("ResizeBuffers(" + std::to_string(count) + "," + std::to_string(width) + "," +
                 std::to_string(height) + "," + std::to_string(static_cast<int>(format)) + "," +
                 std::to_string(flags) + ")" + (FAILED(hr) ? " -> failed" : ""));
        if (SUCCEEDED(hr)) {
            desc_.bufferDesc.width = width;
            desc_.bufferDesc.height = height;
        }
        return hr;
    }
    HRESULT GetBuffer(std::uint32_t index, gpu::Ref<gpu::Texture2D>* buffer) override {
        gpu::Texture2DDesc desc;
        desc.width = desc_.bufferDesc.width;
        desc.height = desc_.bufferDesc.height;
        desc.mipLevels = 1;
        desc.arraySize = 1;
        desc.format = desc_.bufferDesc.format;
        desc.bindFlags = gpu::kBindRenderTarget;
        return Make(gpu_, "GetBuffer", buffer, "GetBuffer(" + std::to_string(index) + ")",
                    [&] { return std::make_unique<FakeTexture>(gpu_, desc); });
    }
    HRESULT Present(std::uint32_t syncInterval, std::uint32_t flags) override {
        const HRESULT hr = gpu_.Check("Present");
        gpu_.Log("Present(" + std::to_string(syncInterval) + "," + std::to_string(flags) + ")" +
                 (FAILED(hr) ? " -> failed" : ""));
        return hr;
    }
    // The fake draws nothing: a picture of the buffer's size, all zero.
    HRESULT ReadPresented(gpu::Picture* picture) override {
        const HRESULT hr = gpu_.Check("ReadPresented");
        gpu_.Log(std::string("ReadPresented") + (FAILED(hr) ? " -> failed" : ""));
        if (FAILED(hr)) {
            return hr;
        }
        picture->width = desc_.bufferDesc.width;
        picture->height = desc_.bufferDesc.height;
        picture->pixels.assign(std::size_t{4} * picture->width * picture->height, 0);
        return S_OK;
    }

  private:
    gpu::SwapChainDesc desc_;
};

class FakeFactory : public gpu::Factory, public Named {
  public:
    explicit FakeFactory(FakeGpu& gpu) : Named(gpu, "Factory") {}
    HRESULT CreateSwapChain(gpu::Device* device, const gpu::SwapChainDesc& desc,
                            gpu::Ref<gpu::SwapChain>* swapChain) override {
        gpu_.swapChainDescs.push_back(desc);
        return Make(gpu_, "CreateSwapChain", swapChain, "CreateSwapChain(" + Name(device) + ")",
                    [&] { return std::make_unique<FakeSwapChain>(gpu_, desc); });
    }
};

class FakeAdapter : public gpu::Adapter, public Named {
  public:
    explicit FakeAdapter(FakeGpu& gpu) : Named(gpu, "Adapter") {}
    HRESULT GetParent(gpu::Ref<gpu::Factory>* factory) override {
        return Make(gpu_, "GetParent", factory, "GetParent",
                    [&] { return std::make_unique<FakeFactory>(gpu_); });
    }
};

class FakeDevice : public gpu::Device, public Named {
  public:
    explicit FakeDevice(FakeGpu& gpu) : Named(gpu, "Device") {}

    HRESULT GetAdapter(gpu::Ref<gpu::Adapter>* adapter) override {
        return Make(gpu_, "GetAdapter", adapter, "GetAdapter",
                    [&] { return std::make_unique<FakeAdapter>(gpu_); });
    }
    HRESULT CreateBuffer(const gpu::BufferDesc& desc, const gpu::SubresourceData* data,
                         gpu::Ref<gpu::Buffer>* buffer) override {
        gpu_.bufferDescs.push_back(desc);
        if (gpu_.recordBufferContents) {
            const auto* bytes =
                static_cast<const std::uint8_t*>(data != nullptr ? data->sysMem : nullptr);
            gpu_.bufferContents.emplace_back(bytes,
                                             bytes != nullptr ? bytes + desc.byteWidth : bytes);
        }
        return Make(gpu_, "CreateBuffer", buffer,
                    "CreateBuffer(" + std::to_string(desc.byteWidth) + ")",
                    [&] { return std::make_unique<FakeBuffer>(gpu_, desc, data); });
    }
    HRESULT CreateTexture2D(const gpu::Texture2DDesc& desc, const gpu::SubresourceData*,
                            gpu::Ref<gpu::Texture2D>* texture) override {
        gpu_.textureDescs.push_back(desc);
        return Make(gpu_, "CreateTexture2D", texture,
                    "CreateTexture2D(" + std::to_string(desc.width) + "x" +
                        std::to_string(desc.height) + ")",
                    [&] { return std::make_unique<FakeTexture>(gpu_, desc); });
    }
    HRESULT CreateRenderTargetView(gpu::Texture2D* resource, const gpu::RenderTargetViewDesc* desc,
                                   gpu::Ref<gpu::RenderTargetView>* view) override {
        gpu_.renderTargetViewDescs.push_back(desc != nullptr ? *desc : gpu::RenderTargetViewDesc{});
        return Make(gpu_, "CreateRenderTargetView", view,
                    "CreateRenderTargetView(" + Name(resource) + ")", [&] {
                        return std::make_unique<FakeSimple<gpu::RenderTargetView>>(
                            gpu_, "RenderTargetView");
                    });
    }
    HRESULT CreateDepthStencilView(gpu::Texture2D* resource, const gpu::DepthStencilViewDesc* desc,
                                   gpu::Ref<gpu::DepthStencilView>* view) override {
        gpu_.depthStencilViewDescs.push_back(desc != nullptr ? *desc : gpu::DepthStencilViewDesc{});
        return Make(gpu_, "CreateDepthStencilView", view,
                    "CreateDepthStencilView(" + Name(resource) + ")", [&] {
                        return std::make_unique<FakeSimple<gpu::DepthStencilView>>(
                            gpu_, "DepthStencilView");
                    });
    }
    HRESULT CreateShaderResourceView(gpu::Texture2D* resource, const void*,
                                     gpu::Ref<gpu::ShaderResourceView>* view) override {
        return Make(gpu_, "CreateShaderResourceView", view,
                    "CreateShaderResourceView(" + Name(resource) + ")", [&] {
                        return std::make_unique<FakeSimple<gpu::ShaderResourceView>>(
                            gpu_, "ShaderResourceView");
                    });
    }
    HRESULT CreateRasterizerState(const gpu::RasterizerDesc& desc,
                                  gpu::Ref<gpu::RasterizerState>* state) override {
        gpu_.rasterizerDescs.push_back(desc);
        return Make(gpu_, "CreateRasterizerState", state, "CreateRasterizerState", [&] {
            return std::make_unique<FakeSimple<gpu::RasterizerState>>(gpu_, "RasterizerState");
        });
    }
    HRESULT CreateSamplerState(const gpu::SamplerDesc& desc,
                               gpu::Ref<gpu::SamplerState>* state) override {
        gpu_.samplerDescs.push_back(desc);
        return Make(gpu_, "CreateSamplerState", state, "CreateSamplerState", [&] {
            return std::make_unique<FakeSimple<gpu::SamplerState>>(gpu_, "SamplerState");
        });
    }
    HRESULT CreateBlendState(const gpu::BlendDesc& desc,
                             gpu::Ref<gpu::BlendState>* state) override {
        gpu_.blendDescs.push_back(desc);
        return Make(gpu_, "CreateBlendState", state, "CreateBlendState", [&] {
            return std::make_unique<FakeSimple<gpu::BlendState>>(gpu_, "BlendState");
        });
    }
    HRESULT CreateVertexShader(const gpu::Blob& code,
                               gpu::Ref<gpu::VertexShader>* shader) override {
        return Make(
            gpu_, "CreateVertexShader", shader, "CreateVertexShader(" + Name(&code) + ")",
            [&] { return std::make_unique<FakeSimple<gpu::VertexShader>>(gpu_, "VertexShader"); });
    }
    HRESULT CreatePixelShader(const gpu::Blob& code, gpu::Ref<gpu::PixelShader>* shader) override {
        return Make(
            gpu_, "CreatePixelShader", shader, "CreatePixelShader(" + Name(&code) + ")",
            [&] { return std::make_unique<FakeSimple<gpu::PixelShader>>(gpu_, "PixelShader"); });
    }
    HRESULT CreateInputLayout(const gpu::InputElementDesc* elements, std::uint32_t count,
                              const gpu::Blob& code, gpu::Ref<gpu::InputLayout>* layout) override {
        gpu_.inputLayouts.emplace_back(elements, elements + count);
        std::string entry = "CreateInputLayout(";
        for (std::uint32_t i = 0; i < count; ++i) {
            entry += std::string(i > 0 ? "," : "") + elements[i].semanticName + "@" +
                     std::to_string(elements[i].alignedByteOffset);
        }
        entry += ";" + Name(&code) + ")";
        return Make(gpu_, "CreateInputLayout", layout, entry, [&] {
            return std::make_unique<FakeSimple<gpu::InputLayout>>(gpu_, "InputLayout");
        });
    }

    void OMSetRenderTargets(std::uint32_t count, gpu::RenderTargetView* const* views,
                            gpu::DepthStencilView* depthView) override {
        gpu_.Log("OMSetRenderTargets(" + Names(count, views) + "," + Name(depthView) + ")");
    }
    void RSSetViewports(std::uint32_t count, const gpu::Viewport* viewports) override {
        for (std::uint32_t i = 0; i < count; ++i) {
            gpu_.viewports.push_back(viewports[i]);
        }
        gpu_.Log("RSSetViewports(" + std::to_string(count) + ")");
    }
    void RSSetState(gpu::RasterizerState* state) override {
        gpu_.Log("RSSetState(" + Name(state) + ")");
    }
    void OMSetBlendState(gpu::BlendState* state, const float factor[4],
                         std::uint32_t mask) override {
        std::ostringstream hex;
        hex << std::hex << mask;
        gpu_.Log("OMSetBlendState(" + Name(state) + "," + Floats(factor, 4) + ",0x" + hex.str() +
                 ")");
    }
    void ClearRenderTargetView(gpu::RenderTargetView* view, const float rgba[4]) override {
        gpu_.Log("ClearRenderTargetView(" + Name(view) + "," + Floats(rgba, 4) + ")");
    }
    void ClearDepthStencilView(gpu::DepthStencilView* view, std::uint32_t flags, float depth,
                               std::uint8_t stencil) override {
        gpu_.Log("ClearDepthStencilView(" + Name(view) + "," + std::to_string(flags) + "," +
                 Floats(&depth, 1) + "," + std::to_string(stencil) + ")");
    }
    void VSSetShader(gpu::VertexShader* shader) override {
        gpu_.Log("VSSetShader(" + Name(shader) + ")");
    }
    void PSSetShader(gpu::PixelShader* shader) override {
        gpu_.Log("PSSetShader(" + Name(shader) + ")");
    }
    void IASetPrimitiveTopology(gpu::PrimitiveTopology topology) override {
        gpu_.Log("IASetPrimitiveTopology(" + std::to_string(static_cast<int>(topology)) + ")");
    }
    void IASetInputLayout(gpu::InputLayout* layout) override {
        gpu_.Log("IASetInputLayout(" + Name(layout) + ")");
    }
    void IASetVertexBuffers(std::uint32_t start, std::uint32_t count, gpu::Buffer* const* buffers,
                            const std::uint32_t* strides, const std::uint32_t* offsets) override {
        gpu_.Log("IASetVertexBuffers(" + std::to_string(start) + "," + Names(count, buffers) + "," +
                 std::to_string(count > 0 ? strides[0] : 0) + "," +
                 std::to_string(count > 0 ? offsets[0] : 0) + ")");
    }
    void VSSetConstantBuffers(std::uint32_t start, std::uint32_t count,
                              gpu::Buffer* const* buffers) override {
        gpu_.Log("VSSetConstantBuffers(" + std::to_string(start) + "," + Names(count, buffers) +
                 ")");
    }
    void PSSetConstantBuffers(std::uint32_t start, std::uint32_t count,
                              gpu::Buffer* const* buffers) override {
        gpu_.Log("PSSetConstantBuffers(" + std::to_string(start) + "," + Names(count, buffers) +
                 ")");
    }
    void PSSetSamplers(std::uint32_t start, std::uint32_t count,
                       gpu::SamplerState* const* samplers) override {
        gpu_.Log("PSSetSamplers(" + std::to_string(start) + "," + Names(count, samplers) + ")");
    }
    void PSSetShaderResources(std::uint32_t start, std::uint32_t count,
                              gpu::ShaderResourceView* const* views) override {
        gpu_.Log("PSSetShaderResources(" + std::to_string(start) + "," + Names(count, views) + ")");
    }
    void Draw(std::uint32_t count, std::uint32_t start) override {
        gpu_.Log("Draw(" + std::to_string(count) + "," + std::to_string(start) + ")");
    }
};

class FakeTextFormat : public gpu::TextFormat, public Named {
  public:
    explicit FakeTextFormat(FakeGpu& gpu) : Named(gpu, "TextFormat") {}
    HRESULT SetParagraphAlignment(gpu::ParagraphAlignment alignment) override {
        return Set("SetParagraphAlignment", static_cast<int>(alignment));
    }
    HRESULT SetTextAlignment(gpu::TextAlignment alignment) override {
        return Set("SetTextAlignment", static_cast<int>(alignment));
    }

  private:
    HRESULT Set(const char* op, int value) {
        const HRESULT hr = gpu_.Check(op);
        gpu_.Log(std::string(op) + "(" + std::to_string(value) + ")" +
                 (FAILED(hr) ? " -> failed" : ""));
        return hr;
    }
};

class FakeTextTarget : public gpu::TextTarget, public Named {
  public:
    FakeTextTarget(FakeGpu& gpu, gpu::SizeF size) : Named(gpu, "TextTarget"), size_(size) {}
    void SetTextAntialiasMode(gpu::TextAntialiasMode mode) override {
        gpu_.Log("SetTextAntialiasMode(" + std::to_string(static_cast<int>(mode)) + ")");
    }
    HRESULT CreateSolidColorBrush(const gpu::ColorF& color, gpu::Ref<gpu::Brush>* brush) override {
        const float rgba[4] = {color.r, color.g, color.b, color.a};
        return Make(gpu_, "CreateSolidColorBrush", brush,
                    "CreateSolidColorBrush(" + Floats(rgba, 4) + ")",
                    [&] { return std::make_unique<FakeSimple<gpu::Brush>>(gpu_, "Brush"); });
    }
    gpu::SizeF GetSize() const override { return size_; }
    void BeginDraw() override { gpu_.Log("BeginDraw"); }
    void SetTransform(const gpu::Matrix3x2F& m) override {
        const float values[6] = {m.m11, m.m12, m.m21, m.m22, m.dx, m.dy};
        gpu_.Log("SetTransform(" + Floats(values, 6) + ")");
    }
    void Clear(const gpu::ColorF& color) override {
        const float rgba[4] = {color.r, color.g, color.b, color.a};
        gpu_.Log("Clear(" + Floats(rgba, 4) + ")");
    }
    void DrawText(std::u16string_view text, gpu::TextFormat* format, const gpu::RectF& rect,
                  gpu::Brush* brush, std::uint32_t options, gpu::MeasuringMode mode) override {
        const float box[4] = {rect.left, rect.top, rect.right, rect.bottom};
        gpu_.drawnTexts.emplace_back(text);
        gpu_.Log("DrawText(" + std::to_string(text.size()) + "," + Name(format) + "," +
                 Floats(box, 4) + "," + Name(brush) + "," + std::to_string(options) + "," +
                 std::to_string(static_cast<int>(mode)) + ")");
    }
    HRESULT EndDraw() override {
        const HRESULT hr = gpu_.Check("EndDraw");
        gpu_.Log(std::string("EndDraw") + (FAILED(hr) ? " -> failed" : ""));
        return hr;
    }

  private:
    gpu::SizeF size_;
};

class FakeTextFactory : public gpu::TextFactory, public Named {
  public:
    explicit FakeTextFactory(FakeGpu& gpu) : Named(gpu, "TextFactory") {}
    HRESULT CreateDxgiSurfaceRenderTarget(gpu::Surface* surface,
                                          const gpu::RenderTargetProperties& properties,
                                          gpu::Ref<gpu::TextTarget>* target) override {
        gpu_.textTargetProperties.push_back(properties);
        gpu::SizeF size;
        if (surface != nullptr) {
            const gpu::Texture2DDesc desc = surface->GetDesc();
            size = {static_cast<float>(desc.width), static_cast<float>(desc.height)};
        }
        return Make(gpu_, "CreateDxgiSurfaceRenderTarget", target,
                    "CreateDxgiSurfaceRenderTarget(" + Name(surface) + ")",
                    [&] { return std::make_unique<FakeTextTarget>(gpu_, size); });
    }
};

class FakeWriteFactory : public gpu::WriteFactory, public Named {
  public:
    explicit FakeWriteFactory(FakeGpu& gpu) : Named(gpu, "WriteFactory") {}
    HRESULT CreateTextFormat(std::u16string_view family, std::int32_t weight, gpu::FontStyle style,
                             std::int32_t stretch, float size, std::u16string_view locale,
                             gpu::Ref<gpu::TextFormat>* format) override {
        gpu_.textFormatFamilies.emplace_back(family);
        std::string ascii;
        for (char16_t c : family) {
            ascii += c < 0x80 ? static_cast<char>(c) : '?';
        }
        return Make(gpu_, "CreateTextFormat", format,
                    "CreateTextFormat(" + ascii + "," + std::to_string(weight) + "," +
                        std::to_string(static_cast<int>(style)) + "," + std::to_string(stretch) +
                        "," + Floats(&size, 1) + "," + std::to_string(locale.size()) + ")",
                    [&] { return std::make_unique<FakeTextFormat>(gpu_); });
    }
};

}  // namespace

std::string NameOf(const gpu::Object* object) {
    if (object == nullptr) {
        return "null";
    }
    const auto* named = dynamic_cast<const Named*>(object);
    return named != nullptr ? named->name() : "?";
}

FakeGpu::FakeGpu() = default;
FakeGpu::~FakeGpu() = default;

void FakeGpu::Fail(std::string op, int occurrence, HRESULT code) {
    rules_.push_back({std::move(op), occurrence, code});
}

void FakeGpu::FailNext(std::string op, HRESULT code, int later) {
    const auto it = seen_.find(op);
    const int next = (it != seen_.end() ? it->second : 0) + 1 + later;
    rules_.push_back({std::move(op), next, code});
}

void FakeGpu::ClearFailures() {
    rules_.clear();
}

HRESULT FakeGpu::Check(std::string_view op) {
    const int n = ++seen_[std::string(op)];
    for (const Rule& rule : rules_) {
        if (rule.op == op && (rule.occurrence == 0 || rule.occurrence == n)) {
            return rule.code;
        }
    }
    return S_OK;
}

std::string FakeGpu::Register(std::string_view kind) {
    ++live_[std::string(kind)];
    ++created_[std::string(kind)];
    return std::string(kind) + "#" + std::to_string(nextId_++);
}

void FakeGpu::Unregister(std::string_view kind) {
    --live_[std::string(kind)];
}

std::vector<std::string> FakeGpu::Names() const {
    std::vector<std::string> names;
    names.reserve(calls.size());
    for (const std::string& call : calls) {
        names.push_back(call.substr(0, call.find_first_of("( ")));
    }
    return names;
}

std::vector<std::string> FakeGpu::CallsOf(std::string_view op) const {
    std::vector<std::string> out;
    for (const std::string& call : calls) {
        if (call.compare(0, call.find_first_of("( "), op) == 0) {
            out.push_back(call);
        }
    }
    return out;
}

int FakeGpu::CountOf(std::string_view op) const {
    return static_cast<int>(CallsOf(op).size());
}

int FakeGpu::Live() const {
    int total = 0;
    for (const auto& [kind, count] : live_) {
        total += count;
    }
    return total;
}

int FakeGpu::Live(std::string_view kind) const {
    const auto it = live_.find(kind);
    return it != live_.end() ? it->second : 0;
}

int FakeGpu::Created(std::string_view kind) const {
    const auto it = created_.find(kind);
    return it != created_.end() ? it->second : 0;
}

HRESULT FakeGpu::CreateDevice(gpu::WindowHandle, gpu::DriverType driverType, std::uint32_t flags,
                              gpu::FeatureLevel level, std::uint32_t sdkVersion,
                              gpu::Ref<gpu::Device>* device) {
    std::ostringstream entry;
    entry << "CreateDevice(" << (driverType == gpu::DriverType::Hardware ? "hardware" : "software")
          << ",0x" << std::hex << flags << ",0x" << static_cast<std::uint32_t>(level) << ",0x"
          << sdkVersion << ")";
    return Make(*this, "CreateDevice", device, entry.str(),
                [&] { return std::make_unique<FakeDevice>(*this); });
}

HRESULT FakeGpu::CreateTextFactory(gpu::FactoryType type, gpu::Ref<gpu::TextFactory>* factory) {
    return Make(*this, "CreateTextFactory", factory,
                "CreateTextFactory(" + std::to_string(static_cast<int>(type)) + ")",
                [&] { return std::make_unique<FakeTextFactory>(*this); });
}

HRESULT FakeGpu::CreateWriteFactory(gpu::WriteFactoryType type,
                                    gpu::Ref<gpu::WriteFactory>* factory) {
    return Make(*this, "CreateWriteFactory", factory,
                "CreateWriteFactory(" + std::to_string(static_cast<int>(type)) + ")",
                [&] { return std::make_unique<FakeWriteFactory>(*this); });
}

HRESULT FakeGpu::CompileFromFile(const std::string& path, const gpu::ShaderMacro*,
                                 const char* entryPoint, const char* profile, std::uint32_t flags1,
                                 std::uint32_t flags2, gpu::Ref<gpu::Blob>* code) {
    compiledPaths.push_back(path);
    const std::string file = path.substr(path.find_last_of('/') + 1);
    return Make(*this, "CompileFromFile", code,
                "CompileFromFile(" + file + "," + entryPoint + "," + profile + "," +
                    std::to_string(flags1) + "," + std::to_string(flags2) + ")",
                [&] { return std::make_unique<FakeBlob>(*this, entryPoint); });
}

}  // namespace fake

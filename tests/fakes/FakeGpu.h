#pragma once

// A graphics platform for tests: it records every operation in order, counts the objects alive
// per kind (so a test can see each one released exactly once) and fails chosen operations.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "gpu/Platform.h"

namespace fake {

class FakeGpu : public gpu::Platform {
  public:
    FakeGpu();
    ~FakeGpu() override;

    // Makes operation `op` (for example "CreateBuffer" or "Present") return `code`: on every
    // call when occurrence is 0, otherwise only on its occurrence-th call, counting from 1.
    void Fail(std::string op, int occurrence = 0, HRESULT code = E_FAIL);
    // Makes only the next call of `op` fail, however often it ran before; with `later`, only the
    // call that many after the next one.
    void FailNext(std::string op, HRESULT code = E_FAIL, int later = 0);
    void ClearFailures();

    // The log: one entry per operation, "Name" or "Name(arguments)", objects named Kind#id.
    std::vector<std::string> calls;
    std::vector<std::string> Names() const;
    // Entries whose name is `op`, with their arguments.
    std::vector<std::string> CallsOf(std::string_view op) const;
    int CountOf(std::string_view op) const;
    void ClearLog() { calls.clear(); }

    // Names of the objects destroyed so far, in the order they went.
    std::vector<std::string> released;

    int Live() const;
    int Live(std::string_view kind) const;
    int Created(std::string_view kind) const;

    // Keep the initial contents of every buffer (off by default: a million-character build
    // should not double its memory in the fake).
    bool recordBufferContents = false;
    std::vector<gpu::BufferDesc> bufferDescs;
    std::vector<gpu::Texture2DDesc> textureDescs;
    std::vector<gpu::SwapChainDesc> swapChainDescs;
    std::vector<gpu::RasterizerDesc> rasterizerDescs;
    std::vector<gpu::SamplerDesc> samplerDescs;
    std::vector<gpu::BlendDesc> blendDescs;
    std::vector<gpu::Viewport> viewports;
    std::vector<gpu::RenderTargetProperties> textTargetProperties;
    // Descriptions handed to view creation; a null description is recorded as the default one.
    std::vector<gpu::RenderTargetViewDesc> renderTargetViewDescs;
    std::vector<gpu::DepthStencilViewDesc> depthStencilViewDescs;
    std::vector<std::vector<gpu::InputElementDesc>> inputLayouts;
    std::vector<std::u16string> textFormatFamilies;
    std::vector<std::string> compiledPaths;
    std::vector<std::u16string> drawnTexts;
    std::vector<std::vector<std::uint8_t>> bufferContents;
    // What the last unmapped buffer held: for the per-draw constants.
    std::vector<std::uint8_t> lastUnmapped;

    HRESULT CreateDevice(gpu::WindowHandle window, gpu::DriverType driverType, std::uint32_t flags,
                         gpu::FeatureLevel level, std::uint32_t sdkVersion,
                         gpu::Ref<gpu::Device>* device) override;
    HRESULT CreateTextFactory(gpu::FactoryType type, gpu::Ref<gpu::TextFactory>* factory) override;
    HRESULT CreateWriteFactory(gpu::WriteFactoryType type,
                               gpu::Ref<gpu::WriteFactory>* factory) override;
    HRESULT CompileFromFile(const std::string& path, const gpu::ShaderMacro* macros,
                            const char* entryPoint, const char* profile, std::uint32_t flags1,
                            std::uint32_t flags2, gpu::Ref<gpu::Blob>* code) override;

    // Used by the fake objects.
    HRESULT Check(std::string_view op);
    void Log(std::string entry) { calls.push_back(std::move(entry)); }
    std::string Register(std::string_view kind);
    void Unregister(std::string_view kind);

  private:
    struct Rule {
        std::string op;
        int occurrence;
        HRESULT code;
    };
    std::vector<Rule> rules_;
    std::map<std::string, int, std::less<>> seen_;
    std::map<std::string, int, std::less<>> live_;
    std::map<std::string, int, std::less<>> created_;
    int nextId_ = 1;
};

// The name the fake gave an object ("Buffer#3"), or "null".
std::string NameOf(const gpu::Object* object);

}  // namespace fake

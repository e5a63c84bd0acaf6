#include "render/platform/RealPlatform.h"

#include "gpu/Platform.h"
#include "render/gl/Graphics.h"
#include "render/text/TextStack.h"

namespace {

class RealPlatform final : public gpu::Platform {
  public:
    HRESULT CreateDevice(gpu::WindowHandle window, gpu::DriverType driverType, std::uint32_t flags,
                         gpu::FeatureLevel level, std::uint32_t sdkVersion,
                         gpu::Ref<gpu::Device>* device) override;
    HRESULT CreateTextFactory(gpu::FactoryType type, gpu::Ref<gpu::TextFactory>* factory) override;
    HRESULT CreateWriteFactory(gpu::WriteFactoryType type,
                               gpu::Ref<gpu::WriteFactory>* factory) override;
    HRESULT CompileFromFile(const std::string& path, const gpu::ShaderMacro* macros,
                            const char* entryPoint, const char* profile, std::uint32_t flags1,
                            std::uint32_t flags2, gpu::Ref<gpu::Blob>* code) override;

  private:
    gl::Graphics graphics_;
};

HRESULT RealPlatform::CreateDevice(gpu::WindowHandle window, gpu::DriverType driverType,
                                   std::uint32_t flags, gpu::FeatureLevel level,
                                   std::uint32_t sdkVersion, gpu::Ref<gpu::Device>* device) {
    return graphics_.CreateDevice(window, driverType, flags, level, sdkVersion, device);
}

HRESULT RealPlatform::CreateTextFactory(gpu::FactoryType type,
                                        gpu::Ref<gpu::TextFactory>* factory) {
    return qtext::CreateTextFactory(type, factory);
}

HRESULT RealPlatform::CreateWriteFactory(gpu::WriteFactoryType type,
                                         gpu::Ref<gpu::WriteFactory>* factory) {
    return qtext::CreateWriteFactory(type, factory);
}

HRESULT RealPlatform::CompileFromFile(const std::string& path, const gpu::ShaderMacro* macros,
                                      const char* entryPoint, const char* profile,
                                      std::uint32_t flags1, std::uint32_t flags2,
                                      gpu::Ref<gpu::Blob>* code) {
    return graphics_.CompileFromFile(path, macros, entryPoint, profile, flags1, flags2, code);
}

}  // namespace

void InstallRealPlatform() {
    static RealPlatform platform;
    gpu::SetPlatform(&platform);
}

HRESULT SaveFrame(gpu::SwapChain& swapChain, const std::string& path) {
    gpu::Picture picture;
    const HRESULT hr = swapChain.ReadPresented(&picture);
    if (FAILED(hr)) {
        return hr;
    }
    return qtext::SavePicturePng(picture, path);
}

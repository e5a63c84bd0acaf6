#pragma once

#include <string>

#include "render/gl/Graphics.h"
#include "render/gpu/Platform.h"

// The platform the program runs on: devices and the shader compiler on OpenGL, text on Qt.
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

// Installs the one RealPlatform of the process (the shell calls this before any window
// exists; the QGuiApplication must exist before the first device is made).
void InstallRealPlatform();

// Writes what the swap chain last presented to a PNG file; fails when nothing was presented
// or the back buffer was drawn into since.
HRESULT SaveFrame(gpu::SwapChain& swapChain, const std::string& path);

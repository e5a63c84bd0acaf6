#pragma once

// The entry points of the graphics and text libraries: device creation on a window, the text
// factories and the shader compiler. The shell installs the real implementation before any
// window exists; tests install a fake that fails chosen operations.

#include <string>

#include "gpu/Text.h"

namespace gpu {

class Platform {
  public:
    virtual ~Platform() = default;

    virtual HRESULT CreateDevice(WindowHandle window, DriverType driverType, std::uint32_t flags,
                                 FeatureLevel level, std::uint32_t sdkVersion,
                                 Ref<Device>* device) = 0;
    virtual HRESULT CreateTextFactory(FactoryType type, Ref<TextFactory>* factory) = 0;
    virtual HRESULT CreateWriteFactory(WriteFactoryType type, Ref<WriteFactory>* factory) = 0;
    // Compiles one entry point of a shader source file. macros ends with a {nullptr, nullptr}
    // entry, or is null.
    virtual HRESULT CompileFromFile(const std::string& path, const ShaderMacro* macros,
                                    const char* entryPoint, const char* profile,
                                    std::uint32_t flags1, std::uint32_t flags2,
                                    Ref<Blob>* code) = 0;
};

// The installed platform, or null before the shell has installed one.
Platform* GetPlatform();
void SetPlatform(Platform* platform);

}  // namespace gpu

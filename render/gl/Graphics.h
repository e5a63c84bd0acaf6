#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gpu/Platform.h"
#include "render/gl/Context.h"

namespace gl {

// The OpenGL backend's entry points: devices on a gl::Surface, and the shader compiler.
class Graphics {
  public:
    // `window` must be a gl::Surface. Every feature level is served by the same OpenGL 3.3
    // context; the driver type picks a hardware context or Mesa's software rasteriser. A new
    // device on a surface replaces the surface's context, so a device made on it before is
    // lost from then on (its operations fail, its releases touch nothing).
    HRESULT CreateDevice(gpu::WindowHandle window, gpu::DriverType driverType, std::uint32_t flags,
                         gpu::FeatureLevel level, std::uint32_t sdkVersion,
                         gpu::Ref<gpu::Device>* device);

    // Compiles one entry point of a GLSL file: the file's source with the entry point's name
    // (and any macros) #defined right after its #version line, as a vertex shader for a "vs_"
    // profile and a fragment shader for a "ps_" one. The file must define main for that name.
    // The compiler is the driver, so this needs a device of this backend that is neither
    // released nor lost; the most recent one compiles. Compiler messages are not kept.
    HRESULT CompileFromFile(const std::string& path, const gpu::ShaderMacro* macros,
                            const char* entryPoint, const char* profile, std::uint32_t flags1,
                            std::uint32_t flags2, gpu::Ref<gpu::Blob>* code);

  private:
    struct Made {
        Surface* surface;
        std::weak_ptr<Context> context;
    };
    std::vector<Made> made_;
    std::weak_ptr<Context> latest_;
};

// The source that compiling `entryPoint` of `file` gives the driver.
std::string PrepareSource(const std::string& file, const char* entryPoint,
                          const gpu::ShaderMacro* macros);

}  // namespace gl

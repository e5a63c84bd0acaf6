#include "render/gl/Graphics.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "render/gl/Blob.h"
#include "render/gl/Device.h"
#include "render/gl/LiveObjects.h"
#include "render/gl/ShaderCode.h"

namespace gl {

namespace {

bool IsIdentifier(const char* name) {
    if (name == nullptr || name[0] == '\0' || std::isdigit(static_cast<unsigned char>(name[0]))) {
        return false;
    }
    for (const char* p = name; *p != '\0'; ++p) {
        if (!std::isalnum(static_cast<unsigned char>(*p)) && *p != '_') {
            return false;
        }
    }
    return true;
}

bool ReadFile(const std::string& path, std::string* text) {
    // Only a regular file: opening a FIFO would wait for a writer that never comes, and a
    // directory opens but reads nothing. Non-blocking so that even the open cannot wait.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::string contents;
    char buffer[16384];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n >= 0;
        if (n <= 0) {
            break;
        }
        contents.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (ok) {
        *text = std::move(contents);
    }
    return ok;
}

}  // namespace

std::string PrepareSource(const std::string& file, const char* entryPoint,
                          const gpu::ShaderMacro* macros) {
    std::string defines = "#define " + std::string(entryPoint) + " 1\n";
    for (const gpu::ShaderMacro* m = macros; m != nullptr && m->name != nullptr; ++m) {
        defines += "#define " + std::string(m->name) + " " +
                   (m->definition != nullptr ? m->definition : "") + "\n";
    }
    // GLSL wants #version before anything but comments, so the definitions go right after it,
    // and a #line keeps the compiler's line numbers those of the file.
    std::size_t lineStart = 0;
    int line = 1;
    while (lineStart < file.size()) {
        const std::size_t lineEnd = std::min(file.find('\n', lineStart), file.size());
        const std::size_t first = file.find_first_not_of(" \t", lineStart);
        if (first < lineEnd && file.compare(first, 8, "#version") == 0) {
            const std::size_t after = std::min(lineEnd + 1, file.size());
            std::string head = file.substr(0, after);
            if (head.back() != '\n') {
                head += '\n';
            }
            return head + defines + "#line " + std::to_string(line + 1) + "\n" + file.substr(after);
        }
        lineStart = lineEnd + 1;
        ++line;
    }
    return defines + "#line 1\n" + file;
}

HRESULT Graphics::CreateDevice(gpu::WindowHandle window, gpu::DriverType driverType, std::uint32_t,
                               gpu::FeatureLevel level, std::uint32_t sdkVersion,
                               gpu::Ref<gpu::Device>* device) {
    auto* surface = dynamic_cast<Surface*>(window);
    const bool knownLevel =
        level == gpu::FeatureLevel::Level_10_1 || level == gpu::FeatureLevel::Level_10_0 ||
        level == gpu::FeatureLevel::Level_9_3 || level == gpu::FeatureLevel::Level_9_2 ||
        level == gpu::FeatureLevel::Level_9_1;
    if (surface == nullptr || device == nullptr || sdkVersion != gpu::kSdkVersion || !knownLevel) {
        return E_INVALIDARG;
    }
    // The surface is about to drop the context made before: the device on it is gone with it.
    made_.erase(std::remove_if(made_.begin(), made_.end(),
                               [&](Made& made) {
                                   const auto context = made.context.lock();
                                   if (context && made.surface == surface) {
                                       context->MarkLost();
                                   }
                                   return !context || made.surface == surface;
                               }),
                made_.end());
    auto context = std::make_shared<Context>(*surface);
    const HRESULT hr = context->Open(
        driverType == gpu::DriverType::Hardware ? ContextKind::Hardware : ContextKind::Software);
    if (FAILED(hr)) {
        context->MarkLost();
        return hr;
    }
    made_.push_back({surface, context});
    latest_ = context;
    *device = std::make_unique<Device>(std::move(context));
    return S_OK;
}

HRESULT Graphics::CompileFromFile(const std::string& path, const gpu::ShaderMacro* macros,
                                  const char* entryPoint, const char* profile, std::uint32_t,
                                  std::uint32_t, gpu::Ref<gpu::Blob>* code) {
    if (code == nullptr || !IsIdentifier(entryPoint) || profile == nullptr) {
        return E_INVALIDARG;
    }
    GLenum stage = 0;
    if (std::strncmp(profile, "vs_", 3) == 0) {
        stage = GL_VERTEX_SHADER;
    } else if (std::strncmp(profile, "ps_", 3) == 0) {
        stage = GL_FRAGMENT_SHADER;
    } else {
        return E_INVALIDARG;
    }
    for (const gpu::ShaderMacro* m = macros; m != nullptr && m->name != nullptr; ++m) {
        if (!IsIdentifier(m->name)) {
            return E_INVALIDARG;
        }
    }
    const std::shared_ptr<Context> context = latest_.lock();
    if (!context || context->lost() || context->released()) {
        return E_FAIL;
    }
    std::string file;
    if (!ReadFile(path, &file)) {
        return E_FAIL;
    }
    if (!context->MakeCurrent()) {
        return E_FAIL;
    }
    auto compiled =
        std::make_shared<ShaderCode>(context, stage, PrepareSource(file, entryPoint, macros));
    const Functions& gl = context->gl();
    context->ClearErrors();
    compiled->shader = gl.CreateShader(stage);
    LiveObjects::Held(ObjectKind::Shader, compiled->shader);
    const char* source = compiled->source.c_str();
    const auto length = static_cast<GLint>(compiled->source.size());
    gl.ShaderSource(compiled->shader, 1, &source, &length);
    gl.CompileShader(compiled->shader);
    GLint ok = GL_FALSE;
    gl.GetShaderiv(compiled->shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        return E_FAIL;
    }
    // Linked alone, the stage shows whether the entry point has a main at all; a vertex
    // shader's program also lists its inputs for the input layout. Linked as a separable
    // program where that exists, so that the linker keeps the outputs no later stage reads
    // here, and with them the inputs they are computed from.
    compiled->probe = gl.CreateProgram();
    LiveObjects::Held(ObjectKind::Program, compiled->probe);
    if (gl.ProgramParameteri != nullptr) {
        gl.ProgramParameteri(compiled->probe, GL_PROGRAM_SEPARABLE, GL_TRUE);
    }
    gl.AttachShader(compiled->probe, compiled->shader);
    gl.LinkProgram(compiled->probe);
    gl.DetachShader(compiled->probe, compiled->shader);
    gl.GetProgramiv(compiled->probe, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        return E_FAIL;
    }
    const HRESULT hr = context->TakeError();
    if (FAILED(hr)) {
        return hr;
    }
    *code = std::make_unique<Blob>(std::move(compiled));
    return S_OK;
}

}  // namespace gl

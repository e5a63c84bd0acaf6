#include "render/platform/HeadlessSurface.h"

// Without this, eglplatform.h includes Xlib.h, whose macros (None, Bool, Status) break other code.
#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>
#include <string>

#include "base/DebugSink.h"

namespace {

bool HasExtension(const char* list, const char* name) {
    if (list == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
        if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0')) {
            return true;
        }
    }
    return false;
}

std::string ErrorText() {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return code;
}

}  // namespace

struct HeadlessSurface::Egl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    bool initialized = false;

    void DropContext() {
        if (context != EGL_NO_CONTEXT) {
            if (eglGetCurrentContext() == context) {
                eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            }
            eglDestroyContext(display, context);
            context = EGL_NO_CONTEXT;
        }
    }

    void DropDisplay() {
        DropContext();
        if (initialized) {
            eglTerminate(display);
            initialized = false;
        }
        display = EGL_NO_DISPLAY;
    }

    // The surfaceless platform for a hardware context: Mesa takes the first render node it can
    // drive. For the software attempt, Mesa's software device where EGL lists its devices: on a
    // machine whose GPU offers no OpenGL 3.3 the surfaceless platform would pick that GPU again.
    EGLDisplay DisplayFor(gl::ContextKind kind) const {
        const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay == nullptr) {
            return EGL_NO_DISPLAY;
        }
        if (kind == gl::ContextKind::Software &&
            HasExtension(client, "EGL_EXT_device_enumeration") &&
            HasExtension(client, "EGL_EXT_platform_device")) {
            const auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(
                eglGetProcAddress("eglQueryDevicesEXT"));
            const auto queryDeviceString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
                eglGetProcAddress("eglQueryDeviceStringEXT"));
            EGLDeviceEXT devices[16];
            EGLint count = 0;
            if (queryDevices != nullptr && queryDeviceString != nullptr &&
                queryDevices(16, devices, &count) == EGL_TRUE) {
                for (EGLint i = 0; i < count; ++i) {
                    if (HasExtension(queryDeviceString(devices[i], EGL_EXTENSIONS),
                                     "EGL_MESA_device_software")) {
                        return getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
                    }
                }
            }
        }
        if (!HasExtension(client, "EGL_MESA_platform_surfaceless")) {
            return EGL_NO_DISPLAY;
        }
        return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    }
};

HeadlessSurface::HeadlessSurface() : egl_(std::make_unique<Egl>()) {}

HeadlessSurface::~HeadlessSurface() {
    egl_->DropDisplay();
}

bool HeadlessSurface::CreateContext(gl::ContextKind kind) {
    egl_->DropDisplay();
    egl_->display = egl_->DisplayFor(kind);
    if (egl_->display == EGL_NO_DISPLAY) {
        OutputDebugString("EGL: no surfaceless display (" + ErrorText() + ")\n");
        return false;
    }
    EGLint major = 0;
    EGLint minor = 0;
    if (eglInitialize(egl_->display, &major, &minor) != EGL_TRUE) {
        OutputDebugString("EGL: the display cannot be initialised (" + ErrorText() + ")\n");
        egl_->display = EGL_NO_DISPLAY;
        return false;
    }
    egl_->initialized = true;
    const char* extensions = eglQueryString(egl_->display, EGL_EXTENSIONS);
    // Both are needed to draw with no surface at all: a context made without a configuration,
    // and made current without a surface.
    if (!HasExtension(extensions, "EGL_KHR_surfaceless_context") ||
        !(HasExtension(extensions, "EGL_KHR_no_config_context") ||
          HasExtension(extensions, "EGL_MESA_configless_context")) ||
        eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
        OutputDebugString("EGL: the display cannot draw without a surface\n");
        return false;
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    egl_->context = eglCreateContext(egl_->display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (egl_->context == EGL_NO_CONTEXT) {
        OutputDebugString("EGL: no OpenGL 3.3 core context (" + ErrorText() + ")\n");
        return false;
    }
    return true;
}

bool HeadlessSurface::MakeCurrent() {
    if (egl_->context == EGL_NO_CONTEXT) {
        return false;
    }
    // Called before every device operation: the switch itself is not free.
    if (eglGetCurrentContext() == egl_->context) {
        return true;
    }
    return eglMakeCurrent(egl_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, egl_->context) == EGL_TRUE;
}

gl::Surface::Proc HeadlessSurface::GetProcAddress(const char* name) {
    return eglGetProcAddress(name);
}

gl::PresentTarget HeadlessSurface::GetPresentTarget() {
    gl::PresentTarget target;
    target.none = true;
    return target;
}

void HeadlessSurface::Presented(std::uint32_t) {}

void HeadlessSurface::DoneCurrent() {
    if (egl_->context != EGL_NO_CONTEXT && eglGetCurrentContext() == egl_->context) {
        eglMakeCurrent(egl_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
}

#pragma once

#include <cstdint>
#include <memory>

#include "gpu/Types.h"

namespace gl {

// Which rasteriser a context should come from: a hardware driver, or Mesa's software one
// (llvmpipe) when there is no hardware driver to be had.
enum class ContextKind { Hardware, Software };

// Where Present puts the picture: a framebuffer of the surface's context and its size in
// pixels. Framebuffer 0 is the surface's own default framebuffer.
struct PresentTarget {
    std::uint32_t framebuffer = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // Nothing shows the picture (a surface that only renders for reading back): Present leaves
    // it in the back buffer and blits nowhere.
    bool none = false;
};

// The view's drawing surface as the OpenGL backend needs it. The shell implements it on its
// OpenGL widget; tests implement it on an offscreen surface. The backend never includes a
// window-system header: everything it needs from the surface goes through here.
//
// Objects made on the surface may outlive it: once the surface is destroyed they no longer call
// it (nor GL) and their operations fail. All calls come from the thread that owns the surface.
//
// On a QOpenGLWidget (whose format asks for 3.3 core and swap interval 0): CreateContext answers
// whether the widget's own context is valid, whatever the kind (the backend refuses a hardware
// request that llvmpipe answers, and takes the same context on the software request);
// MakeCurrent is the widget's makeCurrent(); GetProcAddress asks the widget's context;
// GetPresentTarget gives defaultFramebufferObject() and the widget's size in device pixels;
// Presented has nothing to do, since Qt composes the widget after paintGL, which is where the
// frame must be drawn. The graphics can only start once the widget's context exists.
class Surface : public gpu::Window {
  public:
    using Proc = void (*)();

    Surface() = default;
    ~Surface() override { *alive_ = false; }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Shared with every context made on the surface, which checks it before each call.
    std::shared_ptr<const bool> AliveToken() const { return alive_; }

    // Makes (or makes anew, dropping the one made before) an OpenGL 3.3 core profile context of
    // the given kind for this surface. Returns false when the surface cannot offer that kind;
    // the backend checks what it got (version, functions, renderer) and may still refuse it.
    virtual bool CreateContext(ContextKind kind) = 0;
    // Makes that context current on this thread with this surface. Called at the start of every
    // device operation and every release, since the shell also reaches the scene from menu
    // commands, where no context is current. A widget may bind its own framebuffer here; the
    // backend binds what it draws into itself.
    virtual bool MakeCurrent() = 0;
    // An OpenGL function of the current context by name, or null.
    virtual Proc GetProcAddress(const char* name) = 0;
    // Asked at every Present, since a widget's framebuffer can change with its size.
    virtual PresentTarget GetPresentTarget() = 0;
    // Called after Present has blitted into the target: a window surface swaps its buffers here,
    // without waiting for the vertical blank when syncInterval is 0; a widget that composes its
    // framebuffer itself has nothing to do.
    virtual void Presented(std::uint32_t syncInterval) = 0;

  private:
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace gl

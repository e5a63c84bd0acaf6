#pragma once

#include <cstdint>
#include <memory>

#include "render/gl/Surface.h"

// A surface for drawing with no window and no display: an OpenGL 3.3 core context from EGL on
// Mesa's surfaceless platform, so that a server without X renders as a desktop does. It shows
// nothing: Present leaves each frame in the back buffer, to be read back. The EGL headers stay
// in its source file (they bring X11's macros unless told otherwise).
class HeadlessSurface final : public gl::Surface {
  public:
    HeadlessSurface();
    ~HeadlessSurface() override;

    bool CreateContext(gl::ContextKind kind) override;
    bool MakeCurrent() override;
    Proc GetProcAddress(const char* name) override;
    gl::PresentTarget GetPresentTarget() override;
    void Presented(std::uint32_t syncInterval) override;

    // Leaves no context current on this thread.
    void DoneCurrent();

  private:
    struct Egl;
    std::unique_ptr<Egl> egl_;
};

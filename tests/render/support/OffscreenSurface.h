#pragma once

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSize>

#include <memory>
#include <set>
#include <string>

#include "render/gl/Surface.h"

// A gl::Surface on a Qt offscreen surface, presenting into a framebuffer of its own so that
// tests can read what Present delivered. Either kind of context is a plain OpenGL 3.3 core
// context; under a virtual X server both come from llvmpipe.
class OffscreenSurface final : public gl::Surface {
  public:
    explicit OffscreenSurface(QSize targetSize = QSize(640, 480));
    ~OffscreenSurface() override;

    bool CreateContext(gl::ContextKind kind) override;
    bool MakeCurrent() override;
    Proc GetProcAddress(const char* name) override;
    gl::PresentTarget GetPresentTarget() override;
    void Presented(std::uint32_t syncInterval) override;

    // Kinds for which CreateContext answers false.
    std::set<gl::ContextKind> refused;
    int hardwareRequests = 0;
    int softwareRequests = 0;
    int presents = 0;
    std::uint32_t lastSyncInterval = 99;

    void SetTargetSize(QSize size) { targetSize_ = size; }
    // Leaves no context current, as a menu command would find it.
    void DoneCurrent();
    // What the last Present put into the target framebuffer, top row first.
    QImage ReadTarget();
    std::string Renderer();
    void Finish();

  private:
    void DropTarget();

    QOffscreenSurface surface_;
    std::unique_ptr<QOpenGLContext> context_;
    QSize targetSize_;
    QSize madeSize_;
    unsigned framebuffer_ = 0;
    unsigned renderbuffer_ = 0;
};

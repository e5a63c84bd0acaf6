#include "tests/render/support/OffscreenSurface.h"

#include <QOpenGLExtraFunctions>
#include <QSurfaceFormat>

OffscreenSurface::OffscreenSurface(QSize targetSize) : targetSize_(targetSize) {
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setSwapInterval(0);
    surface_.setFormat(format);
    surface_.create();
}

OffscreenSurface::~OffscreenSurface() {
    DropTarget();
}

bool OffscreenSurface::CreateContext(gl::ContextKind kind) {
    (kind == gl::ContextKind::Hardware ? hardwareRequests : softwareRequests) += 1;
    DropTarget();
    context_.reset();
    if (refused.count(kind) != 0) {
        return false;
    }
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(surface_.format());
    if (!context->create()) {
        return false;
    }
    context_ = std::move(context);
    return true;
}

bool OffscreenSurface::MakeCurrent() {
    return context_ != nullptr && context_->makeCurrent(&surface_);
}

gl::Surface::Proc OffscreenSurface::GetProcAddress(const char* name) {
    return context_ != nullptr ? context_->getProcAddress(name) : nullptr;
}

gl::PresentTarget OffscreenSurface::GetPresentTarget() {
    if (!MakeCurrent()) {
        return {};
    }
    QOpenGLExtraFunctions* gl = context_->extraFunctions();
    if (framebuffer_ == 0 || madeSize_ != targetSize_) {
        DropTarget();
        MakeCurrent();
        gl->glGenRenderbuffers(1, &renderbuffer_);
        gl->glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer_);
        gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, targetSize_.width(),
                                  targetSize_.height());
        gl->glGenFramebuffers(1, &framebuffer_);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                      renderbuffer_);
        madeSize_ = targetSize_;
    }
    return {framebuffer_, static_cast<std::uint32_t>(madeSize_.width()),
            static_cast<std::uint32_t>(madeSize_.height())};
}

void OffscreenSurface::Presented(std::uint32_t syncInterval) {
    ++presents;
    lastSyncInterval = syncInterval;
}

void OffscreenSurface::DoneCurrent() {
    if (context_ != nullptr) {
        context_->doneCurrent();
    }
}

QImage OffscreenSurface::ReadTarget() {
    if (framebuffer_ == 0 || !MakeCurrent()) {
        return {};
    }
    QOpenGLExtraFunctions* gl = context_->extraFunctions();
    QImage image(madeSize_, QImage::Format_RGBA8888);
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    gl->glReadBuffer(GL_COLOR_ATTACHMENT0);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glReadPixels(0, 0, madeSize_.width(), madeSize_.height(), GL_RGBA, GL_UNSIGNED_BYTE,
                     image.bits());
    return image.mirrored();
}

std::string OffscreenSurface::Renderer() {
    if (!MakeCurrent()) {
        return {};
    }
    return reinterpret_cast<const char*>(context_->functions()->glGetString(GL_RENDERER));
}

void OffscreenSurface::Finish() {
    if (MakeCurrent()) {
        context_->functions()->glFinish();
    }
}

void OffscreenSurface::DropTarget() {
    if (framebuffer_ != 0 && MakeCurrent()) {
        QOpenGLExtraFunctions* gl = context_->extraFunctions();
        gl->glDeleteFramebuffers(1, &framebuffer_);
        gl->glDeleteRenderbuffers(1, &renderbuffer_);
    }
    framebuffer_ = 0;
    renderbuffer_ = 0;
}

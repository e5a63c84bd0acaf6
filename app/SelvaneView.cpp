#include "app/SelvaneView.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QTimerEvent>
#include <QWheelEvent>
#include <algorithm>
#include <limits>
#include <string>

#include "audio/DrumPlayer.h"
#include "base/DebugSink.h"
#include "base/Random.h"
#include "scene/Scene.h"
#include "scene/SelvaneDoc.h"

namespace {
constexpr int kTimerPeriodMs = 32;
constexpr int kMinimumSide = 100;
}  // namespace

CSelvaneView::CSelvaneView(CSelvaneDoc* document, QWidget* parent)
    : QOpenGLWidget(parent), document_(document), drumPlayer_(std::make_unique<DrumPlayer>()) {
    // Every frame is drawn whole; Qt need not keep or clear the widget's contents for us.
    setUpdateBehavior(QOpenGLWidget::NoPartialUpdate);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setFocusPolicy(Qt::WheelFocus);
    setMinimumSize(1, 1);
}

CSelvaneView::~CSelvaneView() {
    ReleaseGraphics();
    // The base class destroys the context after this body: its signal must not reach a view
    // that is already gone.
    if (context() != nullptr) {
        disconnect(context(), nullptr, this, nullptr);
    }
    // The voices go before the data they play, and before the application's extra reference on
    // the audio library is dropped at exit.
    drumPlayer_.reset();
}

void CSelvaneView::SetDrumPlayer(std::unique_ptr<DrumPlayer> player) {
    drumPlayer_ = std::move(player);
}

bool CSelvaneView::CreateGraphics() {
    if (!initialized_) {
        // Grabbing the framebuffer initialises a widget that has never been shown: the graphics
        // are made on its surface before the main window appears, so that a failure keeps it
        // from appearing at all.
        grabFramebuffer();
    }
    return initialized_ && SUCCEEDED(graphicsResult_);
}

void CSelvaneView::initializeGL() {
    initialized_ = true;
    released_ = false;
    // The widget's context goes with the widget or when it moves to another window: the
    // graphics must be released while it can still be made current.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &CSelvaneView::ReleaseGraphics,
            Qt::UniqueConnection);
    if (g_scene == nullptr) {
        graphicsResult_ = E_FAIL;
        return;
    }
    graphicsResult_ = g_scene->InitGraphics(this);
    if (SUCCEEDED(graphicsResult_) && timerId_ == 0) {
        timerId_ = startTimer(kTimerPeriodMs, Qt::PreciseTimer);
    }
}

void CSelvaneView::ReleaseGraphics() {
    if (!initialized_ || released_ || g_scene == nullptr) {
        return;
    }
    released_ = true;
    if (timerId_ != 0) {
        killTimer(timerId_);
        timerId_ = 0;
    }
    makeCurrent();
    g_scene->ReleaseGraphics();
    doneCurrent();
}

void CSelvaneView::resizeGL(int width, int height) {
    const qreal ratio = devicePixelRatioF();
    ResizeGraphics(static_cast<int>(width * ratio), static_cast<int>(height * ratio));
}

void CSelvaneView::ResizeGraphics(int width, int height) {
    if (width < kMinimumSide || height < kMinimumSide || g_scene == nullptr) {
        return;
    }
    Scene& scene = *g_scene;
    if (!scene.device || !scene.renderTargetView || !scene.depthStencilView || !scene.swapChain) {
        return;
    }
    scene.clientWidth = static_cast<std::uint32_t>(width);
    scene.clientHeight = static_cast<std::uint32_t>(height);
    gpu::RenderTargetView* none[1] = {nullptr};
    scene.device->OMSetRenderTargets(1, none, nullptr);
    // The result is not examined: a failed resize leaves the views missing, and the frames
    // that follow report it on the debug output.
    scene.ResizeViews();
}

void CSelvaneView::paintGL() {
    if (document_ != nullptr && g_scene != nullptr) {
        g_scene->Render();
        if (!shownFrame_ && isVisible()) {
            // For start-up measurements: the first frame drawn while the window is on screen.
            shownFrame_ = true;
            OutputDebugString("first frame presented (" + std::to_string(g_scene->clientWidth) + "x" +
                              std::to_string(g_scene->clientHeight) + ")\n");
        }
    }
    if (afterFrame_) {
        afterFrame_();
    }
}

void CSelvaneView::OnUpdate() {
    update();
}

void CSelvaneView::timerEvent(QTimerEvent*) {
    Tick();
}

void CSelvaneView::Tick() {
    if (g_scene != nullptr) {
        g_scene->TickCamera();
    }
    ++ticks_;
    update();
}

void CSelvaneView::wheelEvent(QWheelEvent* event) {
    // 120 a notch; a high-resolution wheel sends its smaller steps as they come.
    const int delta = event->angleDelta().y();
    if (delta != 0) {
        Wheel(static_cast<std::int16_t>(std::clamp(delta,
                                                   int{std::numeric_limits<std::int16_t>::min()},
                                                   int{std::numeric_limits<std::int16_t>::max()})));
    }
    event->accept();
}

void CSelvaneView::Wheel(std::int16_t delta) {
    if (g_scene == nullptr) {
        return;
    }
    g_scene->ChangeSpeed(delta);
    StrikeDrum();
}

void CSelvaneView::StrikeDrum() {
    if (g_scene->text.empty() || !drumPlayer_) {
        return;
    }
    drumPlayer_->Stop(currentDrum_);
    currentDrum_ = Rand() % 5;
    drumPlayer_->Play(currentDrum_);
}

void CSelvaneView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}

void CSelvaneView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QOpenGLWidget::mouseReleaseEvent(event);
}

bool CSelvaneView::CreateContext(gl::ContextKind) {
    // Qt has made the widget's context already; the backend judges what it offers. Both
    // attempts get the same context, so a software rasteriser refused as hardware is taken
    // on the software attempt.
    return context() != nullptr && context()->isValid();
}

bool CSelvaneView::MakeCurrent() {
    if (context() == nullptr) {
        return false;
    }
    makeCurrent();
    return QOpenGLContext::currentContext() == context();
}

gl::Surface::Proc CSelvaneView::GetProcAddress(const char* name) {
    QOpenGLContext* current = QOpenGLContext::currentContext();
    return current != nullptr ? reinterpret_cast<Proc>(current->getProcAddress(name)) : nullptr;
}

gl::PresentTarget CSelvaneView::GetPresentTarget() {
    const qreal ratio = devicePixelRatioF();
    return {defaultFramebufferObject(), static_cast<std::uint32_t>(width() * ratio),
            static_cast<std::uint32_t>(height() * ratio)};
}

void CSelvaneView::Presented(std::uint32_t) {
    // The widget composes its framebuffer into the window itself.
}

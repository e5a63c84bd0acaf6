#include "shell/SelvaneView.h"

#include <QDropEvent>
#include <QExposeEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QResizeEvent>
#include <QTimer>
#include <QTimerEvent>
#include <QUrl>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "audio/DrumPlayer.h"
#include "base/DebugSink.h"
#include "base/Random.h"
#include "scene/Scene.h"
#include "scene/SelvaneDoc.h"

namespace {
constexpr int kTimerPeriodMs = 32;
constexpr int kMinimumSide = 100;
constexpr int kNotch = 120;
}  // namespace

CSelvaneView::CSelvaneView(CSelvaneDoc* document, bool drums)
    : document_(document),
      drumPlayer_(drums ? std::make_unique<DrumPlayer>() : nullptr),
      // Half a second to spare: the engine mixes a little ahead of what is heard.
      drumRestTicks_(drumPlayer_ ? (drumPlayer_->LongestMilliseconds() + 500) / kTimerPeriodMs + 1
                                 : 0) {
    setSurfaceType(QSurface::OpenGLSurface);
    wayland_ = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    const char* never = std::getenv("SELVANE_TEST_NEVER_EXPOSED");
    neverExposed_ = never != nullptr && never[0] != '\0';
    // Keyboard focus stays with the main frame, whose menus and accelerators handle the keys.
    setFlag(Qt::WindowDoesNotAcceptFocus);
}

CSelvaneView::~CSelvaneView() {
    ReleaseGraphics();
    context_.reset();
    // The voices go before the data they play, and before the application's extra reference on
    // the audio library is dropped at exit.
    drumPlayer_.reset();
}

QWidget* CSelvaneView::CreateContainer(QWidget* parent) {
    if (container_ == nullptr) {
        container_ = QWidget::createWindowContainer(this, parent);
        container_->setFocusPolicy(Qt::NoFocus);
        container_->setMinimumSize(1, 1);
        container_->setAttribute(Qt::WA_OpaquePaintEvent);
    }
    return container_;
}

bool CSelvaneView::CreateGraphics() {
    if (!initialized_) {
        initialized_ = true;
        // The native window exists from here on, unmapped until the main frame is shown: the
        // graphics are made on it first, so that a failure keeps the window from appearing.
        create();
        graphicsResult_ = g_scene != nullptr ? g_scene->InitGraphics(this) : E_FAIL;
        if (SUCCEEDED(graphicsResult_)) {
            timerId_ = startTimer(kTimerPeriodMs, Qt::PreciseTimer);
        }
    }
    return SUCCEEDED(graphicsResult_);
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
    MakeCurrent();
    g_scene->ReleaseGraphics();
    if (context_) {
        context_->doneCurrent();
    }
}

void CSelvaneView::resizeEvent(QResizeEvent* event) {
    const qreal ratio = devicePixelRatio();
    ResizeGraphics(static_cast<int>(event->size().width() * ratio),
                   static_cast<int>(event->size().height() * ratio));
    // Qt exposes a window it has resized, and that draws the new size at once; the next tick
    // would draw it too, since the size is part of what a frame shows.
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
    // The result is not examined. A failed resize, running out of memory among its causes,
    // leaves the views missing: the frames after it draw into no target, and the check above
    // makes no further attempt.
    try {
        scene.ResizeViews();
    } catch (const std::bad_alloc&) {
    }
}

bool CSelvaneView::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::UpdateRequest:
            Paint();
            return true;
        // The drags over the view come to the view's own window (its container hands them on),
        // not to the main frame around it: unanswered here, a file dropped on the flight would
        // be ignored.
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (onDrop_ && drag->mimeData() != nullptr && drag->mimeData()->hasUrls()) {
                drag->acceptProposedAction();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::DragLeave:
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QList<QUrl> urls =
                drop->mimeData() != nullptr ? drop->mimeData()->urls() : QList<QUrl>();
            drop->acceptProposedAction();
            for (const QUrl& url : urls) {
                if (url.isLocalFile() && onDrop_) {
                    onDrop_(QFile::encodeName(url.toLocalFile()).toStdString());
                }
            }
            return true;
        }
        default:
            break;
    }
    return QWindow::event(event);
}

void CSelvaneView::showEvent(QShowEvent* event) {
    // From the moment the view is on its way to the screen: what comes before (the first file
    // read and built, however large) is no wait for the platform.
    if (!drewFrame_ && !waitingForFrame_.isValid() && SUCCEEDED(graphicsResult_)) {
        waitingForFrame_.start();
    }
    QWindow::showEvent(event);
}

bool CSelvaneView::Exposed() const {
    return isExposed() && !neverExposed_;
}

void CSelvaneView::exposeEvent(QExposeEvent*) {
    if (Exposed()) {
        Paint();
    }
}

bool CSelvaneView::Shown::operator==(const Shown& other) const {
    return std::memcmp(view.m, other.view.m, sizeof view.m) == 0 && width == other.width &&
           height == other.height && background == other.background && font == other.font &&
           cameraIndex == other.cameraIndex && segments == other.segments &&
           textTarget == other.textTarget;
}

CSelvaneView::Shown CSelvaneView::Showing(const Scene& scene) {
    Shown shown;
    shown.view = scene.view;
    shown.width = scene.clientWidth;
    shown.height = scene.clientHeight;
    shown.background = scene.backgroundColor;
    shown.font = scene.fontColor;
    shown.cameraIndex = scene.cameraIndex;
    shown.segments = scene.segments.size();
    shown.textTarget = scene.textTarget.get();
    return shown;
}

void CSelvaneView::Paint() {
    // Nothing can be shown on a window that is not on screen, and a swap there only warns.
    if (!Exposed() || !SUCCEEDED(graphicsResult_)) {
        return;
    }
    drewFrame_ = true;
    if (document_ != nullptr && g_scene != nullptr) {
        HRESULT hr = E_FAIL;
        try {
            hr = g_scene->Render();
            ++frames_;
        } catch (const std::bad_alloc&) {
            // Qt cannot carry an exception out of an event handler: it would end the program.
            // A frame that runs out of memory fails as any failed frame does, and the next
            // frame tries again.
            OutputDebugString("レンダリング時のエラー\n");  // not translated: a debug line
        }
        // Only a whole picture on screen may stand for the next ticks; after a failure they try
        // again.
        if (hr == S_OK) {
            shown_ = Showing(*g_scene);
        } else {
            shown_.reset();
        }
        const qreal ratio = devicePixelRatio();
        const auto w = static_cast<std::uint32_t>(width() * ratio);
        const auto h = static_cast<std::uint32_t>(height() * ratio);
        if (!shownFrame_ && hr == S_OK && w == g_scene->clientWidth && h == g_scene->clientHeight) {
            // For start-up measurements: the first whole frame on screen at the window's size.
            // (The window is exposed once before the frame's layout has given it its size.)
            shownFrame_ = true;
            OutputDebugString("first frame presented (" + std::to_string(w) + "x" +
                              std::to_string(h) + ")\n");
        }
    }
    if (afterFrame_) {
        afterFrame_();
    }
}

void CSelvaneView::OnUpdate() {
    // The document calls this only once its scene has been built anew: the flight changes here.
    if (g_scene != nullptr) {
        OutputDebugString("scene built: " + std::to_string(g_scene->text.size()) + " characters, " +
                          std::to_string(g_scene->segments.size()) + " pages, " +
                          (document_ != nullptr ? EncodingDisplayName(document_->DecodedEncoding())
                                                : std::string("no document")) +
                          "\n");
    }
    shown_.reset();
    requestUpdate();
}

void CSelvaneView::timerEvent(QTimerEvent*) {
    Tick();
}

void CSelvaneView::Tick() {
    ExposeUnderWayland();
    WatchForFirstFrame();
    if (g_scene != nullptr && (!lastCameraTick_ || ticks_ < *lastCameraTick_)) {
        g_scene->TickCamera();
    }
    ++ticks_;
    if (++ticksSinceDrum_ == drumRestTicks_ && drumPlayer_) {
        drumPlayer_->Rest();
    }
    // The timer keeps its pace whatever is drawn: the camera's motion is counted in ticks.
    if (!shown_ || g_scene == nullptr || !(*shown_ == Showing(*g_scene))) {
        requestUpdate();
    } else if (afterFrame_) {
        afterFrame_();
    }
}

void CSelvaneView::ExposeUnderWayland() {
    // Qt 6.4's Wayland platform exposes a child surface only when the child is shown (or moved)
    // while its top-level is exposed already, and tells a child nothing when the top-level is
    // exposed later. The view is shown with the main frame, before the compositor has configured
    // the frame, so it would never be exposed and never draw. Shown again once the top-level is
    // exposed, it is exposed at once (Qt makes it a desynchronised subsurface, which commits its
    // frames on its own).
    if (!wayland_ || parent() == nullptr) {
        return;
    }
    if (watchedTopLevel_ != parent()) {
        // The ticks would catch the top-level's exposure too, up to a tick late.
        if (watchedTopLevel_ != nullptr) {
            watchedTopLevel_->removeEventFilter(this);
        }
        watchedTopLevel_ = parent();
        watchedTopLevel_->installEventFilter(this);
    }
    if (isVisible() && !isExposed() && parent()->isExposed()) {
        setVisible(false);
        setVisible(true);
    }
}

bool CSelvaneView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedTopLevel_ && event->type() == QEvent::Expose) {
        // Qt marks the top-level exposed before it hands the event on; the view is shown again
        // once the top-level has handled it.
        QTimer::singleShot(0, this, [this] { ExposeUnderWayland(); });
    }
    return QWindow::eventFilter(watched, event);
}

std::string CSelvaneView::NoFrameMessage(const std::string& platform) {
    return "no frame could be drawn on " + platform + " in " +
           std::to_string(kFrameDeadlineMs / 1000) + " s";
}

void CSelvaneView::WatchForFirstFrame() {
    if (drewFrame_ || !waitingForFrame_.isValid() ||
        waitingForFrame_.elapsed() < kFrameDeadlineMs) {
        return;
    }
    waitingForFrame_.invalidate();
    if (onNoFrame_) {
        onNoFrame_(QGuiApplication::platformName().toStdString());
    }
}

void CSelvaneView::wheelEvent(QWheelEvent* event) {
    // 120 a notch; a high-resolution wheel sends its smaller steps as they come.
    const int delta = event->angleDelta().y();
    if (delta != 0) {
        Wheel(static_cast<std::int16_t>(std::clamp(delta,
                                                   int{std::numeric_limits<std::int16_t>::min()},
                                                   int{std::numeric_limits<std::int16_t>::max()})),
              event->phase() == Qt::ScrollMomentum);
    }
    event->accept();
}

void CSelvaneView::Wheel(std::int16_t delta, bool momentum) {
    if (g_scene == nullptr) {
        return;
    }
    g_scene->ChangeSpeed(delta);
    if (momentum) {
        return;
    }
    // A turn the other way starts counting afresh. One strike per event at most: a second one
    // at the same moment would only cut the first short.
    if ((drumUnits_ < 0) != (delta < 0)) {
        drumUnits_ = 0;
    }
    drumUnits_ += delta;
    if (std::abs(drumUnits_) >= kNotch) {
        drumUnits_ %= kNotch;
        StrikeDrum();
    }
}

void CSelvaneView::SetCruise(bool on) {
    if (g_scene != nullptr) {
        g_scene->cruiseSpeed = cruiseRate_ / kTicksPerSecond;
        g_scene->SetCruise(on);
    }
}

void CSelvaneView::SetCruiseRate(float charactersPerSecond) {
    cruiseRate_ = std::clamp(charactersPerSecond, kSlowestCruise, kFastestCruise);
    if (g_scene != nullptr) {
        g_scene->cruiseSpeed = cruiseRate_ / kTicksPerSecond;
    }
}

void CSelvaneView::Jump(std::int64_t index) {
    if (g_scene != nullptr) {
        g_scene->PlaceCamera(index);
        requestUpdate();
    }
}

void CSelvaneView::StrikeDrum() {
    if (g_scene == nullptr || g_scene->text.empty() || !drumPlayer_) {
        return;
    }
    drumPlayer_->Stop(currentDrum_);
    currentDrum_ = Rand() % 5;
    drumPlayer_->Play(currentDrum_);
    ticksSinceDrum_ = 0;
}

// The right button shows no menu, and no click is passed on.
void CSelvaneView::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CSelvaneView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

bool CSelvaneView::CreateContext(gl::ContextKind kind) {
    // Both attempts ask the platform for a context in the format set at start-up; the backend
    // judges what it gets, so a software rasteriser refused as hardware is taken on the
    // software attempt. Where the driver is not one, only a new start can change it (the
    // application does that when this attempt fails too).
    if (kind == gl::ContextKind::Software) {
        softwareAttempted_ = true;
    }
    context_.reset();
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(requestedFormat());
    if (!context->create()) {
        return false;
    }
    context_ = std::move(context);
    return true;
}

bool CSelvaneView::MakeCurrent() {
    return context_ != nullptr && handle() != nullptr && context_->makeCurrent(this);
}

gl::Surface::Proc CSelvaneView::GetProcAddress(const char* name) {
    return context_ != nullptr ? reinterpret_cast<Proc>(context_->getProcAddress(name)) : nullptr;
}

gl::PresentTarget CSelvaneView::GetPresentTarget() {
    const qreal ratio = devicePixelRatio();
    return {context_ != nullptr ? context_->defaultFramebufferObject() : 0,
            static_cast<std::uint32_t>(width() * ratio),
            static_cast<std::uint32_t>(height() * ratio)};
}

void CSelvaneView::Presented(std::uint32_t) {
    // The swap interval of the format is 0: the swap does not wait for the vertical blank.
    if (context_ != nullptr && Exposed()) {
        context_->swapBuffers(this);
    }
}

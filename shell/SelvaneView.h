#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/Color.h"
#include "base/Math.h"
#include "base/Result.h"
#include "render/gl/Surface.h"

class CSelvaneDoc;
class DrumPlayer;
struct Scene;
class QOpenGLContext;

// The view: the window the flight is drawn in and the program's main loop. A 32 ms timer
// advances the camera and asks for a repaint, each repaint draws one frame of the scene, and
// each wheel turn changes the speed and strikes a drum. It creates the graphics on its own
// window when the window is created, follows its size, and releases the graphics when it goes.
//
// It is a native OpenGL window of its own inside the main frame, and the surface the OpenGL
// backend draws on: a frame is presented by a blit into the window's framebuffer and a buffer
// swap that does not wait for the vertical blank. (A window of its own rather than a widget
// that Qt composes into the main window: on a software rasteriser that composition costs more
// than the whole frame.)
class CSelvaneView : public QWindow, public gl::Surface {
    Q_OBJECT

  public:
    // document: the document the view is attached to (null: not attached, nothing is drawn).
    // Without drums no drum player is made, and no audio device is opened.
    explicit CSelvaneView(CSelvaneDoc* document, bool drums = true);
    ~CSelvaneView() override;

    // The widget that holds the view inside the main frame; the widget owns the view.
    QWidget* CreateContainer(QWidget* parent = nullptr);
    QWidget* container() const { return container_; }

    // Creates the view's native window and the graphics on it, before it is shown: false when
    // they could not be made (the view must then not be shown).
    bool CreateGraphics();
    HRESULT graphicsResult() const { return graphicsResult_; }
    // Whether the graphics asked for a software context: the hardware one was not usable.
    bool softwareAttempted() const { return softwareAttempted_; }

    // The document asks every view to repaint after it has been rebuilt (which the view also
    // notes on the debug sink, with the size of the new scene).
    void OnUpdate();

    // One tick of the 32 ms timer: the camera moves on, and the view is repainted when the tick
    // changed what a frame shows (the view, the size, the colours, the text and its pages, the
    // pages drawn), or when a change from elsewhere is still to be shown. A flight at rest
    // draws nothing: the picture on screen stays.
    void Tick();
    // One wheel event: the speed follows its delta at once; a drum is struck (only while text is
    // loaded) once 120 units have gathered in one direction, so a notched wheel strikes at every
    // notch and a touchpad as often as the notches its swipe amounts to. The coasting events a
    // touchpad sends after the fingers have left (momentum) move the flight and strike nothing.
    void Wheel(std::int16_t delta, bool momentum = false);
    // Strikes one of the five drums at random, stopping the one struck last; nothing while no
    // text is loaded or without drums.
    void StrikeDrum();

    // Cruise, with its speed in characters per second (0.5 to 15; 4 at first): the flight
    // settles at that speed instead of at rest.
    void SetCruise(bool on);
    void SetCruiseRate(float charactersPerSecond);
    float cruiseRate() const { return cruiseRate_; }
    // Puts the camera on character index (kept within the text) and shows it at once.
    void Jump(std::int64_t index);
    // Resize rules: ignored below 100 pixels or while the graphics are missing.
    void ResizeGraphics(int width, int height);

    DrumPlayer* drumPlayer() const { return drumPlayer_.get(); }
    std::int32_t currentDrum() const { return currentDrum_; }
    std::uint64_t ticks() const { return ticks_; }
    // The camera stands still from this tick on, the timer ticking on: a picture asked for at
    // that tick shows it, however late a loaded machine draws it.
    void StopCameraAt(std::uint64_t tick) { lastCameraTick_ = tick; }
    // Frames drawn since the view was made.
    std::uint64_t frames() const { return frames_; }
    // Called whenever the picture on screen is up to date: after every frame drawn, and after
    // a tick that needed none (for the screenshot option).
    void SetAfterFrame(std::function<void()> afterFrame) { afterFrame_ = std::move(afterFrame); }
    // Called once, with the platform's name ("xcb", "wayland"), when the view has waited
    // kFrameDeadlineMs since it was first shown without the platform letting it draw a frame;
    // the view goes on waiting and draws as soon as it may.
    void SetNoFrameHandler(std::function<void(const std::string& platform)> handler) {
        onNoFrame_ = std::move(handler);
    }
    static constexpr int kFrameDeadlineMs = 10000;
    // What standard error says then: "no frame could be drawn on wayland in 10 s".
    static std::string NoFrameMessage(const std::string& platform);
    // Whether a frame was drawn on screen at all.
    bool drewFrame() const { return drewFrame_; }
    // Files dropped on the view, in the order they were dropped (as on the main frame).
    void SetDropHandler(std::function<void(const std::string& path)> handler) {
        onDrop_ = std::move(handler);
    }

    // gl::Surface
    bool CreateContext(gl::ContextKind kind) override;
    bool MakeCurrent() override;
    Proc GetProcAddress(const char* name) override;
    gl::PresentTarget GetPresentTarget() override;
    void Presented(std::uint32_t syncInterval) override;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void exposeEvent(QExposeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // What the last frame drawn was drawn from: a tick that leaves all of it as it was needs no
    // frame.
    struct Shown {
        Matrix view;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        ColorRef background = 0;
        ColorRef font = 0;
        std::int32_t cameraIndex = 0;
        std::size_t segments = 0;
        const void* textTarget = nullptr;
        bool operator==(const Shown& other) const;
    };
    static Shown Showing(const Scene& scene);

    void Paint();
    void ReleaseGraphics();
    // Whether the platform lets the view draw now.
    bool Exposed() const;
    void ExposeUnderWayland();
    void WatchForFirstFrame();

    CSelvaneDoc* document_;
    std::unique_ptr<DrumPlayer> drumPlayer_;
    std::int32_t currentDrum_ = 0;
    // Wheel units gathered towards the next drum, signed by their direction.
    int drumUnits_ = 0;
    // Ticks since the last strike (or since the start), and after how many the drums have
    // surely died away and their engine may rest.
    std::uint64_t ticksSinceDrum_ = 0;
    std::uint64_t drumRestTicks_ = 0;
    float cruiseRate_ = 4.0f;
    std::unique_ptr<QOpenGLContext> context_;
    QWidget* container_ = nullptr;
    bool initialized_ = false;
    bool released_ = false;
    bool shownFrame_ = false;
    HRESULT graphicsResult_ = E_FAIL;
    bool softwareAttempted_ = false;
    int timerId_ = 0;
    std::uint64_t ticks_ = 0;
    std::optional<std::uint64_t> lastCameraTick_;
    std::uint64_t frames_ = 0;
    // The last frame drawn, while it is on screen and whole; empty after a failed frame, a
    // resize or a build, which the next tick must draw whatever it changes.
    std::optional<Shown> shown_;
    std::function<void()> afterFrame_;
    std::function<void(const std::string&)> onDrop_;
    std::function<void(const std::string&)> onNoFrame_;
    // Since the view was first shown, while no frame has been drawn.
    QElapsedTimer waitingForFrame_;
    bool drewFrame_ = false;
    bool wayland_ = false;
    // The top-level window whose exposure the view follows under Wayland.
    QPointer<QWindow> watchedTopLevel_;
    // For tests: the view behaves as a window the platform never exposes.
    bool neverExposed_ = false;
};

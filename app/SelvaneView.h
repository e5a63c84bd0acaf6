#pragma once

#include <QOpenGLWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/Result.h"
#include "render/gl/Surface.h"

class CSelvaneDoc;
class DrumPlayer;

// The view: the window the flight is drawn in and the program's main loop. A 32 ms timer
// advances the camera and asks for a repaint, each repaint draws one frame of the scene, and
// each wheel turn changes the speed and strikes a drum. It creates the graphics on its own
// surface, follows its size, and releases the graphics when it goes.
//
// It is also the surface the OpenGL backend draws on: the widget's context, made current on
// demand, and the widget's framebuffer as the place a frame is presented into.
class CSelvaneView : public QOpenGLWidget, public gl::Surface {
    Q_OBJECT

  public:
    // document: the document the view is attached to (null: not attached, nothing is drawn).
    explicit CSelvaneView(CSelvaneDoc* document, QWidget* parent = nullptr);
    ~CSelvaneView() override;

    // Creates the graphics on the view's surface before the window is shown, as a window's
    // creation would; false when they could not be made (the view must then not be shown).
    bool CreateGraphics();
    HRESULT graphicsResult() const { return graphicsResult_; }

    // The document asks every view to repaint after it has been rebuilt.
    void OnUpdate();

    // One tick of the 32 ms timer: the camera moves on and the view is repainted.
    void Tick();
    // One wheel turn: the speed changes, then a drum is struck (only while text is loaded).
    void Wheel(std::int16_t delta);
    // Resize rules: ignored below 100 pixels or while the graphics are missing.
    void ResizeGraphics(int width, int height);

    DrumPlayer* drumPlayer() const { return drumPlayer_.get(); }
    // Tests put in a player over a fake audio layer.
    void SetDrumPlayer(std::unique_ptr<DrumPlayer> player);
    std::int32_t currentDrum() const { return currentDrum_; }
    std::uint64_t ticks() const { return ticks_; }
    // Called after every frame is drawn (for the screenshot option).
    void SetAfterFrame(std::function<void()> afterFrame) { afterFrame_ = std::move(afterFrame); }

    // gl::Surface
    bool CreateContext(gl::ContextKind kind) override;
    bool MakeCurrent() override;
    Proc GetProcAddress(const char* name) override;
    gl::PresentTarget GetPresentTarget() override;
    void Presented(std::uint32_t syncInterval) override;

  protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void timerEvent(QTimerEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void StrikeDrum();
    void ReleaseGraphics();

    CSelvaneDoc* document_;
    std::unique_ptr<DrumPlayer> drumPlayer_;
    std::int32_t currentDrum_ = 0;
    bool initialized_ = false;
    bool released_ = false;
    bool shownFrame_ = false;
    HRESULT graphicsResult_ = E_FAIL;
    int timerId_ = 0;
    std::uint64_t ticks_ = 0;
    std::function<void()> afterFrame_;
};

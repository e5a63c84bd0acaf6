#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/Color.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;

// The main window: the menu bar with the main menu, the keyboard accelerators, the
// status bar with its prompt and lock-key panes, the two colour commands, and files dropped
// on the window. Commands it does not handle itself go to the command handler the
// application installs.
class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    explicit CMainFrame(QWidget* view);
    ~CMainFrame() override;

    // The application's commands (New, Open, Exit, About, Help contents, recent entries).
    void SetCommandHandler(std::function<void(int id)> handler) { onCommand_ = std::move(handler); }
    // Files dropped on the window, in the order they were dropped.
    void SetDropHandler(std::function<void(const std::string& path)> handler) {
        onDrop_ = std::move(handler);
    }
    // Shows the recent-file list under File: up to four entries, or the greyed placeholder.
    void SetRecentFiles(const std::vector<std::string>& paths);
    // The encoding of the open document in its status-bar pane ("" for none), and whether it
    // can be reopened in another (it has a file to read again).
    void SetDocumentEncoding(const std::string& name, bool reopenable);

    // The action carrying a command identifier (null for none); the menu, the accelerators and
    // the tests all reach commands this way.
    QAction* Action(int id) const;
    QAction* RecentAction(int index) const;
    QLabel* PromptPane() const { return prompt_; }
    QLabel* EncodingPane() const { return encoding_; }
    QMenu* ReopenMenu() const { return reopenMenu_; }
    // The cruise pane: the state and speed while cruise is on, nothing while it is off; the
    // cruise item's check follows.
    QLabel* CruisePane() const { return cruisePane_; }
    void ShowCruise(bool on, float charactersPerSecond);
    // Full screen: the frame covers the screen without menu and status bars, and the mouse
    // pointer hides after it has not moved for a while.
    void SetFullScreen(bool on);
    static constexpr int kPointerHideMs = 2000;
    QLabel* IndicatorPane(int index) const { return indicators_[index]; }
    void UpdateIndicators();

    // The colour commands: a colour dialog from the current colour; OK stores the choice.
    void OnBackgroundColor();
    void OnFontColor();

  protected:
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QAction* AddCommand(QMenu* menu, const char* label, int id, const char* prompt);
    void AddAccelerator(int id, const QKeySequence& keys, bool enabled);
    bool ChooseColor(ColorRef& color);
    void OnAction(int id);
    void AddViewMenu();
    void ShowPointer();

    std::function<void(int)> onCommand_;
    std::function<void(const std::string&)> onDrop_;
    std::map<int, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QAction* recentPlaceholder_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    QLabel* prompt_ = nullptr;
    QLabel* encoding_ = nullptr;
    QMenu* reopenMenu_ = nullptr;
    QLabel* indicators_[3] = {};
    QTimer* indicatorTimer_ = nullptr;
    QLabel* cruisePane_ = nullptr;
    QTimer* pointerTimer_ = nullptr;
    bool pointerHidden_ = false;
    Qt::WindowStates stateBeforeFullScreen_;
};

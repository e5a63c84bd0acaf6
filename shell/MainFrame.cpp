#include "shell/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include "scene/Scene.h"
#include "session/RecentFileList.h"
#include "shell/LockKeys.h"
#include "shell/Strings.h"

namespace {

using strings::Tr;

// The status-bar prompt of a command: its string up to the first "\n", in the interface's
// language.
QString Prompt(const char* commandString) {
    const QString text = Tr(commandString);
    return text.left(text.indexOf(u'\n'));
}

QColor ToQColor(ColorRef c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

ColorRef ToColorRef(const QColor& c) {
    return MakeColorRef(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                        static_cast<std::uint8_t>(c.blue()));
}

}  // namespace

CMainFrame::CMainFrame(QWidget* view) {
    setCentralWidget(view);
    setAcceptDrops(true);

    fileMenu_ = menuBar()->addMenu(Tr(strings::kMenuFile));
    AddCommand(fileMenu_, strings::kMenuOpen, command::kOpen, strings::kCmdOpen)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    reopenMenu_ = fileMenu_->addMenu(Tr(strings::kMenuReopenEncoding));
    reopenMenu_->menuAction()->setStatusTip(Prompt(strings::kCmdReopenEncoding));
    reopenMenu_->setEnabled(false);
    for (int i = 0; i < command::kReopenCount; ++i) {
        AddCommand(reopenMenu_, strings::kMenuEncodings[i], command::kReopenAuto + i,
                   strings::kCmdReopenEncoding);
    }
    AddCommand(fileMenu_, strings::kMenuExportVideo, command::kExportVideo,
               strings::kCmdExportVideo);
    fileMenu_->addSeparator();
    recentPlaceholder_ = fileMenu_->addAction(Tr(strings::kMenuRecent));
    recentPlaceholder_->setData(command::kRecentFirst);
    recentPlaceholder_->setEnabled(false);
    recentSeparator_ = fileMenu_->addSeparator();
    AddCommand(fileMenu_, strings::kMenuExit, command::kExit, strings::kCmdExit);

    QMenu* settings = menuBar()->addMenu(Tr(strings::kMenuSettings));
    AddCommand(settings, strings::kMenuBackground, command::kBackgroundColor,
               strings::kCmdBackground);
    AddCommand(settings, strings::kMenuFontColor, command::kFontColor, strings::kCmdFontColor);

    QMenu* help = menuBar()->addMenu(Tr(strings::kMenuHelp));
    AddCommand(help, strings::kMenuContents, command::kHelpContents, strings::kCmdHelpContents);
    AddCommand(help, strings::kMenuAbout, command::kAbout, strings::kCmdAbout);

    // Accelerators without a menu item. Save never writes: the document has nothing to save
    // and must not empty the file it came from. The edit and pane keys have no handler, so,
    // like commands nobody handles, they are disabled and change nothing.
    AddAccelerator(command::kNew, QKeySequence(Qt::CTRL | Qt::Key_N), true);
    AddAccelerator(command::kSave, QKeySequence(Qt::CTRL | Qt::Key_S), true);
    AddAccelerator(command::kUndo, QKeySequence(Qt::CTRL | Qt::Key_Z), false);
    AddAccelerator(command::kCut, QKeySequence(Qt::CTRL | Qt::Key_X), false);
    AddAccelerator(command::kCopy, QKeySequence(Qt::CTRL | Qt::Key_C), false);
    AddAccelerator(command::kPaste, QKeySequence(Qt::CTRL | Qt::Key_V), false);
    AddAccelerator(command::kUndo, QKeySequence(Qt::ALT | Qt::Key_Backspace), false);
    AddAccelerator(command::kCut, QKeySequence(Qt::SHIFT | Qt::Key_Delete), false);
    AddAccelerator(command::kCopy, QKeySequence(Qt::CTRL | Qt::Key_Insert), false);
    AddAccelerator(command::kPaste, QKeySequence(Qt::SHIFT | Qt::Key_Insert), false);
    AddAccelerator(command::kNextPane, QKeySequence(Qt::Key_F6), false);
    AddAccelerator(command::kPrevPane, QKeySequence(Qt::SHIFT | Qt::Key_F6), false);

    // The prompt pane is a normal status-bar widget: a menu prompt (a temporary message) covers
    // it while an item is highlighted, and "レディ" shows again when the prompt goes.
    prompt_ = new QLabel(Tr(strings::kReady));
    statusBar()->addWidget(prompt_, 1);
    // A pane of its own like the lock keys, so that a menu prompt never hides it.
    encoding_ = new QLabel;
    encoding_->setAlignment(Qt::AlignCenter);
    encoding_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("ISO-2022-JP")) + 12);
    statusBar()->addPermanentWidget(encoding_);
    const char* const names[3] = {strings::kIndicatorCaps, strings::kIndicatorNum,
                                  strings::kIndicatorScroll};
    for (int i = 0; i < 3; ++i) {
        indicators_[i] = new QLabel;
        indicators_[i]->setAlignment(Qt::AlignCenter);
        indicators_[i]->setMinimumWidth(
            fontMetrics().horizontalAdvance(QString::fromUtf8(names[i])) + 12);
        statusBar()->addPermanentWidget(indicators_[i]);
    }
    // Lock keys change in other windows too; poll gently and refresh at once on our own keys.
    indicatorTimer_ = new QTimer(this);
    connect(indicatorTimer_, &QTimer::timeout, this, &CMainFrame::UpdateIndicators);
    indicatorTimer_->start(500);
    qApp->installEventFilter(this);
    UpdateIndicators();
    SetRecentFiles({});
    AddViewMenu();
}

void CMainFrame::AddViewMenu() {
    auto* view = new QMenu(Tr(strings::kMenuView), this);
    // Between File and Settings.
    const QList<QAction*> menus = menuBar()->actions();
    const qsizetype file = menus.indexOf(fileMenu_->menuAction());
    menuBar()->insertMenu(file + 1 < menus.size() ? menus[file + 1] : nullptr, view);
    const auto checkable = [](QAction* action) {
        action->setCheckable(true);
        return action;
    };
    checkable(AddCommand(view, strings::kMenuCruise, command::kCruise, strings::kCmdCruise))
        ->setShortcut(QKeySequence(Qt::Key_Space));
    AddCommand(view, strings::kMenuFaster, command::kFaster, strings::kCmdFaster)
        ->setShortcuts(
            {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus)});
    AddCommand(view, strings::kMenuSlower, command::kSlower, strings::kCmdSlower)
        ->setShortcuts(
            {QKeySequence(Qt::Key_Minus), QKeySequence(Qt::KeypadModifier | Qt::Key_Minus)});
    AddCommand(view, strings::kMenuHome, command::kHome, strings::kCmdHome)
        ->setShortcut(QKeySequence(Qt::Key_Home));
    view->addSeparator();
    checkable(
        AddCommand(view, strings::kMenuFullScreen, command::kFullScreen, strings::kCmdFullScreen))
        ->setShortcut(QKeySequence(Qt::Key_F11));
    view->addSeparator();
    checkable(AddCommand(view, strings::kMenuResume, command::kResume, strings::kCmdResume))
        ->setChecked(true);

    // A wheel notch towards the user and away, and a page on or back. The arrows repeat while
    // held, as the wheel keeps turning.
    AddAccelerator(command::kNotchTowards, QKeySequence(Qt::Key_Right), true);
    AddAccelerator(command::kNotchTowards, QKeySequence(Qt::Key_Down), true);
    AddAccelerator(command::kNotchAway, QKeySequence(Qt::Key_Left), true);
    AddAccelerator(command::kNotchAway, QKeySequence(Qt::Key_Up), true);
    AddAccelerator(command::kPageForward, QKeySequence(Qt::Key_PageDown), true);
    AddAccelerator(command::kPageBack, QKeySequence(Qt::Key_PageUp), true);
    // Esc acts only in full screen; elsewhere it changes nothing, as before.
    AddAccelerator(command::kLeaveFullScreen, QKeySequence(Qt::Key_Escape), true);
    Action(command::kLeaveFullScreen)->setEnabled(false);
    // Qt takes the shortcuts of a hidden menu bar's items for gone: in full screen the keys of
    // the menus are reached through the frame itself.
    for (const auto& [id, action] : actions_) {
        if (!action->shortcut().isEmpty() && !actions().contains(action)) {
            addAction(action);
        }
    }

    // Wide enough for the fastest cruise, so that the panes do not move as the speed changes.
    cruisePane_ = new QLabel;
    cruisePane_->setAlignment(Qt::AlignCenter);
    cruisePane_->setMinimumWidth(
        fontMetrics().horizontalAdvance(Tr(strings::kCruisePane).arg(QStringLiteral("15.0"))) + 12);
    statusBar()->addPermanentWidget(cruisePane_);

    pointerTimer_ = new QTimer(this);
    pointerTimer_->setSingleShot(true);
    pointerTimer_->setInterval(kPointerHideMs);
    connect(pointerTimer_, &QTimer::timeout, this, [this] {
        if (isFullScreen() && !pointerHidden_) {
            pointerHidden_ = true;
            QGuiApplication::setOverrideCursor(Qt::BlankCursor);
        }
    });
}

void CMainFrame::ShowCruise(bool on, float charactersPerSecond) {
    cruisePane_->setText(
        on ? Tr(strings::kCruisePane)
                 .arg(QString::number(static_cast<double>(charactersPerSecond), 'f', 1))
           : QString());
    Action(command::kCruise)->setChecked(on);
}

void CMainFrame::SetFullScreen(bool on) {
    if (on == isFullScreen()) {
        Action(command::kFullScreen)->setChecked(on);
        return;
    }
    if (on) {
        stateBeforeFullScreen_ = windowState();
        showFullScreen();
    } else {
        setWindowState(stateBeforeFullScreen_ & ~Qt::WindowFullScreen);
    }
}

void CMainFrame::changeEvent(QEvent* event) {
    // Whoever changed it (our command, or the window manager's own key), the bars, the check
    // and the pointer follow the window's state.
    if (event->type() == QEvent::WindowStateChange && pointerTimer_ != nullptr) {
        const bool full = isFullScreen();
        menuBar()->setVisible(!full);
        statusBar()->setVisible(!full);
        Action(command::kFullScreen)->setChecked(full);
        Action(command::kLeaveFullScreen)->setEnabled(full);
        ShowPointer();
    }
    QMainWindow::changeEvent(event);
}

void CMainFrame::ShowPointer() {
    if (pointerHidden_) {
        pointerHidden_ = false;
        QGuiApplication::restoreOverrideCursor();
    }
    if (isFullScreen()) {
        pointerTimer_->start();
    } else {
        pointerTimer_->stop();
    }
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
    if (pointerHidden_) {
        QGuiApplication::restoreOverrideCursor();
    }
}

QAction* CMainFrame::AddCommand(QMenu* menu, const char* label, int id, const char* prompt) {
    QAction* action = menu->addAction(Tr(label));
    action->setData(id);
    if (prompt != nullptr) {
        action->setStatusTip(Prompt(prompt));
    }
    connect(action, &QAction::triggered, this, [this, id] { OnAction(id); });
    actions_.emplace(id, action);
    return action;
}

void CMainFrame::OnAction(int id) {
    switch (id) {
        case command::kBackgroundColor:
            OnBackgroundColor();
            break;
        case command::kFontColor:
            OnFontColor();
            break;
        case command::kFullScreen:
            SetFullScreen(!isFullScreen());
            break;
        case command::kLeaveFullScreen:
            SetFullScreen(false);
            break;
        default:
            if (onCommand_) {
                onCommand_(id);
            }
            break;
    }
}

void CMainFrame::AddAccelerator(int id, const QKeySequence& keys, bool enabled) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setData(id);
    action->setEnabled(enabled);
    addAction(action);
    if (enabled) {
        connect(action, &QAction::triggered, this, [this, id] { OnAction(id); });
    }
    actions_.emplace(id, action);
}

QAction* CMainFrame::Action(int id) const {
    const auto it = actions_.find(id);
    return it != actions_.end() ? it->second : nullptr;
}

QAction* CMainFrame::RecentAction(int index) const {
    return index >= 0 && index < static_cast<int>(recentActions_.size()) ? recentActions_[index]
                                                                         : nullptr;
}

void CMainFrame::SetRecentFiles(const std::vector<std::string>& paths) {
    for (QAction* action : recentActions_) {
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();
    recentPlaceholder_->setVisible(paths.empty());
    for (std::size_t i = 0; i < paths.size() && i < RecentFileList::kSize; ++i) {
        const QString label = QStringLiteral("&%1 %2").arg(i + 1).arg(
            QString::fromStdString(RecentFileList::Abbreviate(paths[i]))
                .replace(u'&', QStringLiteral("&&")));
        auto* action = new QAction(label, fileMenu_);
        const int id = command::kRecentFirst + static_cast<int>(i);
        action->setData(id);
        action->setStatusTip(Tr(strings::kCmdRecentFile));
        action->setToolTip(QFile::decodeName(QByteArray::fromStdString(paths[i])));
        connect(action, &QAction::triggered, this, [this, id] {
            if (onCommand_) {
                onCommand_(id);
            }
        });
        fileMenu_->insertAction(recentSeparator_, action);
        recentActions_.push_back(action);
    }
}

void CMainFrame::SetDocumentEncoding(const std::string& name, bool reopenable) {
    encoding_->setText(QString::fromStdString(name));
    reopenMenu_->setEnabled(reopenable);
}

void CMainFrame::UpdateIndicators() {
    const LockKeys keys = QueryLockKeys();
    indicators_[0]->setText(keys.caps ? QString::fromUtf8(strings::kIndicatorCaps) : QString());
    indicators_[1]->setText(keys.num ? QString::fromUtf8(strings::kIndicatorNum) : QString());
    indicators_[2]->setText(keys.scroll ? QString::fromUtf8(strings::kIndicatorScroll) : QString());
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && pointerTimer_ != nullptr && isFullScreen()) {
        ShowPointer();
    } else if (event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock) {
            UpdateIndicators();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::ChooseColor(ColorRef& color) {
    // Qt's own dialog: the platform's may lack the custom colours, which both commands share.
    QColorDialog dialog(ToQColor(color), this);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    color = ToColorRef(dialog.selectedColor());
    return true;
}

void CMainFrame::OnBackgroundColor() {
    if (g_scene != nullptr) {
        ChooseColor(g_scene->backgroundColor);
    }
}

void CMainFrame::OnFontColor() {
    if (g_scene != nullptr && ChooseColor(g_scene->fontColor)) {
        // The brush is made anew so that the pages drawn from now on use the new colour.
        g_scene->CreateTextResources();
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    for (const QUrl& url : urls) {
        if (url.isLocalFile() && onDrop_) {
            onDrop_(QFile::encodeName(url.toLocalFile()).toStdString());
        }
    }
}

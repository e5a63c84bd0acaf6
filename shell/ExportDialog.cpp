#include "shell/ExportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <algorithm>

#include "scene/Scene.h"
#include "session/VideoFormat.h"
#include "shell/Messages.h"
#include "shell/Strings.h"

namespace {

constexpr int kMinWidth = 160;
constexpr int kMaxSide = 3840;
constexpr int kMinHeight = 90;
constexpr int kFrameRates[] = {24, 25, 30, 50, 60};
const QSize kPresets[] = {{640, 360}, {1280, 720}, {1920, 1080}, {3840, 2160}};

int EvenWithin(int value, int low, int high) {
    return std::clamp(value - value % 2, low, high);
}

bool IsGif(const QString& path) {
    VideoFormat format;
    return VideoFormatOf(QFile::encodeName(path.trimmed()).toStdString(), &format) &&
           format == VideoFormat::Gif;
}

bool CanWriteIn(const QString& folder) {
    const QFileInfo info(folder);
    return !folder.isEmpty() && info.isDir() && info.isWritable();
}

}  // namespace

QString CExportDialog::FirstPath(const QString& document) {
    const QFileInfo text(document);
    QString folder = document.isEmpty() ? QString() : text.absolutePath();
    if (!CanWriteIn(folder)) {
        folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        if (!CanWriteIn(folder)) {
            folder = QDir::homePath();
        }
    }
    const QString stem =
        document.isEmpty() ? strings::Tr(strings::kUntitled) : text.completeBaseName();
    return QDir(folder).filePath(stem + QStringLiteral(".mp4"));
}

QSize CExportDialog::VideoSizeOf(QSize windowSize) {
    return {EvenWithin(windowSize.width(), kMinWidth, kMaxSide),
            EvenWithin(windowSize.height(), kMinHeight, kMaxSide)};
}

CExportDialog::CExportDialog(QWidget* parent, QSize windowSize, const VideoExportChoice& initial,
                             std::function<double(double cruise)> secondsFor)
    : QDialog(parent), secondsFor_(std::move(secondsFor)) {
    setWindowTitle(strings::Tr(strings::kExportTitle));
    auto* form = new QFormLayout(this);

    path_ = new QLineEdit(initial.path);
    // Room for a folder and a name without scrolling.
    path_->setMinimumWidth(path_->fontMetrics().averageCharWidth() * 48);
    browse_ = new QPushButton(strings::Tr(strings::kExportBrowse));
    auto* file = new QHBoxLayout;
    file->addWidget(path_, 1);
    file->addWidget(browse_);
    form->addRow(strings::Tr(strings::kExportFile), file);

    size_ = new QComboBox;
    const QSize own = VideoSizeOf(windowSize);
    size_->addItem(strings::Tr(strings::kExportWindowSize).arg(own.width()).arg(own.height()), own);
    for (const QSize& preset : kPresets) {
        size_->addItem(QStringLiteral("%1 x %2").arg(preset.width()).arg(preset.height()), preset);
    }
    // A preset of the size asked for, else the window's own.
    int chosen = 0;
    for (int i = 1; i < size_->count(); ++i) {
        if (size_->itemData(i).toSize() == QSize(initial.width, initial.height)) {
            chosen = i;
        }
    }
    size_->setCurrentIndex(chosen);
    form->addRow(strings::Tr(strings::kExportSize), size_);

    cruise_ = new QDoubleSpinBox;
    cruise_->setRange(kSlowestCruise, kFastestCruise);
    cruise_->setDecimals(1);
    cruise_->setSingleStep(0.5);
    cruise_->setSuffix(strings::Tr(strings::kExportCruiseSuffix));
    cruise_->setValue(initial.cruise);

    seconds_ = new QDoubleSpinBox;
    seconds_->setRange(0.1, 86400.0);
    seconds_->setDecimals(1);
    seconds_->setSuffix(strings::Tr(strings::kExportSecondsSuffix));
    seconds_->setValue(initial.seconds);
    form->addRow(strings::Tr(strings::kExportSeconds), seconds_);

    fps_ = new QComboBox;
    for (int rate : kFrameRates) {
        fps_->addItem(QString::number(rate) + QString::fromUtf8(strings::kExportFpsSuffix), rate);
    }
    fps_->setCurrentIndex(std::max(fps_->findData(initial.fps), 0));
    form->addRow(strings::Tr(strings::kExportFps), fps_);
    form->addRow(strings::Tr(strings::kExportCruise), cruise_);
    drums_ = new QCheckBox(strings::Tr(strings::kExportDrums));
    drums_->setChecked(initial.drums);
    // A GIF has no sound.
    drums_->setEnabled(!IsGif(initial.path));
    connect(path_, &QLineEdit::textChanged, drums_,
            [this](const QString& text) { drums_->setEnabled(!IsGif(text)); });
    form->addRow(drums_);

    // The length follows the speed (the time to the end of the text) until the user sets it.
    connect(seconds_, &QDoubleSpinBox::editingFinished, this, [this] { secondsTouched_ = true; });
    connect(cruise_, &QDoubleSpinBox::valueChanged, this, [this](double cruise) {
        if (!secondsTouched_ && secondsFor_) {
            seconds_->setValue(secondsFor_(cruise));
        }
    });
    connect(browse_, &QPushButton::clicked, this, &CExportDialog::Browse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(strings::Tr(strings::kExportCancel));
    ok_->setEnabled(!initial.path.isEmpty());
    connect(path_, &QLineEdit::textChanged, this,
            [this](const QString& text) { ok_->setEnabled(!text.trimmed().isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &CExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

VideoExportChoice CExportDialog::Choice() const {
    VideoExportChoice choice;
    choice.path = path_->text().trimmed();
    const QSize size = size_->currentData().toSize();
    choice.width = size.width();
    choice.height = size.height();
    choice.seconds = seconds_->value();
    choice.fps = fps_->currentData().toInt();
    choice.cruise = cruise_->value();
    choice.drums = drums_->isEnabled() && drums_->isChecked();
    return choice;
}

void CExportDialog::Browse() {
    QFileDialog dialog(this, strings::Tr(strings::kExportTitle),
                       QFileInfo(path_->text()).absolutePath());
    // Qt's own dialog, as for opening: it speaks the interface's language with Qt's translations.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(strings::Tr(strings::kExportFilters).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(QStringLiteral("mp4"));
    if (!path_->text().isEmpty()) {
        dialog.selectFile(path_->text());
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        path_->setText(dialog.selectedFiles().front());
        // The save dialog has asked about replacing an existing file already.
        path_->setProperty("confirmed", path_->text());
    }
}

void CExportDialog::accept() {
    QString path = path_->text().trimmed();
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".mp4");
        path_->setText(path);
    }
    VideoFormat format;
    if (!VideoFormatOf(QFile::encodeName(path).toStdString(), &format)) {
        ShowMessage(this, strings::Tr(strings::kExportBadName));
        return;
    }
    if (QFileInfo::exists(path) && path_->property("confirmed").toString() != path &&
        QMessageBox::question(this, strings::Tr(strings::kExportTitle),
                              strings::Tr(strings::kExportReplace).arg(path)) != QMessageBox::Yes) {
        return;
    }
    QDialog::accept();
}

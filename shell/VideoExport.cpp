#include "shell/VideoExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "shell/Strings.h"

namespace {

// The program itself, found through the kernel rather than argv[0], which may be a bare name.
QString& Program() {
    static QString program = QStringLiteral("/proc/self/exe");
    return program;
}

// A child that does not end within this after SIGTERM is killed (its unnamed file goes with it).
constexpr int kKillAfterMs = 5000;

// The child's details ("126/300 frames  2.1x real time  3 s left") in the window's language.
QString Details(const QByteArray& line) {
    static const QRegularExpression pattern(
        QStringLiteral(R"((\d+)/(\d+) frames(?:\s+([\d.]+)x real time\s+(\d+) s left)?)"));
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(line));
    if (!match.hasMatch()) {
        return {};
    }
    QString text = strings::Tr(strings::kExportFrames).arg(match.captured(1), match.captured(2));
    if (match.hasCaptured(3)) {
        text += strings::Tr(strings::kExportSpeed).arg(match.captured(3), match.captured(4));
    }
    return text;
}

}  // namespace

void VideoExport::SetProgramForTesting(const QString& program) {
    Program() = program.isEmpty() ? QStringLiteral("/proc/self/exe") : program;
}

VideoExport::VideoExport(QWidget* window) : window_(window) {}

VideoExport::~VideoExport() {
    if (process_ != nullptr && process_->state() != QProcess::NotRunning) {
        // Not a cancel the user asked for, but the same: the child stops and removes its file.
        process_->disconnect(this);
        process_->terminate();
        if (!process_->waitForFinished(kKillAfterMs)) {
            process_->kill();
            process_->waitForFinished(kKillAfterMs);
        }
    }
    delete progress_;
}

QStringList VideoExport::Arguments(const VideoExportChoice& choice, const FlightSnapshot& flight,
                                   const QString& textFile) {
    const auto colour = [](ColorRef c) {
        return QStringLiteral("#%1%2%3")
            .arg(RedOf(c), 2, 16, QLatin1Char('0'))
            .arg(GreenOf(c), 2, 16, QLatin1Char('0'))
            .arg(BlueOf(c), 2, 16, QLatin1Char('0'));
    };
    QStringList arguments = {QStringLiteral("--record=") + choice.path,
                             QStringLiteral("--size=%1x%2").arg(choice.width).arg(choice.height),
                             QStringLiteral("--seconds=%1").arg(choice.seconds, 0, 'f', 3),
                             QStringLiteral("--fps=%1").arg(choice.fps),
                             QStringLiteral("--from=%1").arg(flight.from),
                             QStringLiteral("--cruise=%1").arg(choice.cruise, 0, 'f', 1),
                             QStringLiteral("--seed=%1").arg(flight.seed),
                             QStringLiteral("--background=") + colour(flight.background),
                             QStringLiteral("--foreground=") + colour(flight.foreground),
                             QStringLiteral("--encoding=") +
                                 (flight.file.empty() ? QStringLiteral("utf-8")
                                                      : QString::fromStdString(flight.encoding)),
                             QStringLiteral("--progress-lines")};
    if (choice.drums) {
        arguments.append(QStringLiteral("--drums"));
    }
    arguments << QStringLiteral("--") << textFile;
    return arguments;
}

bool VideoExport::Running() const {
    return process_ != nullptr && process_->state() != QProcess::NotRunning;
}

bool VideoExport::Start(const VideoExportChoice& choice, const FlightSnapshot& flight) {
    if (Running()) {
        return false;
    }
    cancelled_ = false;
    pending_.clear();
    path_ = choice.path;
    QString textFile = QFile::decodeName(QByteArray::fromStdString(flight.file));
    textFile_.reset();
    if (flight.file.empty()) {
        // A text with no file of its own (after 新規) goes to a file only this user can read,
        // removed once the recording has ended.
        textFile_ = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                     QStringLiteral("/selvane-text-XXXXXX.txt"));
        const QByteArray utf8 = QString::fromStdU16String(flight.text).toUtf8();
        if (!textFile_->open() || textFile_->write(utf8) != utf8.size() || !textFile_->flush()) {
            emit Finished(false, strings::Tr(strings::kExportFailed) + QStringLiteral("\n") +
                                     textFile_->errorString());
            textFile_.reset();
            return false;
        }
        textFile = textFile_->fileName();
    }
    arguments_ = Arguments(choice, flight, textFile);

    delete process_;
    process_ = new QProcess(this);
    process_->setProgram(Program());
    process_->setArguments(arguments_);
    // Progress comes on standard output; standard error keeps the message of a failure.
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    connect(process_, &QProcess::readyReadStandardOutput, this, &VideoExport::ReadProgress);
    connect(process_, &QProcess::finished, this, &VideoExport::OnFinished);

    if (progress_ == nullptr) {
        progress_ = new QProgressDialog(window_);
        progress_->setWindowTitle(strings::Tr(strings::kExportTitle));
        progress_->setCancelButtonText(strings::Tr(strings::kExportCancel));
        progress_->setRange(0, 100);
        progress_->setMinimumDuration(0);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        // Modal to the main window only: its menus wait, the flight in it goes on.
        progress_->setWindowModality(Qt::WindowModal);
        connect(progress_, &QProgressDialog::canceled, this, &VideoExport::Cancel);
    }
    label_ = strings::Tr(strings::kExportProgress) + QStringLiteral("\n") +
             QFileInfo(choice.path).fileName();
    progress_->setLabelText(label_);
    progress_->setValue(0);
    progress_->open();

    process_->start();
    if (!process_->waitForStarted()) {
        progress_->hide();
        emit Finished(false, strings::Tr(strings::kExportFailed) + QStringLiteral("\n") +
                                 process_->errorString());
        return false;
    }
    return true;
}

void VideoExport::ReadProgress() {
    pending_ += process_->readAllStandardOutput();
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
        const QByteArray line = pending_.left(end).trimmed();
        pending_.remove(0, end + 1);
        if (progress_ == nullptr) {
            continue;
        }
        if (line.startsWith("# ")) {
            progress_->setLabelText(label_ + QStringLiteral("\n") + Details(line.mid(2)));
            continue;
        }
        bool number = false;
        const int percent = line.toInt(&number);
        if (number && !cancelled_) {
            progress_->setValue(std::clamp(percent, 0, 99));
        }
    }
}

void VideoExport::Cancel() {
    if (!Running() || cancelled_) {
        return;
    }
    cancelled_ = true;
    // SIGTERM: the child stops between two frames and removes what it had written.
    process_->terminate();
    if (killTimer_ == nullptr) {
        killTimer_ = new QTimer(this);
        killTimer_->setSingleShot(true);
        connect(killTimer_, &QTimer::timeout, this, [this] {
            if (Running()) {
                process_->kill();
            }
        });
    }
    killTimer_->start(kKillAfterMs);
}

void VideoExport::OnFinished(int exitCode, QProcess::ExitStatus status) {
    if (killTimer_ != nullptr) {
        killTimer_->stop();
    }
    ReadProgress();
    textFile_.reset();
    if (progress_ != nullptr) {
        progress_->hide();
    }
    const bool written = !cancelled_ && status == QProcess::NormalExit && exitCode == 0;
    QString message;
    if (written) {
        message = strings::Tr(strings::kExportDone).arg(path_);
    } else if (!cancelled_) {
        // The child's own words: its last line on standard error, without the program's name.
        QString detail = QString::fromUtf8(process_->readAllStandardError()).trimmed();
        detail = detail.mid(detail.lastIndexOf(u'\n') + 1);
        if (detail.startsWith(QStringLiteral("selvane: "))) {
            detail = detail.mid(9);
        }
        message = strings::Tr(strings::kExportFailed);
        if (!detail.isEmpty()) {
            message += QStringLiteral("\n") + detail;
        }
    }
    emit Finished(written, message);
}

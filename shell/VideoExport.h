#pragma once

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QProgressDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Color.h"
#include "shell/ExportDialog.h"

class QTemporaryFile;
class QTimer;
class QWidget;

// The flight on screen as it stands, for a recording of it.
struct FlightSnapshot {
    std::string file;       // the text's file; empty: the text goes to a private file of its own
    std::string encoding;   // how the file was read, as --encoding names it
    std::u16string text;    // the text, for the private file
    std::int64_t from = 0;  // the character under the camera
    unsigned seed = 0;      // the path's
    ColorRef background = 0xFFFFFF;
    ColorRef foreground = 0;
};

// A recording of the flight on screen, made by the program itself run as a child with --record
// while the window goes on flying. Its progress shows in a dialog whose cancel stops the child
// (which then removes its unfinished file).
class VideoExport : public QObject {
    Q_OBJECT

  public:
    explicit VideoExport(QWidget* window);
    // A child still running is stopped first.
    ~VideoExport() override;

    // Starts the child; false when it cannot be started (the message is shown).
    bool Start(const VideoExportChoice& choice, const FlightSnapshot& flight);
    bool Running() const;
    void Cancel();

    QProgressDialog* progress() const { return progress_; }
    const QStringList& arguments() const { return arguments_; }

    // The child's arguments, the text read from textFile.
    static QStringList Arguments(const VideoExportChoice& choice, const FlightSnapshot& flight,
                                 const QString& textFile);
    // The program to run instead of this one (tests run the real program from a test binary).
    static void SetProgramForTesting(const QString& program);

  signals:
    // The child has ended: written is true when the video is complete; message says what
    // happened (empty after a cancel).
    void Finished(bool written, const QString& message);

  private:
    void ReadProgress();
    void OnFinished(int exitCode, QProcess::ExitStatus status);

    QWidget* window_;
    QProcess* process_ = nullptr;
    // Owned by the window, which may go first.
    QPointer<QProgressDialog> progress_;
    QTimer* killTimer_ = nullptr;
    std::unique_ptr<QTemporaryFile> textFile_;
    QStringList arguments_;
    QString path_;
    QString label_;
    QByteArray pending_;
    bool cancelled_ = false;
};

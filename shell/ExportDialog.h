#pragma once

#include <QDialog>
#include <QSize>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;

// What the export dialog asks for.
struct VideoExportChoice {
    QString path;
    int width = 1280;
    int height = 720;
    double seconds = 10.0;
    int fps = 30;
    double cruise = 4.0;  // characters a second
    bool drums = false;   // the drums on the sound track
};

// ファイル → 動画として書き出し: the file (typed, or chosen in the save dialog), the picture's
// size (presets and the window's own), the length, the frame rate, the cruise speed and whether
// the drums go on the sound track (not for a GIF, which has none). The length follows the cruise
// speed until the user sets it: by default the video lasts until the camera reaches the end of
// the text.
class CExportDialog : public QDialog {
    Q_OBJECT

  public:
    // windowSize: the view's size in pixels. secondsFor: the default length for a cruise speed.
    CExportDialog(QWidget* parent, QSize windowSize, const VideoExportChoice& initial,
                  std::function<double(double cruise)> secondsFor);

    VideoExportChoice Choice() const;

    QLineEdit* pathEdit() const { return path_; }
    QComboBox* sizeBox() const { return size_; }
    QDoubleSpinBox* secondsBox() const { return seconds_; }
    QComboBox* fpsBox() const { return fps_; }
    QDoubleSpinBox* cruiseBox() const { return cruise_; }
    QCheckBox* drumsBox() const { return drums_; }
    QPushButton* browseButton() const { return browse_; }

    // The size the window offers: its own, made even and brought within what videos allow.
    static QSize VideoSizeOf(QSize windowSize);
    // The file first offered for the text at `document` (empty for a text without a file): its
    // name as an MP4 beside it where that folder can be written (an installed sample's cannot),
    // else in the user's videos folder, else in the home folder.
    static QString FirstPath(const QString& document);

  public slots:
    void accept() override;

  private:
    void Browse();

    QLineEdit* path_ = nullptr;
    QPushButton* browse_ = nullptr;
    QComboBox* size_ = nullptr;
    QDoubleSpinBox* seconds_ = nullptr;
    QComboBox* fps_ = nullptr;
    QDoubleSpinBox* cruise_ = nullptr;
    QCheckBox* drums_ = nullptr;
    QPushButton* ok_ = nullptr;
    std::function<double(double)> secondsFor_;
    bool secondsTouched_ = false;
};

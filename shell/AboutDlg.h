#pragma once

#include <QDialog>

// The About box: the program's icon, name and version, and the maker's lines; it only closes.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

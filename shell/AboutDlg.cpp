#include "shell/AboutDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFont>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "shell/Strings.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(strings::Tr(strings::kAboutCaption));
    setModal(true);
    // "MS UI Gothic" where it exists, the IPAex Gothic that stands in for it here.
    QFont font;
    font.setFamilies({QStringLiteral("MS UI Gothic"), QStringLiteral("IPAexGothic"),
                      QStringLiteral("IPAゴシック")});  // not translated: a font's name
    font.setPointSize(9);
    setFont(font);

    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel;
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    layout->addWidget(icon, 0, 0, 4, 1);

    auto* version = new QLabel(QString::fromUtf8(strings::kAboutVersion));
    version->setTextFormat(Qt::PlainText);  // no prefix or markup processing
    layout->addWidget(version, 0, 1);
    layout->addWidget(new QLabel(QString::fromUtf8(strings::kAboutRights)), 1, 1);
    layout->addWidget(new QLabel(QString::fromUtf8(strings::kAboutWeb)), 2, 1);
    layout->addWidget(new QLabel(QString::fromUtf8(strings::kAboutContact)), 3, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons, 4, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

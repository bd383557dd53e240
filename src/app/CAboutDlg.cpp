#include "app/CAboutDlg.h"

#include "res/Resources.h"
#include "res/Version.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("About Korvex"));
    auto *icon = new QLabel(this);
    icon->setPixmap(res::icon(res::IDR_MAINFRAME).pixmap(48, 48));
    auto *text = new QLabel(QStringLiteral("Korvex console, Version " KORVEX_VERSION "\n"
                                           "Control console for Korvex 9x9 HDMI matrix switchers"),
                            this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

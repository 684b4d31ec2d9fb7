#include "aboutdlg.h"

#include "icons.h"
#include "zeqversion.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent, const QString& details) : QDialog(parent) {
    setWindowTitle(tr("About ZEQ Editor"));
    auto* icon = new QLabel;
    // Drawn for the screen's pixel density, so that it is sharp at 200 % too.
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap = Icons::ApplicationPixmap(int(48 * ratio));
    pixmap.setDevicePixelRatio(ratio);
    icon->setPixmap(pixmap);
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(tr("ZEQ Editor - version %1\n"
                               "An editor for the AI plan files of real-time strategy games.\n"
                               "Written by the ZEQ Editor team.\n"
                               "Plan files, matches and plans - all in one place.")
                                .arg(QStringLiteral(ZEQ_VERSION)) +
                            (details.isEmpty() ? QString() : "\n\n" + details));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

#include "helpwindow.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

CHelpWindow::CHelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this)) {
    setWindowTitle(tr("ZEQ Editor User Guide"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    m_browser->setObjectName("guide");
    m_browser->setAccessibleName(tr("User guide"));
    m_browser->setOpenExternalLinks(true);
    const QString path = GuidePath();
    if (QFile file(path); !path.isEmpty() && file.open(QIODevice::ReadOnly)) {
        // The pictures are found beside the guide, as its links name them.
        m_browser->setSearchPaths({QFileInfo(path).absolutePath()});
        m_browser->setMarkdown(QString::fromUtf8(file.readAll()));
    } else {
        m_browser->setPlainText(
            tr("The user guide (user-guide.md) was not found beside the program or in its "
               "installed data. Reinstalling ZEQ Editor puts it back."));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);
    resize(760, 640);
}

QString CHelpWindow::GuidePath() {
    const QDir program(QCoreApplication::applicationDirPath());
    for (const QString& folder : {program.filePath(QStringLiteral("docs")),
                                  program.filePath(QStringLiteral("../share/zeq-editor/docs")),
                                  QStringLiteral(ZEQ_DOCS_DIR)}) {
        const QString path = QDir(folder).filePath(QStringLiteral("user-guide.md"));
        if (QFileInfo::exists(path)) return QDir::cleanPath(path);
    }
    return {};
}

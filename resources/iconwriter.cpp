// zeq-icons: writes the program icon as PNG files for the desktop's icon
// theme, one per size, into the folder given (DIR/NxN/apps/zeq-editor.png).

#include "icons.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("Usage: zeq-icons DIR\n", stderr);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!root.mkpath(folder) ||
            !Icons::ApplicationPixmap(size).save(root.filePath(folder + "/zeq-editor.png"))) {
            std::fprintf(stderr, "zeq-icons: cannot write %s\n", qPrintable(root.filePath(folder)));
            return 1;
        }
    }
    return 0;
}

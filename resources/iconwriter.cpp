// zeq-icons: writes the program icon drawn in code as files:
//   zeq-icons DIR        PNG files for the desktop's icon theme, one per size
//                        (DIR/NxN/apps/zeq-editor.png)
//   zeq-icons --ico FILE one Windows icon file holding every size, for the
//                        programs' resources and the installer

#include "icons.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

// An .ico file: a directory of the images, each stored as a PNG (which every
// Windows since Vista reads).
QByteArray IcoFile() {
    QList<QByteArray> images;
    for (int size : kSizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        Icons::ApplicationPixmap(size).save(&buffer, "PNG");
        images.append(png);
    }
    QByteArray out;
    auto put16 = [&out](quint16 v) { out.append(char(v & 0xff)).append(char(v >> 8)); };
    auto put32 = [&](quint32 v) {
        put16(quint16(v & 0xffff));
        put16(quint16(v >> 16));
    };
    put16(0); // reserved
    put16(1); // an icon
    put16(quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = kSizes[i];
        out.append(char(size >= 256 ? 0 : size)).append(char(size >= 256 ? 0 : size));
        out.append(char(0)).append(char(0)); // no palette, reserved
        put16(1);                            // planes
        put16(32);                           // bits per pixel
        put32(quint32(images[i].size()));
        put32(offset);
        offset += quint32(images[i].size());
    }
    for (const QByteArray& image : images)
        out.append(image);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv); // takes Qt's own options (-platform)
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 2 && args[0] == "--ico") {
        QFile file(args[1]);
        if (file.open(QIODevice::WriteOnly) && file.write(IcoFile()) > 0 && file.flush()) return 0;
        std::fprintf(stderr, "zeq-icons: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    if (args.size() != 1) {
        std::fputs("Usage: zeq-icons DIR | zeq-icons --ico FILE\n", stderr);
        return 2;
    }
    const QDir root(args[0]);
    for (int size : kSizes) {
        if (size == 24) continue; // not a size of the desktop's theme folders
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!root.mkpath(folder) ||
            !Icons::ApplicationPixmap(size).save(root.filePath(folder + "/zeq-editor.png"))) {
            std::fprintf(stderr, "zeq-icons: cannot write %s\n", qPrintable(root.filePath(folder)));
            return 1;
        }
    }
    return 0;
}

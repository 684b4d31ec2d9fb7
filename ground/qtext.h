#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

// Plan files and definition files are 8-bit text with no encoding: each byte
// is shown as the character of the same number (Latin-1), which turns back
// into the same byte. Characters beyond Latin-1 typed by the user become '?'.
inline QString ToQt(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// "Line 7: message", or the message alone where it is about the whole file
// (line 0: it cannot be read, it is empty).
inline QString LineMessage(int line, const QString& message) {
    return line > 0
               ? QCoreApplication::translate("LineMessage", "Line %1: %2").arg(line).arg(message)
               : message;
}

inline std::string FromQt(const QString& text) {
    return text.toLatin1().toStdString();
}

// A file name for the core, which takes names as UTF-8 on every system.
inline std::string CorePath(const QString& path) {
    return path.toStdString();
}

// Where the first character stands that has no byte in a plan file (beyond
// Latin-1: a pasted curly quote, a euro sign); -1 when every one has.
inline qsizetype FirstNonLatin1(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].unicode() > 0xFF) return i;
    return -1;
}

// A colour value 0x00BBGGRR (of the definition and settings files) as a Qt
// colour and back; the top byte is ignored.
inline QColor ColorFromRef(std::uint32_t color) {
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

inline std::uint32_t RefFromColor(const QColor& c) {
    return std::uint32_t(c.red()) | std::uint32_t(c.green()) << 8 | std::uint32_t(c.blue()) << 16;
}

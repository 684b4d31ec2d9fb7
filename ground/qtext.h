#pragma once

#include "codepage.h"

#include <QColor>
#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

// Plan files and definition files are 8-bit text with no encoding: each byte
// is shown as its character on Windows (Windows-1252), which turns back into
// the same byte. Characters that no byte stands for become '?': callers that
// take text from the user ask FirstWithoutByte first.
inline QString ToQt(std::string_view bytes) {
    const auto high = [](char c) { return (static_cast<unsigned char>(c) & 0xE0) == 0x80; };
    if (std::none_of(bytes.begin(), bytes.end(), high))
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes)
        *out++ = QChar(CharOfByte(static_cast<unsigned char>(byte)));
    return text;
}

// "Line 7: message", or the message alone where it is about the whole file
// (line 0: it cannot be read, it is empty).
inline QString LineMessage(int line, const QString& message) {
    return line > 0
               ? QCoreApplication::translate("LineMessage", "Line %1: %2").arg(line).arg(message)
               : message;
}

inline std::string FromQt(const QString& text) {
    std::string bytes(static_cast<std::size_t>(text.size()), '\0');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int byte = ByteOfChar(text[i].unicode());
        bytes[std::size_t(i)] = byte < 0 ? '?' : char(byte);
    }
    return bytes;
}

// A file name for the core, which takes names as UTF-8 on every system.
inline std::string CorePath(const QString& path) {
    return path.toStdString();
}

// Where the first character stands that has no byte in a plan file (a pasted
// emoji, a letter of another alphabet); -1 when every one has.
inline qsizetype FirstWithoutByte(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (ByteOfChar(text[i].unicode()) < 0) return i;
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

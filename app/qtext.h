#pragma once

#include <QString>
#include <string>
#include <string_view>

// Plan files and definition files are 8-bit text with no encoding: each byte
// is shown as the character of the same number (Latin-1), which turns back
// into the same byte. Characters beyond Latin-1 typed by the user become '?'.
inline QString ToQt(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string FromQt(const QString& text) {
    return text.toLatin1().toStdString();
}

#include "recoveryfile.h"

#include "filebuffer.h"
#include "filesave.h"
#include "qtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {

constexpr std::string_view kMagic = "// ZEQ Editor recovery file ";
constexpr std::string_view kEnd = "// ---\n";

// One "// name: value" line of the record.
std::string Field(std::string_view name, const QString& value) {
    return "// " + std::string(name) + ": " + value.toStdString() + "\n";
}

} // namespace

void CRecoveryFile::UseStandardFolder() {
    SetRecoveryFolder(PathFromUtf8(
        CorePath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/recovery")));
}

QString CRecoveryFile::Folder() {
    const QString folder = QString::fromStdString(Utf8FromPath(RecoveryFolder()));
    if (!QDir().mkpath(folder)) return {};
    // Unsaved work is the user's alone.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

QStringList CRecoveryFile::All() {
    const QString folder = Folder();
    if (folder.isEmpty()) return {};
    QStringList files;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QStringLiteral("*") + kSuffix}, QDir::Files, QDir::Time | QDir::Reversed))
        files << dir.filePath(name);
    return files;
}

QString CRecoveryFile::DocumentName() const {
    return path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(path).fileName();
}

bool CRecoveryFile::Write(const QString& file, QString* error) const {
    std::string bytes = std::string(kMagic) + std::to_string(kVersion) + "\n";
    bytes += Field("path", QString::fromLatin1(QUrl::toPercentEncoding(path)));
    bytes += Field("written", written.toUTC().toString(Qt::ISODateWithMs));
    bytes += Field("size", QString::number(size));
    bytes +=
        Field("modified", modified.isValid() ? QString::number(modified.toMSecsSinceEpoch()) : "");
    bytes += Field("length", QString::number(qulonglong(text.size())));
    bytes += kEnd;
    bytes += text;
    std::string why;
    if (!SaveFileSafely(CorePath(file), bytes, why)) {
        if (error) *error = QString::fromStdString(why);
        return false;
    }
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

bool CRecoveryFile::Read(const QString& file, QString& problem) {
    CFileBuffer buffer;
    if (!buffer.LoadFile(CorePath(file))) {
        problem = buffer.LastError() == "the file is empty"
                      ? QObject::tr("it is empty")
                      : QString::fromStdString(buffer.LastError());
        return false;
    }
    const std::string_view bytes = buffer.View();
    problem = QObject::tr("it is not a recovery file of ZEQ Editor, or it is damaged");
    if (!bytes.starts_with(kMagic)) return false;
    const std::size_t end = bytes.find(kEnd);
    if (end == std::string_view::npos) return false;
    QStringList fields;
    for (const QString& line :
         QString::fromStdString(std::string(bytes.substr(0, end))).split('\n', Qt::SkipEmptyParts))
        fields << line.mid(line.indexOf(':') + 2);
    if (fields.size() != 6) return false;
    bool ok = false;
    const std::string first(bytes.substr(kMagic.size(), bytes.find('\n') - kMagic.size()));
    const int version = QString::fromStdString(first).toInt(&ok);
    if (!ok) return false;
    if (version > kVersion) {
        problem = QObject::tr("it was written by a newer version of ZEQ Editor");
        return false;
    }
    path = QUrl::fromPercentEncoding(fields[1].toLatin1());
    written = QDateTime::fromString(fields[2], Qt::ISODateWithMs);
    size = fields[3].toLongLong();
    modified =
        fields[4].isEmpty() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(fields[4].toLongLong());
    const qulonglong length = fields[5].toULongLong(&ok);
    text = std::string(bytes.substr(end + kEnd.size()));
    if (!ok || !written.isValid() || text.size() != length) {
        problem = QObject::tr("it is cut off");
        return false;
    }
    problem.clear();
    return true;
}

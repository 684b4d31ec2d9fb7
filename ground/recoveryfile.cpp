#include "recoveryfile.h"

#include "filebuffer.h"
#include "filepath.h"
#include "filesave.h"
#include "qtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
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

QString CRecoveryFile::FolderName() {
    return QString::fromStdString(Utf8FromPath(RecoveryFolder()));
}

QString CRecoveryFile::Folder() {
    const QString folder = FolderName();
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

QString CRecoveryFile::DocumentPlace() const {
    if (path.isEmpty()) return DocumentName();
    return QObject::tr("%1 in %2")
        .arg(DocumentName(), QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
}

bool CRecoveryFile::Write(const QString& file, QString* error) const {
    std::string bytes = std::string(kMagic) + std::to_string(kVersion) + "\n";
    bytes += Field("path", QString::fromLatin1(QUrl::toPercentEncoding(path)));
    bytes += Field("written", written.toUTC().toString(Qt::ISODateWithMs));
    bytes += Field("size", QString::number(size));
    bytes +=
        Field("modified", modified.isValid() ? QString::number(modified.toMSecsSinceEpoch()) : "");
    bytes += Field("length", QString::number(qulonglong(text.size())));
    bytes += Field("base", QString::number(qulonglong(base.size())));
    bytes += Field("source", source ? QString::number(qulonglong(source->size())) : QString());
    bytes += kEnd;
    bytes += text;
    bytes += base;
    if (source) bytes += *source;
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
    QHash<QString, QString> fields;
    for (const QString& line :
         QString::fromStdString(std::string(bytes.substr(0, end))).split('\n', Qt::SkipEmptyParts))
        if (const qsizetype colon = line.indexOf(": "); line.startsWith("// ") && colon > 3)
            fields.insert(line.mid(3, colon - 3), line.mid(colon + 2));
    bool ok = false;
    const std::string first(bytes.substr(kMagic.size(), bytes.find('\n') - kMagic.size()));
    const int version = QString::fromStdString(first).toInt(&ok);
    if (!ok) return false;
    if (version > kVersion) {
        problem = QObject::tr("it was written by a newer version of ZEQ Editor");
        return false;
    }
    for (const char* name : {"path", "written", "size", "modified", "length"})
        if (!fields.contains(name)) return false;
    path = QUrl::fromPercentEncoding(fields["path"].toLatin1());
    written = QDateTime::fromString(fields["written"], Qt::ISODateWithMs);
    size = fields["size"].toLongLong();
    modified = fields["modified"].isEmpty()
                   ? QDateTime()
                   : QDateTime::fromMSecsSinceEpoch(fields["modified"].toLongLong());
    // The texts one after the other, each as long as its field says; a
    // version 1 file holds only the first.
    std::string_view body = bytes.substr(end + kEnd.size());
    bool whole = written.isValid();
    auto take = [&](const QString& length) {
        const qulonglong n = length.toULongLong(&ok);
        whole = whole && ok && n <= body.size();
        if (!whole) return std::string();
        std::string part(body.substr(0, n));
        body.remove_prefix(n);
        return part;
    };
    text = take(fields["length"]);
    base = version > 1 ? take(fields["base"]) : std::string();
    source.reset();
    if (version > 1 && !fields["source"].isEmpty()) source = take(fields["source"]);
    if (!whole || !body.empty()) {
        problem = QObject::tr("it is cut off");
        return false;
    }
    problem.clear();
    return true;
}

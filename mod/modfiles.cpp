#include "modfiles.h"

#include "catalogs.h"
#include "filebuffer.h"
#include "modfolder.h"
#include "qtext.h"

#include <QDir>
#include <QFileInfo>

CModFiles::CModFiles(const QString& root, const QString& programFolder)
    : m_root(QDir::cleanPath(QFileInfo(root).absoluteFilePath())), m_program(programFolder) {}

CModFiles::~CModFiles() = default;

bool CModFiles::Refresh(QString* error) {
    std::string why;
    std::vector<std::string> found = PlanFilesUnder(CorePath(m_root), why);
    if (!why.empty()) {
        if (error) *error = QString::fromStdString(why);
        return false;
    }
    m_files.clear();
    for (const std::string& file : found)
        m_files << QDir::cleanPath(QString::fromStdString(file));
    return true;
}

QString CModFiles::Shown(const QString& path) const {
    return QDir::toNativeSeparators(QDir(m_root).relativeFilePath(path));
}

std::vector<std::string> CModFiles::CatalogFolders(const QString& path) const {
    std::vector<std::string> folders =
        FoldersUpTo(CorePath(QFileInfo(path).absolutePath()), CorePath(m_root));
    for (std::string& more : CCatalogs::Folders(CorePath(m_program)))
        folders.push_back(std::move(more));
    return folders;
}

const CCatalogs& CModFiles::CatalogsFor(const QString& path) {
    std::unique_ptr<CCatalogs>& catalogs = m_catalogs[QFileInfo(path).absolutePath()];
    if (!catalogs) {
        catalogs = std::make_unique<CCatalogs>();
        catalogs->Find(CatalogFolders(path));
    } else {
        catalogs->Refresh();
    }
    return *catalogs;
}

bool CModFiles::ReadText(const QString& path, std::string& text, QString& error) const {
    if (m_openText)
        if (std::optional<std::string> open = m_openText(path)) {
            text = std::move(*open);
            return true;
        }
    CFileBuffer buffer;
    if (!buffer.LoadFile(CorePath(path))) {
        error = QString::fromStdString(buffer.LastError());
        return false;
    }
    text.assign(buffer.View());
    return true;
}

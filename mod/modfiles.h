#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class CCatalogs;

// A mod open in the editor: its folder, the plan files under it, and the
// catalogs found for each file (beside it, then in each folder up to the
// mod's, then where the editor looks). One thread's: the background check
// keeps its own.
class CModFiles {
public:
    CModFiles(const QString& root, const QString& programFolder);
    ~CModFiles();

    const QString& Root() const { return m_root; }
    const QString& ProgramFolder() const { return m_program; }
    // Lists the plan files again; false, with `error` said, when the folder
    // cannot be read.
    bool Refresh(QString* error = nullptr);
    const QStringList& Files() const { return m_files; }
    void SetFiles(const QStringList& files) { m_files = files; }
    // A file as the mod's lists show it: its path from the mod's folder.
    QString Shown(const QString& path) const;

    // The catalogs for a file; read again where one changed on disk.
    const CCatalogs& CatalogsFor(const QString& path);
    // The folders looked in for a file's catalogs, nearest first.
    std::vector<std::string> CatalogFolders(const QString& path) const;

    // The open document's text stands for its file (what Save would write),
    // where `text` gives one for the path.
    using OpenText = std::function<std::optional<std::string>(const QString& path)>;
    void SetOpenText(OpenText text) { m_openText = std::move(text); }
    bool ReadText(const QString& path, std::string& text, QString& error) const;

private:
    QString m_root, m_program;
    QStringList m_files;
    std::map<QString, std::unique_ptr<CCatalogs>> m_catalogs; // by folder
    OpenText m_openText;
};

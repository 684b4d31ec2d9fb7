#pragma once

#include <QDockWidget>
#include <QHash>
#include <QStringList>
#include <memory>

class CModFiles;
class CModScanner;
class QFileSystemWatcher;
class QLabel;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

// "Mod": the plan files under the folder opened, each with its count of
// errors and warnings from the checks of zeq check. The counts are made away
// from the window and kept current as files change on disk. Enter or a
// click on a file asks for it to be opened.
class CModPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit CModPanel(QWidget* parent = nullptr);
    ~CModPanel() override;

    // Lists the folder's plan files and starts counting; false, with the
    // reason in `error`, when the folder cannot be read or holds none.
    bool Open(const QString& folder, const QString& programFolder, QString& error);
    void Close();
    // The mod open, or null.
    CModFiles* Mod() const { return m_mod.get(); }
    QTreeWidget* List() const { return m_list; }
    // Makes a file of the mod the current row, as the file open.
    void SelectFile(const QString& path);
    // Files still to be counted.
    int Pending() const;
    // The totals line ("12 files: 2 errors, 5 warnings").
    QString Summary() const;

signals:
    void FileRequested(const QString& path);
    // Every file has its counts.
    void Counted();

private:
    void Relist();
    void ShowCounts(const QString& path, int errors, int warnings, const QString& problem);
    void UpdateSummary();
    void Watch();
    void Changed(const QString& path);
    void Request(QTreeWidgetItem* item);

    std::unique_ptr<CModFiles> m_mod;
    std::unique_ptr<CModScanner> m_scanner;
    QLabel* m_summary;
    QTreeWidget* m_list;
    QFileSystemWatcher* m_watch = nullptr;
    QTimer* m_settle;      // changes on disk come in bursts (a save, a checkout)
    QStringList m_changed; // files and folders changed since the last settle
    // Each file's size and time when last counted, to tell which of a
    // folder's files a change on disk touched.
    QHash<QString, QString> m_stamps;
    bool StampChanged(const QString& path);
    QHash<QString, QTreeWidgetItem*> m_items; // by path
};

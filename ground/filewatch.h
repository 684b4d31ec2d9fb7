#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

// Watches the open file for changes made by other programs (a text editor,
// a script that writes plan files). The program's own saves are told with
// Saved() and are not reported.
class CFileWatch : public QObject {
    Q_OBJECT

public:
    explicit CFileWatch(QObject* parent = nullptr);

    // Starts watching the file as it is now (after it was opened or saved).
    void Watch(const QString& path);
    void Forget();

signals:
    void Changed(const QString& path);
    // Reported once, until the file is there again.
    void Removed(const QString& path);

private:
    void Check();

    QFileSystemWatcher m_watcher;
    QTimer m_settle; // writers replace files in steps: look once they are done
    QString m_path;
    QDateTime m_modified;
    qint64 m_size = -1;
    bool m_removed = false;
};

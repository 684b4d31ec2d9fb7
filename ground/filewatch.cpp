#include "filewatch.h"

#include <QFileInfo>

CFileWatch::CFileWatch(QObject* parent) : QObject(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(250);
    connect(&m_settle, &QTimer::timeout, this, &CFileWatch::Check);
    // A file replaced by renaming drops its watch, so the folder is watched too.
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle,
            qOverload<>(&QTimer::start));
}

void CFileWatch::Watch(const QString& path) {
    Forget();
    m_path = path;
    const QFileInfo file(path);
    m_modified = file.lastModified();
    m_size = file.size();
    m_removed = false;
    m_watcher.addPath(path);
    m_watcher.addPath(file.absolutePath());
}

void CFileWatch::Forget() {
    if (!m_watcher.files().isEmpty()) m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty()) m_watcher.removePaths(m_watcher.directories());
    m_settle.stop();
    m_path.clear();
}

void CFileWatch::Check() {
    if (m_path.isEmpty()) return;
    const QFileInfo file(m_path);
    if (!file.exists()) {
        if (!m_removed) emit Removed(m_path);
        m_removed = true;
        return;
    }
    m_removed = false;
    if (!m_watcher.files().contains(m_path)) m_watcher.addPath(m_path);
    if (file.lastModified() == m_modified && file.size() == m_size) return;
    m_modified = file.lastModified();
    m_size = file.size();
    emit Changed(m_path);
}

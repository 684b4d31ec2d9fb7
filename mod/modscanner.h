#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// Checks a mod's plan files away from the window, as zeq check does, each
// against the catalogs found for it, and tells each file's counts as it is
// done. Files queued again while waiting are checked once.
class CModScanner : public QObject {
    Q_OBJECT

public:
    struct Counts {
        QString path;
        int errors = 0, warnings = 0;
        QString problem; // the file could not be read
    };

    CModScanner(const QString& root, const QString& programFolder, QObject* parent = nullptr);
    // Stops after the file being checked; what is queued is dropped.
    ~CModScanner() override;

    void Queue(const QStringList& files);
    // Files queued or being checked.
    int Pending() const;

signals:
    void Checked(const CModScanner::Counts& counts);
    // The queue ran empty.
    void Idle();

private:
    void Run(QString root, QString programFolder);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<QString> m_queue;
    int m_working = 0;
    int m_posted = 0; // counts told by the thread, not yet heard by the window
    bool m_stop = false;
    std::thread m_thread;
};

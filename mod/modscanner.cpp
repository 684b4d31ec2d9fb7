#include "modscanner.h"

#include "catalogs.h"
#include "modfiles.h"
#include "planfilereport.h"

#include <algorithm>

CModScanner::CModScanner(const QString& root, const QString& programFolder, QObject* parent)
    : QObject(parent), m_thread(&CModScanner::Run, this, root, programFolder) {}

CModScanner::~CModScanner() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

void CModScanner::Queue(const QStringList& files) {
    {
        std::lock_guard lock(m_mutex);
        for (const QString& file : files)
            if (std::find(m_queue.begin(), m_queue.end(), file) == m_queue.end())
                m_queue.push_back(file);
    }
    m_wake.notify_all();
}

int CModScanner::Pending() const {
    std::lock_guard lock(m_mutex);
    return int(m_queue.size()) + m_working + m_posted;
}

void CModScanner::Run(QString root, QString programFolder) {
    // The thread's own catalogs: those of the window may be read again meanwhile.
    CModFiles mod(root, programFolder);
    for (;;) {
        QString path;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop) return;
            path = m_queue.front();
            m_queue.pop_front();
            m_working = 1;
        }
        Counts counts{path, 0, 0, {}};
        std::string text;
        if (mod.ReadText(path, text, counts.problem)) {
            const CCatalogs& catalogs = mod.CatalogsFor(path);
            CPlanFileReport report(catalogs.PlanTypes(), catalogs.Units());
            report.Check(text);
            for (const Finding& finding : report.Findings())
                ++(finding.IsError() ? counts.errors : counts.warnings);
        }
        {
            std::lock_guard lock(m_mutex);
            m_working = 0;
            ++m_posted;
        }
        // Delivered in the window's thread; the destructor waits for this
        // thread, and what is still posted goes with the object.
        QMetaObject::invokeMethod(
            this,
            [this, counts] {
                {
                    std::lock_guard lock(m_mutex);
                    --m_posted;
                }
                emit Checked(counts);
                if (Pending() == 0) emit Idle();
            },
            Qt::QueuedConnection);
    }
}

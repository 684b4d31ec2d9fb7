#pragma once

#include <QEventLoop>
#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

// Runs `work` on another thread and waits for it with the window
// repainting; the user's input waits until it is done. `slow` is called
// once it has taken `patienceMs`.
template <typename Work, typename Slow>
void RunAwayFromTheWindow(Work work, int patienceMs, Slow slow) {
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    QTimer patience;
    patience.setSingleShot(true);
    QObject::connect(&patience, &QTimer::timeout, &loop, slow);
    watcher.setFuture(QtConcurrent::run(work));
    patience.start(patienceMs);
    if (!watcher.isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    watcher.waitForFinished();
}

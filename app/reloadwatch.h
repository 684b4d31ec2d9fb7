#pragma once

#include <QObject>
#include <QString>

class CFileWatch;
class CZeqEditorDoc;
class QTimer;
class QWidget;

// Watches the open file for changes by other programs and offers to reload
// it. The question waits until no dialog is open (a dialog may hold one of
// the document's records); over the source editor it is asked at once and
// names the editor's unapplied text, which a reload closes.
class CReloadWatch : public QObject {
    Q_OBJECT

public:
    CReloadWatch(CZeqEditorDoc& document, QWidget* window);

    // The file changed on disk: asks whether to reload it.
    void AskToReload(const QString& path);

signals:
    // A note for the status bar.
    void StatusMessage(const QString& text);

private:
    // What differs between the document and the file on disk, record by
    // record, as zeq diff tells it.
    QString ChangesOnDisk(const QString& path) const;

    CZeqEditorDoc& m_document;
    QWidget* m_window;
    CFileWatch* m_watch;
    QTimer* m_retry; // asks again once no dialog is open
    QString m_pendingPath;
    quint64 m_pendingGeneration = 0;
};

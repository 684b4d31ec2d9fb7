#pragma once

#include "plandata.h"

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

// The one open plan document: the model, its file and its modified flag.
// Views and dialogs change the model directly and then call
// SetModifiedFlag() and PostUpdateCounts().
class CZeqEditorDoc : public QObject {
    Q_OBJECT

public:
    CPlanData& Data() { return m_data; }
    const CPlanData& Data() const { return m_data; }

    QString PathName() const { return m_path; }
    // The file name, or "Untitled" for a new document.
    QString Title() const;
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);

    // Empties the document; the views rebuild.
    void OnNewDocument();
    // Loads the file; on failure says "Failed to open document." and leaves
    // the document empty.
    bool OnOpenDocument(const QString& path, QWidget* parent);
    // Asks for the Start values when a class is missing, then writes the file.
    bool OnSaveDocument(const QString& path, QWidget* parent);

    // Save (under the current name, or a chosen one when there is none).
    bool DoFileSave(QWidget* parent);
    bool DoSaveAs(QWidget* parent);
    // Before the document is closed or replaced: asks "Save changes to ...?"
    // when it is modified. False when the user cancelled.
    bool SaveModified(QWidget* parent);

    // The Start & Cheat command, which the save question runs.
    void SetStartCheatCommand(std::function<void()> command) { m_startCheat = std::move(command); }

    // Asks the frame to recount matches and plans once the current command
    // has finished (a queued connection).
    void PostUpdateCounts() { emit UpdateCountsRequested(); }
    // A whole-document change: every view rebuilds.
    void UpdateAllViews() { emit Changed(); }

signals:
    void Changed();
    void UpdateCountsRequested();
    void TitleChanged();
    void ModifiedChanged(bool modified);
    // A file was opened or saved under this path.
    void FileUsed(const QString& path);

private:
    void SetPath(const QString& path);

    CPlanData m_data;
    QString m_path;
    bool m_modified = false;
    std::function<void()> m_startCheat;
};

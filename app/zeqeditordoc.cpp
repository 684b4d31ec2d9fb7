#include "zeqeditordoc.h"

#include "uiservices.h"
#include "waitcursor.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>

QString CZeqEditorDoc::Title() const {
    return m_path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_path).fileName();
}

void CZeqEditorDoc::SetModifiedFlag(bool modified) {
    if (m_modified == modified) return;
    m_modified = modified;
    emit ModifiedChanged(modified);
}

void CZeqEditorDoc::SetPath(const QString& path) {
    m_path = path;
    emit TitleChanged();
}

void CZeqEditorDoc::OnNewDocument() {
    m_data.Clear();
    SetPath(QString());
    SetModifiedFlag(false);
    PostUpdateCounts();
    UpdateAllViews();
}

bool CZeqEditorDoc::OnOpenDocument(const QString& path, QWidget* parent) {
    m_data.Clear();
    SetModifiedFlag(false);
    Diagnostic error;
    bool loaded;
    {
        CWaitCursor wait;
        loaded = m_data.LoadPlanFile(QFile::encodeName(path).toStdString(), &error);
    }
    if (!loaded) {
        SetPath(QString());
        UpdateAllViews();
        PostUpdateCounts();
        QString detail = QString::fromStdString(error.message);
        if (error.line > 0) detail = tr("Line %1: %2").arg(error.line).arg(detail);
        Ui().ShowMessage(parent, IUiServices::Icon::Warning,
                         tr("Failed to open document.") + "\n\n" + path + "\n" + detail);
        return false;
    }
    SetPath(QFileInfo(path).absoluteFilePath());
    PostUpdateCounts();
    UpdateAllViews();
    emit FileUsed(m_path);
    return true;
}

bool CZeqEditorDoc::OnSaveDocument(const QString& path, QWidget* parent) {
    if (!m_data.start.IsValid()) {
        switch (Ui().AskYesNoCancel(parent, tr("This ZEQ document has not a valid Start section "
                                               "yet.\nDo you want to edit the Start Section "
                                               "now?"))) {
        case IUiServices::Answer::Yes:
            if (m_startCheat) m_startCheat();
            if (!m_data.start.IsValid()) return false;
            break;
        case IUiServices::Answer::No:
            break;
        case IUiServices::Answer::Cancel:
            return false;
        }
    }
    std::string error;
    bool saved;
    {
        CWaitCursor wait;
        saved = m_data.SavePlanFile(QFile::encodeName(path).toStdString(), &error);
    }
    // Saving sorts the plans: the views show the new order.
    UpdateAllViews();
    if (!saved) {
        Ui().ShowMessage(parent, IUiServices::Icon::Warning,
                         tr("Failed to save document.") + "\n\n" + path + "\n" +
                             QString::fromStdString(error));
        return false;
    }
    SetPath(QFileInfo(path).absoluteFilePath());
    SetModifiedFlag(false);
    emit FileUsed(m_path);
    return true;
}

bool CZeqEditorDoc::DoFileSave(QWidget* parent) {
    if (m_path.isEmpty()) return DoSaveAs(parent);
    return OnSaveDocument(m_path, parent);
}

bool CZeqEditorDoc::DoSaveAs(QWidget* parent) {
    const QString suggested = m_path.isEmpty() ? Title() + ".zeq" : m_path;
    QString path = Ui().GetSaveFileName(parent, suggested);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += ".zeq";
    return OnSaveDocument(path, parent);
}

bool CZeqEditorDoc::SaveModified(QWidget* parent) {
    if (!m_modified) return true;
    switch (Ui().AskSaveChanges(parent, tr("Save changes to %1?").arg(Title()))) {
    case IUiServices::Answer::Yes:
        return DoFileSave(parent);
    case IUiServices::Answer::No:
        return true;
    case IUiServices::Answer::Cancel:
        break;
    }
    return false;
}

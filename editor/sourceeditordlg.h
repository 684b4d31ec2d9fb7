#pragma once

#include <QDialog>

class CAppContext;
class CPlanData;
class CSyntaxEdit;
class QAction;
class QMenu;
class QMenuBar;

// "ZEQ Source Editor": the whole document as plan-file text, with menus of
// ready-made lines. Save hands an edited text back; an untouched one closes
// as Cancel.
class CSourceEditorDlg : public QDialog {
    Q_OBJECT

public:
    CSourceEditorDlg(const CAppContext& context, const QString& text, QWidget* parent = nullptr);

    CSyntaxEdit* Editor() const { return m_editor; }
    QAction* Action(int commandId) const;
    // The edited text (CR LF line breaks) after Save, already checked to parse.
    QString Text() const { return m_result; }

    // Puts the caret at the start of a line (1-based) and shows it.
    void GoToLine(int line);
    void OnNew();
    void OnSave();
    // Esc, "Cancel" and the close box: a changed text is not dropped unasked.
    void reject() override;
    void SetFontSize(int points);
    void SetUnrealStyle(bool unreal);
    void SetColouring(bool on);
    // "Settings...": the colour-scheme editor for the active scheme.
    void OnSchemeSettings();

private:
    void BuildMenus(QMenuBar* bar);
    int FreePlanNumber() const;
    QAction* AddItem(QMenu* menu, int id, const QString& text);

    const CAppContext& m_context;
    CSyntaxEdit* m_editor;
    QString m_result;
    QHash<int, QAction*> m_actions;
};

// The Edit Source command: shows the text (the document's, or the file's as
// opened) with the caret on `line` when it is above 0, and when an edited text
// is saved, loads it into `edited`. True when it did.
bool RunSourceEditor(const CAppContext& context, const QString& text, int line, CPlanData& edited,
                     QWidget* parent);

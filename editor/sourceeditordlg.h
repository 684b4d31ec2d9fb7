#pragma once

#include <QDialog>
#include <QFutureWatcher>
#include <QHash>
#include <functional>

class CAppContext;
class CFindBar;
class CPlanData;
class CPlanManager;
class CSyntaxEdit;
class CUnitList;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QTimer;

// "ZEQ Source Editor": the whole document as plan-file text, with menus of
// ready-made lines. Save hands an edited text back; an untouched one closes
// as Cancel.
class CSourceEditorDlg : public QDialog {
    Q_OBJECT

signals:
    void Loaded();

public:
    CSourceEditorDlg(const CAppContext& context, const QString& text, QWidget* parent = nullptr);
    ~CSourceEditorDlg() override;

    CSyntaxEdit* Editor() const { return m_editor; }
    CFindBar* FindBar() const { return m_findBar; }
    QAction* Action(int commandId) const;
    // The edited text (CR LF line breaks) after Save, already checked to parse.
    QString Text() const { return m_result; }

    // What the text is, for the title ("ai.zeq, as on disk").
    void SetShownName(const QString& name);
    // Puts the caret at the start of a line (1-based) and shows it.
    void GoToLine(int line);
    // Ctrl+G: asks for the line.
    void OnGoToLine();
    // Where Is This Unit Used (Ctrl+Shift+U): the word at the caret handed
    // to `whereUsed`, whose answer the status bar shows; off while none is set.
    void SetWhereUsed(std::function<QString(const QString& unitClass)> whereUsed);
    QString WordAtCaret() const;
    // "Line 12, Column 5", as the status bar shows it.
    QString PositionText() const;
    // Checks the text as it stands again (after a pause in typing), in the
    // background; the marks are shown when the check is done.
    void CheckSoon();
    bool IsChecking() const { return m_check.isRunning(); }
    // A long text is still coming in (read-only until it is all there).
    bool IsLoading() const { return !m_pending.isEmpty(); }
    void OnNew();
    void OnSave();
    // Esc, "Cancel" and the close box: a changed text is not dropped unasked.
    void reject() override;
    void SetFontSize(int points);
    void SetUnrealStyle(bool unreal);
    void SetColouring(bool on);
    // "Settings...": the colour-scheme editor for the active scheme.
    void OnSchemeSettings();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildMenus(QMenuBar* bar);
    void StartCheck();
    void UpdateTitle();
    void ShowPosition();
    qsizetype NextPiece(qsizetype size);
    void LoadMore();
    QAction* AddItem(QMenu* menu, int id, const QString& text);

    const CAppContext& m_context;
    CSyntaxEdit* m_editor;
    QString m_result;
    QString m_pending; // the text while it is being loaded
    QString m_shownName;
    qsizetype m_loaded = 0;
    int m_pendingLine = 0;
    QHash<int, QAction*> m_actions;
    CFindBar* m_findBar;
    QLabel* m_position;
    QTimer* m_checkTimer;
    // The report's sentences by line (0-based), and whether the text read.
    struct Marks {
        QHash<int, QString> byLine;
        bool reads = true;
    };
    static Marks MarksOf(const QString& rawText, const CPlanManager* planTypes,
                         const CUnitList* units);
    QFutureWatcher<Marks> m_check;
    QHash<int, QString> m_readMarks; // of the last text that read
    std::function<QString(const QString&)> m_whereUsed;
};

// The Edit Source command: shows the text with the caret on `line` when it
// is above 0, and when an edited text is saved, gives it back (CR LF line
// breaks) in `editedText` and loads it into `edited`. True when it did.
// `shown` names the text in the window's title ("ai.zeq, as on disk").
// `opened` sees the window before it is shown.
bool RunSourceEditor(const CAppContext& context, const QString& text, int line, CPlanData& edited,
                     QString& editedText, QWidget* parent, const QString& shown = {},
                     const std::function<void(CSourceEditorDlg&)>& opened = {});

#pragma once

#include <QDialog>

class QTextBrowser;

// Help > User Guide: the user guide that comes with the program, with its
// pictures, in a window of its own beside the editor's.
class CHelpWindow : public QDialog {
    Q_OBJECT

public:
    explicit CHelpWindow(QWidget* parent = nullptr);

    // The guide's file: beside the program (Windows), in the installed data
    // (Linux), or in the source tree the program was built from; empty when
    // none is there.
    static QString GuidePath();
    QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

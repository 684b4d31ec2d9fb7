#pragma once

#include "modsearch.h"
#include "unitclassrename.h"

#include <QDialog>
#include <QList>

class CModFiles;
class QDialogButtonBox;
class QLabel;
class QPlainTextEdit;
class QTimer;
class QTreeWidget;

// "Rename Unit Classes": one class and its new name, or a list of pairs
// (every iu_ unit to its va_ counterpart), over the mod's plan files. The
// preview lists every change with a check box, and flags a new name that
// the file's unit catalog does not know; Rename gives back the changes
// ticked, to be applied by the caller.
class CRenameUnitsDlg : public QDialog {
    Q_OBJECT

public:
    CRenameUnitsDlg(CModFiles& mod, const QString& pairs, QWidget* parent = nullptr);

    QPlainTextEdit* PairsEdit() const { return m_pairs; }
    QTreeWidget* Preview() const { return m_preview; }
    // The preview made again from the pairs as they stand.
    void UpdatePreview();
    QString Summary() const;

    // Each file with changes ticked: its text as previewed and as renamed.
    struct Rewritten {
        QString path;
        std::string before, after;
        int changes = 0;
    };
    QList<Rewritten> Chosen() const;

private:
    CModFiles& m_mod;
    CUnitClassRename m_rename;
    QList<RenamePreview> m_files;
    QPlainTextEdit* m_pairs;
    QLabel* m_summary;
    QTreeWidget* m_preview;
    QDialogButtonBox* m_buttons;
    QTimer* m_typing;
};

#pragma once

#include "matchlist.h"

#include <QDialog>

class CAppContext;
class QLineEdit;
class QListWidget;

// "Match": one target unit class and the attacker classes that answer it.
class CMatchDlg : public QDialog {
    Q_OBJECT

public:
    // `entry` is the match to edit, or null for a new one.
    CMatchDlg(const CAppContext& context, const MatchEntry* entry, QWidget* parent = nullptr);

    // After OK: the match as written in the dialog.
    const MatchEntry& Result() const { return m_result; }

    void accept() override;

    void OnNew();
    void OnRename();
    void OnDelete();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const CAppContext& m_context;
    QLineEdit* m_target;
    QListWidget* m_attackers;
    MatchEntry m_result;
};

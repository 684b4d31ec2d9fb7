#pragma once

#include <QDialog>

class MatchList;
class QLineEdit;
class QListWidget;
class QToolButton;
struct MatchEntry;

// "Match": one target unit class and the attacker classes that answer it.
class CMatchDlg : public QDialog {
    Q_OBJECT

public:
    // `entry` is the match to edit, or null for a new one.
    CMatchDlg(MatchList& matches, MatchEntry* entry, QWidget* parent = nullptr);

    // After OK: the entry written (the new one for a new match).
    MatchEntry* Entry() const { return m_entry; }

    void accept() override;

    void OnNew();
    void OnRename();
    void OnDelete();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MatchList& m_matches;
    MatchEntry* m_entry;
    QLineEdit* m_target;
    QListWidget* m_attackers;
};

#pragma once

#include <QAbstractTableModel>
#include <QIcon>

class CPlanFileReport;
struct Finding;

// Why a definition file could not be read: an error where a catalog stayed
// empty, a warning where one was skipped for the next place.
struct CatalogNote {
    bool error = false;
    QString text;
};

// The rows of the Issues panel, "Line" and "Issue": first the notes about the
// definition files, then the findings of the open file's report. The texts
// are made as rows are drawn, so a generated file with tens of thousands of
// findings costs no more than the report itself.
class CIssuesModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit CIssuesModel(const CPlanFileReport& report, QObject* parent = nullptr);

    // Shows the notes and the report's current findings.
    void Refill(const QList<CatalogNote>& notes);
    // The finding of a row; null for a note.
    const Finding* FindingAt(int row) const;
    // A row as one line of text ("Line 12: ..."), as Copy puts it.
    QString RowText(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const CPlanFileReport& m_report;
    QList<CatalogNote> m_notes;
    QIcon m_icons[3]; // by FindingKind, drawn once
};

#include "issuesmodel.h"

#include "icons.h"
#include "planfilereport.h"
#include "qtext.h"

CIssuesModel::CIssuesModel(const CPlanFileReport& report, QObject* parent)
    : QAbstractTableModel(parent), m_report(report), m_icons{Icons::Get(Icons::Art::IssueError),
                                                             Icons::Get(Icons::Art::IssueLoss),
                                                             Icons::Get(Icons::Art::IssueWarning)} {
}

void CIssuesModel::Refill(const QList<CatalogNote>& notes) {
    beginResetModel();
    m_notes = notes;
    endResetModel();
}

const Finding* CIssuesModel::FindingAt(int row) const {
    const auto index = std::size_t(row - m_notes.size());
    return row >= m_notes.size() && index < m_report.Findings().size() ? &m_report.Findings()[index]
                                                                       : nullptr;
}

QString CIssuesModel::RowText(int row) const {
    const QString text = data(index(row, 1), Qt::DisplayRole).toString();
    const Finding* finding = FindingAt(row);
    return LineMessage(finding ? finding->line : 0, text);
}

int CIssuesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_notes.size() + qsizetype(m_report.Findings().size()));
}

int CIssuesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant CIssuesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const bool text = role == Qt::DisplayRole || role == Qt::ToolTipRole;
    if (const Finding* finding = FindingAt(index.row())) {
        if (index.column() == 0 && role == Qt::DisplayRole) return finding->line;
        if (index.column() == 0 && role == Qt::DecorationRole)
            return m_icons[int(finding->IsError() ? FindingKind::Error : finding->kind)];
        if (index.column() == 1 && text) return ToQt(finding->message);
        return {};
    }
    if (index.row() >= m_notes.size()) return {};
    const CatalogNote& note = m_notes[index.row()];
    if (index.column() == 0 && role == Qt::DecorationRole)
        return m_icons[int(note.error ? FindingKind::Error : FindingKind::Warning)];
    if (index.column() == 1 && text) return note.text;
    return {};
}

QVariant CIssuesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == 0 ? tr("Line") : tr("Issue");
}

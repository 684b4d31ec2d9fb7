#include "searchpanel.h"

#include "foundpartdelegate.h"
#include "modfiles.h"
#include "waitcursor.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { PlaceColumn, TextColumn };
constexpr int kPathRole = Qt::UserRole;
constexpr int kLineRole = Qt::UserRole + 1;
constexpr qsizetype kLimit = 10000;

} // namespace

CSearchPanel::CSearchPanel(QWidget* parent) : QDockWidget(tr("Find in Files"), parent) {
    setObjectName(QStringLiteral("findInFilesPanel"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* row = new QHBoxLayout;
    m_field = new QLineEdit(body);
    m_field->setPlaceholderText(tr("Text to find in the mod's plan files"));
    m_field->setAccessibleName(tr("Find in files"));
    m_field->setClearButtonEnabled(true);
    m_regex = new QCheckBox(tr("Regular e&xpression"), body);
    m_case = new QCheckBox(tr("Match c&ase"), body);
    m_find = new QPushButton(tr("Fin&d"), body);
    row->addWidget(m_field, 1);
    row->addWidget(m_regex);
    row->addWidget(m_case);
    row->addWidget(m_find);
    m_summary = new QLabel(body);
    m_summary->setAccessibleName(tr("Search summary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_results = new QTreeWidget(body);
    m_results->setColumnCount(2);
    m_results->setHeaderLabels({tr("Place"), tr("Text")});
    m_results->setUniformRowHeights(true);
    m_results->setAccessibleName(tr("Search results"));
    m_results->header()->setStretchLastSection(true);
    m_results->setItemDelegateForColumn(TextColumn, new CFoundPartDelegate(m_results));
    layout->addLayout(row);
    layout->addWidget(m_summary);
    layout->addWidget(m_results, 1);
    setWidget(body);
    setFocusProxy(m_field);

    connect(m_field, &QLineEdit::returnPressed, this, &CSearchPanel::FindNow);
    connect(m_find, &QPushButton::clicked, this, &CSearchPanel::FindNow);
    connect(m_results, &QTreeWidget::itemActivated, this, &CSearchPanel::Request);
    connect(m_results, &QTreeWidget::itemClicked, this, &CSearchPanel::Request);
    SetMod(nullptr);
}

void CSearchPanel::SetMod(CModFiles* mod) {
    m_mod = mod;
    m_results->clear();
    m_summary->setText(mod ? QString()
                           : tr("Open a mod's folder (File > Open Folder) to search it."));
    m_find->setEnabled(mod);
}

void CSearchPanel::StartFind() {
    show();
    raise();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

QString CSearchPanel::Summary() const {
    return m_summary->text();
}

void CSearchPanel::FindNow() {
    Find({m_field->text(), m_regex->isChecked(), m_case->isChecked()});
}

void CSearchPanel::Find(const TextQuery& query) {
    if (!m_mod || query.pattern.isEmpty()) return;
    const QRegularExpression pattern = PatternOf(query);
    if (!pattern.isValid()) {
        m_results->clear();
        m_summary->setText(
            tr("The regular expression is not valid: %1.").arg(pattern.errorString()));
        return;
    }
    CWaitCursor wait;
    Show(FindInFiles(*m_mod, pattern, kLimit), tr("\"%1\"").arg(query.pattern));
}

void CSearchPanel::ShowUses(const QString& unitClass, const QString& shownName) {
    if (!m_mod) return;
    show();
    raise();
    CWaitCursor wait;
    Show(FindUses(*m_mod, unitClass), shownName.isEmpty() || shownName == unitClass
                                          ? tr("uses of %1").arg(unitClass)
                                          : tr("uses of %1 (%2)").arg(unitClass, shownName));
    m_results->setFocus();
}

void CSearchPanel::Show(const QList<FileHits>& found, const QString& what) {
    m_results->clear();
    qsizetype total = 0, files = 0;
    QStringList unreadable;
    QList<QTreeWidgetItem*> items;
    for (const FileHits& file : found) {
        if (!file.error.isEmpty()) {
            unreadable << tr("%1: %2").arg(m_mod->Shown(file.path), file.error);
            continue;
        }
        ++files;
        total += file.hits.size();
        auto* top = new QTreeWidgetItem(
            {m_mod->Shown(file.path), tr("%n match(es)", nullptr, int(file.hits.size()))});
        top->setData(PlaceColumn, kPathRole, file.path);
        top->setData(PlaceColumn, kLineRole, 0);
        top->setToolTip(PlaceColumn, QDir::toNativeSeparators(file.path));
        for (const SearchHit& hit : file.hits) {
            // A unit's place: its section before the line, which names the key.
            const QString prefix = hit.where.isEmpty()
                                       ? QString()
                                       : hit.where.section(u' ', 0, 0) + QStringLiteral("  ");
            auto* child =
                new QTreeWidgetItem(top, {tr("Line %1").arg(hit.line), prefix + hit.text});
            child->setData(PlaceColumn, kPathRole, file.path);
            child->setData(PlaceColumn, kLineRole, hit.line);
            CFoundPartDelegate::Mark(child, TextColumn, prefix.size() + hit.start, hit.length);
        }
        items << top;
    }
    m_results->addTopLevelItems(items);
    m_results->expandAll();
    m_results->resizeColumnToContents(PlaceColumn);
    QString text = total == 0 ? tr("No %1 in the mod's plan files.").arg(what)
                              : tr("%1 of %2 in %3.")
                                    .arg(tr("%n place(s)", nullptr, int(total)), what,
                                         tr("%n file(s)", nullptr, int(files)));
    if (total >= kLimit) text += " " + tr("Only the first %1 are shown.").arg(kLimit);
    if (!unreadable.isEmpty())
        text += " " + tr("Not searched: %1.").arg(unreadable.join(QStringLiteral("; ")));
    m_summary->setText(text);
    if (!items.isEmpty()) m_results->setCurrentItem(items.front());
}

void CSearchPanel::Request(QTreeWidgetItem* item) {
    if (item)
        emit PlaceRequested(item->data(PlaceColumn, kPathRole).toString(),
                            item->data(PlaceColumn, kLineRole).toInt());
}

#include "renameunitsdlg.h"

#include "foundpartdelegate.h"
#include "modfiles.h"
#include "qtext.h"
#include "waitcursor.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

enum Column { PlaceColumn, WhereColumn, BeforeColumn, AfterColumn };
constexpr int kUseRole = Qt::UserRole; // the change's index in its file

} // namespace

CRenameUnitsDlg::CRenameUnitsDlg(CModFiles& mod, const QString& pairs, QWidget* parent)
    : QDialog(parent), m_mod(mod) {
    setWindowTitle(tr("Rename Unit Classes"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("&Renames, one OLD=NEW a line (iu_tank=va_tank):"), this);
    m_pairs = new QPlainTextEdit(this);
    m_pairs->setTabChangesFocus(true);
    m_pairs->setAccessibleName(tr("Renames"));
    m_pairs->setPlainText(pairs);
    m_pairs->setMaximumHeight(m_pairs->fontMetrics().lineSpacing() * 6);
    label->setBuddy(m_pairs);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    m_summary->setAccessibleName(tr("Rename summary"));
    auto* previewLabel = new QLabel(tr("&Changes:"), this);
    m_preview = new QTreeWidget(this);
    m_preview->setColumnCount(4);
    m_preview->setHeaderLabels({tr("Place"), tr("Key"), tr("Before"), tr("After")});
    m_preview->setAccessibleName(tr("Changes to make"));
    m_preview->setUniformRowHeights(true);
    m_preview->setItemDelegateForColumn(BeforeColumn, new CFoundPartDelegate(m_preview));
    m_preview->setItemDelegateForColumn(AfterColumn, new CFoundPartDelegate(m_preview));
    previewLabel->setBuddy(m_preview);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(tr("Re&name"));
    layout->addWidget(label);
    layout->addWidget(m_pairs);
    layout->addWidget(m_summary);
    layout->addWidget(previewLabel);
    layout->addWidget(m_preview, 1);
    layout->addWidget(m_buttons);
    resize(760, 480);

    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(400);
    connect(m_typing, &QTimer::timeout, this, &CRenameUnitsDlg::UpdatePreview);
    connect(m_pairs, &QPlainTextEdit::textChanged, m_typing, qOverload<>(&QTimer::start));
    connect(m_buttons, &QDialogButtonBox::accepted, this, [this] {
        if (m_typing->isActive())
            UpdatePreview(); // what is shown is what is applied
        else
            accept();
    });
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A file's box ticks or clears its changes; a change's sets its file's.
    connect(m_preview, &QTreeWidget::itemChanged, this, [this] {
        int ticked = 0;
        for (int f = 0; f < m_preview->topLevelItemCount(); ++f) {
            const QTreeWidgetItem* file = m_preview->topLevelItem(f);
            for (int c = 0; c < file->childCount(); ++c)
                ticked += file->child(c)->checkState(PlaceColumn) == Qt::Checked;
        }
        m_buttons->button(QDialogButtonBox::Ok)->setEnabled(ticked > 0);
    });
    UpdatePreview();
    m_pairs->setFocus();
    m_pairs->moveCursor(QTextCursor::End);
}

QString CRenameUnitsDlg::Summary() const {
    return m_summary->text();
}

void CRenameUnitsDlg::UpdatePreview() {
    m_typing->stop();
    m_preview->clear();
    m_files.clear();
    m_rename = {};
    std::string error;
    int line = 0;
    QPushButton* ok = m_buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    if (!m_rename.AddPairs(FromQt(m_pairs->toPlainText()), error, &line)) {
        m_summary->setText(LineMessage(line, ToQt(error)));
        return;
    }
    if (m_rename.Empty()) {
        m_summary->setText(tr("Name the classes to rename."));
        return;
    }
    CWaitCursor wait;
    m_files = PreviewRename(m_mod, m_rename);
    int changes = 0, unknown = 0, files = 0;
    QStringList unreadable;
    QSignalBlocker quiet(m_preview);
    for (qsizetype f = 0; f < m_files.size(); ++f) {
        const RenamePreview& file = m_files[f];
        if (!file.error.isEmpty()) {
            unreadable << tr("%1: %2").arg(m_mod.Shown(file.path), file.error);
            continue;
        }
        ++files;
        auto* top = new QTreeWidgetItem(m_preview, {m_mod.Shown(file.path)});
        top->setFlags(top->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        top->setCheckState(PlaceColumn, Qt::Checked);
        top->setToolTip(PlaceColumn, QDir::toNativeSeparators(file.path));
        top->setData(PlaceColumn, kUseRole, int(f));
        for (qsizetype u = 0; u < file.before.size(); ++u) {
            const SearchHit& hit = file.before[u];
            auto* change = new QTreeWidgetItem(
                top, {tr("Line %1").arg(hit.line), hit.where, hit.text, file.after[u]});
            change->setFlags(change->flags() | Qt::ItemIsUserCheckable);
            change->setCheckState(PlaceColumn, Qt::Checked);
            change->setData(PlaceColumn, kUseRole, int(u));
            CFoundPartDelegate::Mark(change, BeforeColumn, hit.start, hit.length);
            CFoundPartDelegate::Mark(change, AfterColumn, hit.start,
                                     file.after[u].size() - hit.text.size() + hit.length);
            if (file.unknown[u]) {
                ++unknown;
                change->setForeground(AfterColumn, QColor(176, 0, 0));
                change->setText(AfterColumn, file.after[u] + "  " + tr("(not in Units.dat)"));
                change->setToolTip(AfterColumn,
                                   tr("The unit catalog this file is checked against does not "
                                      "know the new class."));
            }
            ++changes;
        }
    }
    m_preview->expandAll();
    // Place and key as wide as they need; the two texts share the rest.
    for (int c = 0; c < 2; ++c)
        m_preview->resizeColumnToContents(c);
    const int rest = m_preview->viewport()->width() - m_preview->columnWidth(PlaceColumn) -
                     m_preview->columnWidth(WhereColumn);
    m_preview->setColumnWidth(BeforeColumn, std::max(rest / 2, 120));
    QString text = changes == 0 ? tr("No plan file of the mod names a class to rename.")
                                : tr("%1 in %2.")
                                      .arg(tr("%n change(s)", nullptr, changes),
                                           tr("%n file(s)", nullptr, files));
    if (unknown > 0)
        text += " " + tr("%n change(s) give a class that Units.dat does not know (marked).",
                         nullptr, unknown);
    if (!unreadable.isEmpty())
        text += " " + tr("Not read: %1.").arg(unreadable.join(QStringLiteral("; ")));
    m_summary->setText(text);
    ok->setEnabled(changes > 0);
    if (m_preview->topLevelItemCount() > 0) m_preview->setCurrentItem(m_preview->topLevelItem(0));
}

QList<CRenameUnitsDlg::Rewritten> CRenameUnitsDlg::Chosen() const {
    QList<Rewritten> chosen;
    for (int f = 0; f < m_preview->topLevelItemCount(); ++f) {
        const QTreeWidgetItem* top = m_preview->topLevelItem(f);
        const RenamePreview& file = m_files[top->data(PlaceColumn, kUseRole).toInt()];
        std::vector<CUnitClassRename::Use> uses;
        for (int c = 0; c < top->childCount(); ++c)
            if (top->child(c)->checkState(PlaceColumn) == Qt::Checked)
                uses.push_back(
                    file.uses[std::size_t(top->child(c)->data(PlaceColumn, kUseRole).toInt())]);
        if (uses.empty()) continue;
        chosen << Rewritten{file.path, file.text, m_rename.Rewrite(file.text, uses),
                            int(uses.size())};
    }
    return chosen;
}

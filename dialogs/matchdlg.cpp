#include "matchdlg.h"

#include "appcontext.h"
#include "iconbutton.h"
#include "icons.h"
#include "qtext.h"
#include "uiservices.h"
#include "unitclassedit.h"
#include "unitlist.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStyledItemDelegate>
#include <QToolButton>

namespace {

// Attackers by their names as the window shows them, with the class that is
// edited (an unknown class alone); in-place editing keeps the old class when
// the new one is empty.
class AttackerDelegate : public QStyledItemDelegate {
public:
    AttackerDelegate(const CUnitList& units, QObject* parent)
        : QStyledItemDelegate(parent), m_units(units) {}
    QString displayText(const QVariant& value, const QLocale& locale) const override {
        const QString unitClass = QStyledItemDelegate::displayText(value, locale);
        const UnitItem* unit = m_units.FindUnitByClass(FromQt(unitClass));
        return unit ? QStringLiteral("%1 (%2)").arg(ToQt(unit->displayName), unitClass) : unitClass;
    }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) CUnitClassEdit::Limit(line);
        return editor;
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (line && line->text().isEmpty()) return;
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    const CUnitList& m_units;
};

} // namespace

CMatchDlg::CMatchDlg(const CAppContext& context, const MatchEntry* entry, QWidget* parent)
    : QDialog(parent), m_context(context), m_target(new CUnitClassEdit(context.Units())),
      m_attackers(new QListWidget) {
    setWindowTitle(tr("Match"));
    m_target->setObjectName("target");
    m_attackers->setObjectName("attackers");
    m_attackers->setAccessibleName(tr("Attacker units"));
    m_attackers->setViewMode(QListView::ListMode);
    m_attackers->setFlow(QListView::LeftToRight);
    m_attackers->setWrapping(true);
    m_attackers->setResizeMode(QListView::Adjust);
    m_attackers->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_attackers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_attackers->setItemDelegate(new AttackerDelegate(context.Units(), m_attackers));
    m_attackers->installEventFilter(this);

    if (entry) {
        m_target->setText(ToQt(entry->unitClass));
        for (const MatchAttacker& attacker : entry->attackers) {
            auto* item = new QListWidgetItem(ToQt(attacker.unitClass), m_attackers);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
        }
    }

    QToolButton* targetPicker =
        NewIconButton(Icons::Picker(), tr("Choose the target unit"), "targetPicker");
    QToolButton* attackerPicker =
        NewIconButton(Icons::Picker(), tr("Add an attacker unit"), "attackerPicker");
    QToolButton* newButton =
        NewIconButton(Icons::Get(Icons::Art::Insert), tr("New attacker"), "new", tr("Ins"));
    QToolButton* rename =
        NewIconButton(Icons::Get(Icons::Art::Edit), tr("Rename attacker"), "rename", tr("F2"));
    QToolButton* remove =
        NewIconButton(Icons::Get(Icons::Art::Delete), tr("Delete attackers"), "delete", tr("Del"));
    connect(targetPicker, &QToolButton::clicked, this, [this, targetPicker] {
        if (const UnitItem* unit = Ui().PickUnit(targetPicker, m_context.Units()))
            m_target->setText(ToQt(unit->unitClass));
    });
    connect(attackerPicker, &QToolButton::clicked, this, [this, attackerPicker] {
        if (const UnitItem* unit = Ui().PickUnit(attackerPicker, m_context.Units())) {
            auto* item = new QListWidgetItem(ToQt(unit->unitClass), m_attackers);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
        }
    });
    connect(newButton, &QToolButton::clicked, this, &CMatchDlg::OnNew);
    connect(rename, &QToolButton::clicked, this, &CMatchDlg::OnRename);
    connect(remove, &QToolButton::clicked, this, &CMatchDlg::OnDelete);

    auto* targetLabel = new QLabel(tr("&Target unit:"));
    targetLabel->setBuddy(m_target);
    auto* attackerLabel = new QLabel(tr("&Attacker Units:"));
    attackerLabel->setBuddy(m_attackers);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMatchDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(targetLabel, 0, 0, 1, 4);
    grid->addWidget(m_target, 1, 0, 1, 4);
    grid->addWidget(targetPicker, 1, 4);
    grid->addWidget(attackerLabel, 2, 0, 1, 4);
    grid->addWidget(m_attackers, 3, 0, 4, 4);
    grid->addWidget(attackerPicker, 3, 4);
    grid->addWidget(newButton, 4, 4);
    grid->addWidget(rename, 5, 4);
    grid->addWidget(remove, 6, 4);
    grid->addWidget(buttons, 7, 0, 1, 5);
    resize(360, 320);
}

void CMatchDlg::OnNew() {
    auto* item = new QListWidgetItem(QStringLiteral("Custom"), m_attackers);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_attackers->setFocus();
    m_attackers->setCurrentItem(item);
    m_attackers->editItem(item);
}

void CMatchDlg::OnRename() {
    QListWidgetItem* item = m_attackers->currentItem();
    if (!item || !item->isSelected()) {
        Ui().Beep();
        return;
    }
    m_attackers->setFocus();
    m_attackers->editItem(item);
}

void CMatchDlg::OnDelete() {
    const QList<QListWidgetItem*> selected = m_attackers->selectedItems();
    if (selected.isEmpty()) {
        Ui().Beep();
        return;
    }
    qDeleteAll(selected);
}

bool CMatchDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_attackers && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Insert:
            OnNew();
            return true;
        case Qt::Key_F2:
            OnRename();
            return true;
        case Qt::Key_Delete:
            OnDelete();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CMatchDlg::accept() {
    if (m_target->text().isEmpty() || m_attackers->count() == 0) {
        Ui().Beep();
        return;
    }
    m_result = MatchEntry{};
    MatchList::SetTargetClass(&m_result, FromQt(m_target->text()));
    for (int row = 0; row < m_attackers->count(); ++row)
        MatchList::AddAttacker(&m_result, FromQt(m_attackers->item(row)->text()));
    QDialog::accept();
}

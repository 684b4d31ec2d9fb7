#include "unitpicker.h"

#include "lineeditbuttons.h"
#include "qtext.h"
#include "unitlist.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <QWidgetAction>

namespace {

constexpr const char* kChosenProperty = "chosenUnitCommand";
// The results shown at most; a search that finds more asks to be narrowed.
constexpr std::size_t kMaxResults = 60;

void AddMenu(QMenu* parent, const UnitMenu& menu) {
    QMenu* sub = parent->addMenu(QString::fromLatin1(menu.title));
    for (const UnitMenu& child : menu.subMenus)
        AddMenu(sub, child);
    for (const UnitMenu::Item& item : menu.items) {
        QAction* action = sub->addAction(QString::fromLatin1(item.text));
        action->setData(item.commandId);
    }
}

// While the search field has the focus, Up and Down move through the results
// of the menu and Enter chooses.
class SearchField : public QLineEdit {
public:
    explicit SearchField(QMenu* menu) : m_menu(menu) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) {
            QWidget* menu = m_menu;
            clearFocus();
            QKeyEvent move(QEvent::KeyPress, event->key(), event->modifiers());
            QCoreApplication::sendEvent(menu, &move);
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

private:
    QMenu* m_menu;
};

} // namespace

std::unique_ptr<QMenu> CreateUnitMenu(const UnitPickerMenu& picker, QWidget* parent) {
    auto menu = std::make_unique<QMenu>(parent);
    QMenu* m = menu.get();
    auto* search = new SearchField(m);
    search->setObjectName(QStringLiteral("unitSearch"));
    search->setPlaceholderText(QObject::tr("Search units"));
    search->setAccessibleName(QObject::tr("Search units"));
    search->setClearButtonEnabled(true);
    NameLineEditButtons(search);
    auto* searchAction = new QWidgetAction(m);
    searchAction->setDefaultWidget(search);
    m->addAction(searchAction);
    m->addSeparator();

    QList<QAction*> groups;
    for (const UnitMenu& group : picker.menus) {
        AddMenu(m, group);
        groups << m->actions().last();
    }
    // Typing shows the units whose name or class holds the text, as a flat
    // list in place of the groups.
    auto results = std::make_shared<QList<QAction*>>();
    QObject::connect(search, &QLineEdit::textChanged, m, [=, &picker](const QString& text) {
        qDeleteAll(*results);
        results->clear();
        const bool filtering = !text.isEmpty();
        for (QAction* group : groups)
            group->setVisible(!filtering);
        if (!filtering) return;
        const std::vector<int> ids = picker.Matching(FromQt(text));
        for (std::size_t i = 0; i < ids.size() && i < kMaxResults; ++i) {
            const UnitItem* unit = picker.UnitForCommand(ids[i]);
            QAction* result = m->addAction(
                QStringLiteral("%1  (%2)").arg(ToQt(unit->displayName), ToQt(unit->unitClass)));
            result->setData(ids[i]);
            *results << result;
        }
        if (ids.size() > kMaxResults) {
            QAction* more = m->addAction(QObject::tr("%1 more: type more to narrow the search")
                                             .arg(ids.size() - kMaxResults));
            more->setEnabled(false);
            *results << more;
        }
        if (ids.empty()) {
            QAction* none = m->addAction(QObject::tr("No unit matches"));
            none->setEnabled(false);
            *results << none;
        }
    });
    // Enter in the field chooses the highlighted result, else the first.
    QObject::connect(search, &QLineEdit::returnPressed, m, [m, results] {
        QAction* chosen = m->activeAction();
        if (!results->contains(chosen)) chosen = results->isEmpty() ? nullptr : results->first();
        if (!chosen || !chosen->isEnabled()) return;
        m->setProperty(kChosenProperty, chosen->data());
        m->close();
    });
    QObject::connect(m, &QMenu::aboutToShow, search, [search] {
        QTimer::singleShot(0, search, [search] { search->setFocus(Qt::PopupFocusReason); });
    });
    return menu;
}

int ChosenUnitCommand(QMenu* menu, QAction* triggered) {
    if (triggered) return triggered->data().toInt();
    return menu->property(kChosenProperty).toInt();
}

const UnitItem* TrackUnitMenu(const CUnitList& units, QWidget* button) {
    const UnitPickerMenu picker = units.BuildUnitMenu();
    std::unique_ptr<QMenu> menu = CreateUnitMenu(picker, button);
    QPoint corner = button->mapToGlobal(QPoint(button->width(), button->height()));
    corner.rx() -= menu->sizeHint().width(); // right-aligned under the button
    QAction* triggered = menu->exec(corner);
    return picker.UnitForCommand(ChosenUnitCommand(menu.get(), triggered));
}

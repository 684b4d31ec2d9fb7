#include "foundpartdelegate.h"

#include <QApplication>
#include <QPainter>
#include <QTreeWidgetItem>
#include <algorithm>

namespace {

constexpr int kStartRole = Qt::UserRole + 10;
constexpr int kLengthRole = Qt::UserRole + 11;

} // namespace

void CFoundPartDelegate::Mark(QTreeWidgetItem* item, int column, qsizetype start,
                              qsizetype length) {
    item->setData(column, kStartRole, start);
    item->setData(column, kLengthRole, length);
}

void CFoundPartDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const qsizetype length = index.data(kLengthRole).toLongLong();
    if (length <= 0) return QStyledItemDelegate::paint(painter, option, index);
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget)
                           .adjusted(2, 0, -2, 0); // the text's own margin
    const qsizetype start =
        std::clamp<qsizetype>(index.data(kStartRole).toLongLong(), 0, text.size());
    const QString before = text.left(start), found = text.mid(start, length),
                  after = text.mid(start + found.size());
    const QFontMetrics metrics(item.font);
    const bool selected = item.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        item.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    const QColor ink =
        item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    painter->save();
    painter->setFont(item.font);
    painter->setClipRect(area);
    int x = area.left();
    const int baseline = area.top() + (area.height() + metrics.ascent() - metrics.descent()) / 2;
    painter->setPen(ink);
    painter->drawText(x, baseline, before);
    x += metrics.horizontalAdvance(before);
    // The found part: on a marker's yellow, in bold, so that it shows also
    // on a selected row and to those who cannot tell the colours apart.
    QFont bold = item.font;
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const int boldWidth = boldMetrics.horizontalAdvance(found);
    painter->fillRect(QRect(x, area.top() + 1, boldWidth, area.height() - 2),
                      QColor(255, 230, 110));
    painter->setPen(Qt::black);
    painter->setFont(bold);
    painter->drawText(x, baseline, found);
    x += boldWidth;
    painter->setPen(ink);
    painter->setFont(item.font);
    painter->drawText(x, baseline, after);
    painter->restore();
}

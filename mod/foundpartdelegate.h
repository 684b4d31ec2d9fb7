#pragma once

#include <QStyledItemDelegate>

class QTreeWidgetItem;

// Draws a result's text with the part that was found marked, as the line
// of a Find in Files result or of a rename's preview shows it.
class CFoundPartDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Which part of the item's text in `column` to mark.
    static void Mark(QTreeWidgetItem* item, int column, qsizetype start, qsizetype length);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

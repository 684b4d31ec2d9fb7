#include "linegutter.h"

#include "syntaxedit.h"

#include <QHelpEvent>
#include <QToolTip>

CLineGutter::CLineGutter(CSyntaxEdit* edit) : QWidget(edit), m_edit(edit) {}

QSize CLineGutter::sizeHint() const {
    return {m_edit->GutterWidth(), 0};
}

void CLineGutter::paintEvent(QPaintEvent* event) {
    m_edit->PaintGutter(this, event->rect());
}

bool CLineGutter::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString mark = m_edit->MarkAt(help->pos().y());
        if (mark.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), mark, this);
        return true;
    }
    return QWidget::event(event);
}

#include "linegutter.h"

#include "syntaxedit.h"

#include <QHelpEvent>

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
        m_edit->ShowMarkTip(help->globalPos(), help->pos().y(), this);
        return true;
    }
    return QWidget::event(event);
}

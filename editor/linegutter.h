#pragma once

#include <QWidget>

class CSyntaxEdit;

// The line numbers beside the source text, with a mark on each line the
// report flags (its sentence as the tool tip).
class CLineGutter : public QWidget {
    Q_OBJECT

public:
    explicit CLineGutter(CSyntaxEdit* edit);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    CSyntaxEdit* m_edit;
};

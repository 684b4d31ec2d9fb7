#pragma once

#include <QUndoCommand>
#include <functional>

// An edit that exchanges a value of the document with one the command holds:
// the same exchange does the edit and undoes it. Changing a plan, a match or
// the start values, new priorities and a source edit saved back are all such
// exchanges.
class CSwapCommand : public QUndoCommand {
public:
    CSwapCommand(const QString& text, std::function<void()> swap)
        : QUndoCommand(text), m_swap(std::move(swap)) {}

    void redo() override { m_swap(); }
    void undo() override { m_swap(); }

private:
    std::function<void()> m_swap;
};

#pragma once

#include "zeqeditordoc.h"

#include <QUndoCommand>

// Adding or removing plans or matches: the records are either in the
// document or held here, with their places, and go back and forth as they
// are, so that later steps of the history still find them.
template <typename Entry> class CRecordsCommand : public QUndoCommand {
public:
    // New records, appended to the document's list.
    CRecordsCommand(CZeqEditorDoc& doc, const QString& text, Taken<Entry> added)
        : QUndoCommand(text), m_doc(doc), m_outside(std::move(added)), m_adding(true) {}
    // Records of the document, taken out.
    CRecordsCommand(CZeqEditorDoc& doc, const QString& text, std::vector<const Entry*> removed)
        : QUndoCommand(text), m_doc(doc), m_inside(std::move(removed)), m_adding(false) {}

    void redo() override { m_adding ? PutBack() : TakeOut(); }
    void undo() override { m_adding ? TakeOut() : PutBack(); }

private:
    void PutBack() {
        m_inside.clear();
        QList<const Entry*> shown;
        for (const auto& [index, entry] : m_outside) {
            m_inside.push_back(entry.get());
            shown.append(entry.get());
        }
        m_doc.Put(m_outside);
        m_outside.clear();
        Show(shown);
    }
    void TakeOut() {
        m_outside = m_doc.Take(m_inside);
        Show({});
    }
    void Show(const QList<const Entry*>& records) {
        if constexpr (std::is_same_v<Entry, PlanEntry>)
            m_doc.Select(records, {});
        else
            m_doc.Select({}, records);
    }

    CZeqEditorDoc& m_doc;
    Taken<Entry> m_outside;
    std::vector<const Entry*> m_inside;
    bool m_adding;
};

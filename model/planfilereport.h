#pragma once

#include "diagnostic.h"
#include "sectionfile.h"

#include <cstdint>
#include <string_view>
#include <unordered_set>
#include <vector>

class CPlanData;
class CPlanManager;
class CUnitList;
struct MatchEntry;
struct PlanEntry;
struct StartSection;

enum class FindingKind {
    Error,   // the text does not load at all
    Loss,    // File Open then File Save would not give it back
    Warning, // it reads differently from how it looks, or the catalogs do not know it
};

struct Finding : Diagnostic {
    FindingKind kind = FindingKind::Warning;
    bool planLost = false;             // a whole plan section is lost
    const PlanEntry* plan = nullptr;   // the plan it is about, in the model loaded
    const MatchEntry* match = nullptr; // the match it is about, in the model loaded
};

// What a plan file loses when the editor opens and saves it, each with its
// line and a plain sentence, and what reads differently from how it looks.
// The loader tells the report what it reads as it reads it; the report
// explains all that was left unread. With the catalogs, plan types,
// parameters and unit classes are checked against them too.
class CPlanFileReport {
public:
    explicit CPlanFileReport(const CPlanManager* planTypes = nullptr,
                             const CUnitList* units = nullptr)
        : m_planTypes(planTypes), m_units(units) {}

    // Loads the text into `data` (a model of its own when null) and reports
    // on it. False when the text does not parse: one Error finding says why.
    bool Check(std::string_view text, CPlanData* data = nullptr);

    // Findings in line order.
    const std::vector<Finding>& Findings() const { return m_findings; }
    // Whether saving would drop anything.
    bool LosesAnything() const;
    void Clear();
    // Points the findings at the records of `to` in place of those of `from`,
    // whose lists are in the same order (a saved model and its reload).
    void Rebind(const CPlanData& from, const CPlanData& to);

    // --- Told by the loader as it reads ---
    void Failed(const Diagnostic& error);
    void SectionRead(const SectionNode& section);
    void EntryRead(const EntryNode& entry);
    void TextRead(const EntryNode* entry, std::size_t limit, bool isUnitClass);
    void NumberRead(const EntryNode* entry, std::uint32_t max);
    void PlanDropped(const SectionNode& section, const EntryNode* type, const EntryNode* priority);
    void PlanRead(const PlanEntry& plan, const SectionNode& section);
    void MatchRead(const MatchEntry& match, const EntryNode& target);
    void CheatRead(const SectionNode& section, std::uint32_t amount, std::uint32_t delay);
    void StartRead(const SectionNode* section, const StartSection& start);
    // Everything left unread, and what the parser noted; sorts by line.
    void Finish(const CSectionFile& file);

private:
    Finding& Add(FindingKind kind, int line, std::string message);
    void UnreadSection(const SectionNode& section, bool repeated);
    void UnreadEntries(const SectionNode& section);
    void NotesOf(const ParseNotes& notes);

    const CPlanManager* m_planTypes;
    const CUnitList* m_units;
    std::vector<Finding> m_findings;
    std::unordered_set<const SectionNode*> m_sectionsRead;
    std::unordered_set<const EntryNode*> m_entriesRead;
};

#pragma once

#include "diagnostic.h"
#include "sectionfile.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class CPlanData;
class CPlanManager;
class CUnitList;
struct PlanParamDef;
struct MatchEntry;
struct PlanEntry;
struct StartSection;
struct UnitGroup;

enum class FindingKind : std::uint8_t {
    Error,   // the text does not load at all, or holds a merge left unresolved
    Loss,    // the canonical layout would not give it back (tidy reports only)
    Warning, // it reads differently from how it looks, is not read, or the catalogs do not know it
};

// 56 bytes: a large file has a hundred thousand, mostly of a few hundred
// sentences, which the report holds once each.
struct Finding {
    int line = 0;
    FindingKind kind = FindingKind::Warning;
    bool planLost = false; // a whole plan section is lost
    // The plain sentence, held by the report that made the finding.
    std::string_view message;
    // What kind of finding it is, in a word that stays from release to
    // release ("key-unknown", "number-too-large"...) for tools and filters.
    std::string_view code;
    const PlanEntry* plan = nullptr;   // the plan it is about, in the model loaded
    const MatchEntry* match = nullptr; // the match it is about, in the model loaded

    // Told as an error: an Error finding, or a whole plan lost.
    bool IsError() const;
};

// The code of the finding on a block between git's conflict markers.
constexpr std::string_view kMergeConflict = "merge-conflict";

// What in a plan file is not read, or reads differently from how it looks,
// each with its line and a plain sentence; a tidy report tells instead what
// the canonical layout (zeq fmt, Save Tidied) would not give back. The loader
// tells the report what it reads as it reads it; the report explains all
// that was left unread. With the catalogs, plan types, parameters and unit
// classes are checked against them too.
class CPlanFileReport {
public:
    enum class Mode { KeptLayout, Tidy };

    explicit CPlanFileReport(const CPlanManager* planTypes = nullptr,
                             const CUnitList* units = nullptr, Mode mode = Mode::KeptLayout)
        : m_planTypes(planTypes), m_units(units), m_tidy(mode == Mode::Tidy) {}
    // Findings view the sentences the report holds: a copy would view the
    // other's. A move keeps them where they are.
    CPlanFileReport(const CPlanFileReport&) = delete;
    CPlanFileReport& operator=(const CPlanFileReport&) = delete;
    CPlanFileReport(CPlanFileReport&&) = default;
    CPlanFileReport& operator=(CPlanFileReport&&) = default;

    // Loads the text into `data` and reports on it; without `data`, no model
    // is kept and the findings point at no record. False when the text does
    // not parse: one Error finding says why.
    bool Check(std::string_view text, CPlanData* data = nullptr);

    // Findings in line order.
    const std::deque<Finding>& Findings() const { return m_findings; }
    // Whether the canonical layout would drop anything (a tidy report).
    bool LosesAnything() const;
    void Clear();

    // --- Told by the loader as it reads ---
    // The text being read, which findings quote lines of; empty when done.
    void Reading(std::string_view text);
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
    // A load that keeps no plan tells, after each, which record it is: the
    // findings on it point there instead (nowhere for null).
    void PlanIs(const PlanEntry* read, const PlanEntry* record);
    // And which record each match read is, in order.
    void MatchesAre(const std::vector<const MatchEntry*>& read,
                    const std::vector<const MatchEntry*>& records);

private:
    // What is not read: a loss for a tidy report, else a warning.
    FindingKind Dropped() const;
    std::string Fate() const;
    Finding& Add(FindingKind kind, std::string_view code, int line, std::string message);
    void ParameterRead(const EntryNode& entry, const PlanParamDef& def, const PlanEntry& plan);
    void UnreadSection(const SectionNode& section, bool repeated);
    void UnreadEntries(const SectionNode& section);
    void NotesOf(const ParseNotes& notes);
    void Silence(const std::vector<ParseNotes::Ignore>& ignores);
    void SortByLine();
    // A unit class named on a line, for the check across factions.
    void UnitNamed(int line, std::string_view unitClass);
    static bool IsOwnUnitKey(std::string_view key);
    void FactionsMixed();
    void NeverBuilt();
    // A line (1-based) as the file holds it, in quotes, blanks and comment
    // included: what the user wrote, not what the parser kept of it.
    std::string AsWritten(int line);

    const CPlanManager* m_planTypes;
    const CUnitList* m_units;
    bool m_tidy;
    // A deque: a hundred thousand findings never held twice while the list
    // grows, nor a slack of a third of it.
    std::deque<Finding> m_findings;
    // Each distinct sentence once; a node's string stays where it is.
    std::unordered_set<std::string> m_messages;
    std::vector<const SectionNode*> m_sectionsRead;
    std::unordered_set<const EntryNode*> m_entriesRead;
    struct FactionUse {
        int line;
        std::string unitClass;
        const UnitGroup* faction;
    };
    std::vector<FactionUse> m_factionUses;
    // 24 bytes: a large file has tens of thousands, of a few classes, each
    // held once in m_waitedFor.
    struct UnitWait {
        int line;
        const std::string* unitClass;
        const PlanEntry* plan;
    };
    std::vector<UnitWait> m_waits, m_attackers; // Exists conditions; match attackers
    std::unordered_set<std::string> m_waitedFor;
    const std::string* WaitedFor(std::string unitClass);
    std::unordered_set<std::string> m_built; // folded classes plans build, and the start's
    std::size_t m_boundFindings = 0, m_boundWaits = 0; // those PlanIs has seen
    std::string_view m_text;                           // while Check runs
    // Of m_text, made when first asked; a text read is under 4 GB (files
    // under 2 GB, the language server's messages under 512 MB).
    std::vector<std::uint32_t> m_lineStarts;
};

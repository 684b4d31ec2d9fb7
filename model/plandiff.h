#pragma once

#include "plandata.h"

#include <string>
#include <utility>
#include <vector>

class CKeptLayout;

// One difference between two plan documents, in the document's own terms.
struct PlanChange {
    enum class Kind { Changed, Added, Removed };
    enum class Group { Start, Cheat, Matches, Plans, Text };

    Group group = Group::Start;
    Kind kind = Kind::Changed;
    // "[Start]", "[Cheat]", "match 'va_darter'", "plan 'Hold' (priority 200)",
    // "line 12"; a plan by its type and its priority now (or last).
    std::string record;
    std::string sectionBefore, sectionAfter; // a plan's section in each text: "Plan3"
    std::string field; // the key changed; empty when the record itself came or went
    std::string before, after;
    int line = 0; // the line of a text change, in the text it is in
};

// How the text of changes marks what goes and what comes (a terminal's
// colours); empty strings for plain text.
struct ChangeMarks {
    std::string record, removed, added, reset;
};

// The differences between two documents, as the editor loads them: the start
// and cheat values, the matches by target, and the plans matched by content
// (the same type and the most alike, then the nearest priority) rather than
// by section number, so that renumbering and reordering alone change nothing.
class CPlanDiff {
public:
    // The plans of a and b paired: (a's, b's) for each plan of both, with a
    // null for a plan of one alone; in b's order, then a's left over.
    using Pairs = std::vector<std::pair<const PlanEntry*, const PlanEntry*>>;
    static Pairs PairPlans(const PlanList& a, const PlanList& b);
    using MatchPairs = std::vector<std::pair<const MatchEntry*, const MatchEntry*>>;
    static MatchPairs PairMatches(const MatchList& a, const MatchList& b);

    // The layouts (when given) name the plans' sections and, for `text`,
    // tell what of each text the documents do not hold.
    void Compare(const CPlanData& a, const CPlanData& b, const CKeptLayout* layoutA = nullptr,
                 const CKeptLayout* layoutB = nullptr, bool text = false);
    const std::vector<PlanChange>& Changes() const { return m_changes; }
    // The changes as lines, grouped by record: a record's header, then one
    // indented line per changed field ("planPriority: 100 -> 200"); a record
    // that came or went is one line, "+ " or "- " before it.
    std::string Text(const ChangeMarks& marks = {}) const;

    // The fields of a plan as text, by key, as a plan file writes them:
    // planType, planPriority, the condition's keys, the flags and each
    // parameter (in order).
    static std::vector<std::pair<std::string, std::string>> Fields(const PlanEntry& plan);

    // The name each key of a record goes by when records are compared: the
    // key folded as lookups compare it, a repeat counted on after a blank
    // ("key 2"). A key never holds a blank, so no key as written (such as
    // "key#2") is taken for another's repeat.
    static std::vector<std::string> CountedNames(const std::vector<std::string>& keys);
    // A match's attackers as changes show them: "a", "b".
    static std::string AttackerNames(const std::vector<MatchAttacker>& attackers);

private:
    void CompareStart(const StartSection& a, const StartSection& b);
    void CompareMatches(const MatchList& a, const MatchList& b);
    void ComparePlans(const PlanList& a, const PlanList& b, const CKeptLayout* la,
                      const CKeptLayout* lb);
    void CompareText(const CKeptLayout& a, const CKeptLayout& b);

    std::vector<PlanChange> m_changes;
};

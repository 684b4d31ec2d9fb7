#pragma once

#include "plandata.h"

#include <string>
#include <vector>

// A record that both sides changed differently.
struct MergeConflict {
    std::string record; // as a diff names it: "[Start]", "match 'x'", "plan 'Hold' (priority 200)"
    std::string field;  // the field both changed; empty when one side removed the record
    std::string base, ours, theirs; // its values ("(none)" where a side has none)
    // Where it is in the merged document: a plan (null when the document
    // holds none), else the section: "Start", "Cheat" or "Match".
    const PlanEntry* plan = nullptr;
    std::string section;
};

// A three-way merge of plan documents by their records: what THEIRS changed
// from BASE is made in OURS, a field or a parameter at a time, with plans
// paired by content as a diff pairs them. A plan new on both sides stays
// twice unless the two are the same. Where both sides changed one field
// differently, the side given wins and a conflict is told.
class CPlanMerge {
public:
    enum class Winner { Ours, Theirs };

    // Edits `ours` in place (its records stay the same objects, so a kept
    // layout of it still knows them) and returns the conflicts in record
    // order: the same list for either winner.
    static std::vector<MergeConflict> Merge(const CPlanData& base, CPlanData& ours,
                                            const CPlanData& theirs, Winner winner = Winner::Ours);
};

#pragma once

#include "diagnostic.h"
#include "planmerge.h"

#include <string>
#include <vector>

// A three-way merge of plan-file texts, as git's merge driver makes it. Where
// git's own line merge is clean and reads as the merge by records, it is the
// result: every line of both sides as written. Else the records are merged
// into OURS's text with its layout kept (or the canonical one where that
// cannot hold them), a conflict marked around the record in git's way, and a
// line either side added that the result does not hold put back between
// conflict markers at the end: no line of either side is dropped unsaid.
struct TextMerge {
    bool loaded = false; // false: a text does not load (nothing merged)
    int unloaded = -1;   // which: 0 base, 1 ours, 2 theirs
    Diagnostic error;    // and why
    std::string text;    // the merged text
    std::vector<MergeConflict> conflicts;
    std::vector<std::string> sections; // each conflict's plan section in the text ("" for none)
    bool canonical = false;            // OURS's layout could not hold the merge
    bool leftOver = false;             // lines were put back between markers
    bool Clean() const { return loaded && conflicts.empty() && !leftOver; }
};

TextMerge MergeTexts(const std::string& base, const std::string& ours, const std::string& theirs);

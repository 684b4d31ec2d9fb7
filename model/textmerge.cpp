#include "textmerge.h"

#include "keptlayout.h"
#include "linediff.h"
#include "plandiff.h"
#include "sectionfile.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

// A text as a document and its kept layout; an empty text is no document.
bool LoadText(const std::string& text, CPlanData& data, CKeptLayout& kept, Diagnostic& error) {
    data.Clear();
    kept.Clear();
    if (text.empty()) return true;
    if (!data.LoadText(text, &error)) return false;
    if (kept.Map(text, data.plans.InOrder())) return true;
    error = {0, "the file does not read the same twice"}; // never expected
    return false;
}

// OURS merged with THEIRS, with the side that wins conflicts, and its text.
struct Side {
    CPlanData data;
    CKeptLayout kept;
    std::vector<MergeConflict> conflicts;
    std::string text;
    CKeptLayout written; // the text written, to find the records' lines in
};

// Merges and writes: with OURS's layout kept where it can be, else in the
// canonical layout.
bool MergeSide(const std::string& ours, const CPlanData& base, const CPlanData& theirs,
               CPlanMerge::Winner winner, Side& side, bool& canonical, Diagnostic& error) {
    if (!LoadText(ours, side.data, side.kept, error)) return false;
    side.conflicts = CPlanMerge::Merge(base, side.data, theirs, winner);
    std::vector<const PlanEntry*> order;
    canonical = !side.kept.IsMapped() || !side.kept.Write(side.data, side.text, &order);
    if (canonical) {
        side.text = side.data.Text();
        order = side.data.plans.SortedByPriority();
    }
    side.written.Map(side.text, order);
    return true;
}

// The line end a text mostly uses, for the lines a merge writes.
std::string EndOf(const std::string& text) {
    return text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
}

bool EndsLine(std::string_view text) {
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

std::pair<int, int> BlockOf(const Side& side, const MergeConflict& conflict) {
    if (conflict.plan) return side.written.BlockOf(conflict.plan);
    if (!conflict.section.empty()) return side.written.BlockOf(conflict.section);
    return {0, 0};
}

// Our text with git's conflict markers around each record in conflict: our
// lines of it, then theirs (our text as it is with theirs' values).
std::string MarkConflicts(const Side& mine, const Side& other) {
    const std::string eol = EndOf(mine.text);
    // Lines as the kept layout counts them (a lone CR ends one too).
    const auto ours = SplitLines(mine.text, true), theirs = SplitLines(other.text, true);
    // By our block (descending, so that replacing one leaves the lines above
    // in place); a record we do not hold goes at the end.
    std::map<std::pair<int, int>, std::pair<int, int>, std::greater<>> blocks;
    for (std::size_t i = 0; i < mine.conflicts.size() && i < other.conflicts.size(); ++i) {
        std::pair<int, int> at = BlockOf(mine, mine.conflicts[i]);
        if (at.first == 0) at = {int(ours.size()) + 1 + int(i), 0};
        blocks.emplace(at, BlockOf(other, other.conflicts[i]));
    }
    auto span = [&eol](const std::vector<std::string_view>& lines, std::pair<int, int> block) {
        std::string text;
        for (int line = block.first; line >= 1 && line <= block.second; ++line)
            if (std::size_t(line) <= lines.size()) text += lines[line - 1];
        if (!text.empty() && !EndsLine(text)) text += eol;
        return text;
    };
    std::vector<std::string> out(ours.begin(), ours.end());
    if (!out.empty() && !EndsLine(out.back())) out.back() += eol;
    for (const auto& [mineBlock, otherBlock] : blocks) {
        const bool held = mineBlock.second != 0 && mineBlock.first >= 1 &&
                          std::size_t(mineBlock.second) <= out.size();
        const std::string marked = std::string(kConflictOurs) + eol +
                                   (held ? span(ours, mineBlock) : "") +
                                   std::string(kConflictMiddle) + eol + span(theirs, otherBlock) +
                                   std::string(kConflictTheirs) + eol;
        if (!held) {
            out.push_back(marked);
            continue;
        }
        out.erase(out.begin() + mineBlock.first - 1, out.begin() + mineBlock.second);
        out.insert(out.begin() + mineBlock.first - 1, marked);
    }
    std::string text;
    for (const std::string& line : out)
        text += line;
    return text;
}

// The same document as a diff sees it (plans paired by content, matches in
// any order): what the record merge gives, the line merge must read as.
bool ReadsAs(const std::string& text, const CPlanData& merged) {
    CPlanData loaded;
    if (text.empty() || !loaded.LoadText(text)) return false;
    CPlanDiff diff;
    diff.Compare(loaded, merged);
    return diff.Changes().empty();
}

// The lines either side added that the merged text does not hold: a record
// merge writes records, and a comment or spacing it could not place would
// be lost. Each is put back between conflict markers at the end, each
// ending in `eol`.
std::string LinesLeftOut(const std::string& base, const std::string& ours,
                         const std::string& theirs, const std::string& merged,
                         const std::string& eol) {
    const auto lines = SplitLines(merged), baseLines = SplitLines(base);
    std::multiset<std::string_view> held(lines.begin(), lines.end());
    const std::multiset<std::string_view> was(baseLines.begin(), baseLines.end());
    std::string left;
    for (const std::string* side : {&ours, &theirs}) {
        std::multiset<std::string_view> before = was;
        for (std::string_view text : SplitLines(*side)) {
            if (const auto it = before.find(text); it != before.end()) {
                before.erase(it);
                continue;
            }
            if (const auto it = held.find(text); it != held.end()) {
                held.erase(it);
                continue;
            }
            if (text.find_first_not_of(" \t\f") == std::string_view::npos) continue;
            left.append(text).append(eol);
        }
    }
    return left;
}

} // namespace

TextMerge MergeTexts(const std::string& base, const std::string& ours, const std::string& theirs) {
    TextMerge result;
    CPlanData baseData, theirsData;
    CKeptLayout baseKept, theirsKept;
    // git gives an empty BASE when both sides added the file.
    const int failed = !LoadText(base, baseData, baseKept, result.error)         ? 0
                       : !LoadText(theirs, theirsData, theirsKept, result.error) ? 2
                                                                                 : -1;
    Side mine, other;
    bool otherCanonical = false;
    if (failed >= 0 ||
        !MergeSide(ours, baseData, theirsData, CPlanMerge::Winner::Ours, mine, result.canonical,
                   result.error) ||
        !MergeSide(ours, baseData, theirsData, CPlanMerge::Winner::Theirs, other, otherCanonical,
                   result.error)) {
        result.unloaded = failed >= 0 ? failed : 1;
        return result;
    }
    result.loaded = true;
    for (const MergeConflict& conflict : mine.conflicts)
        result.sections.push_back(conflict.plan ? mine.written.SectionOf(conflict.plan) : "");
    result.conflicts = mine.conflicts;
    if (!mine.conflicts.empty()) {
        result.text = MarkConflicts(mine, other);
        return result;
    }
    if (const auto lines = MergeLines(base, ours, theirs); lines && ReadsAs(*lines, mine.data)) {
        result.text = *lines;
        result.canonical = false;
        return result;
    }
    std::string& text = result.text = mine.text;
    const std::string eol = EndOf(text);
    const std::string left = LinesLeftOut(base, ours, theirs, text, eol);
    if (left.empty()) return result;
    if (!text.empty() && !EndsLine(text)) text += eol;
    text += std::string(kConflictOurs) + eol + std::string(kConflictMiddle) + eol + left +
            std::string(kConflictTheirs) + eol;
    result.leftOver = true;
    return result;
}

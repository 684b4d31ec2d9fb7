#include "textmerge.h"

#include "keptlayout.h"
#include "linediff.h"
#include "plandiff.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

// A text as a document and its kept layout; an empty text is no document.
bool LoadText(const std::string& text, CPlanData& data, CKeptLayout& kept) {
    data.Clear();
    kept.Clear();
    if (text.empty()) return true;
    return data.LoadText(text) && kept.Map(text, data.plans.InOrder());
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
               CPlanMerge::Winner winner, Side& side, bool& canonical) {
    if (!LoadText(ours, side.data, side.kept)) return false;
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

// The lines of a text, each with its line end, counted as the kept layout
// counts them (a lone CR ends a line too).
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::string_view line : LinesWithEnds(text))
        lines.emplace_back(line);
    return lines;
}

std::pair<int, int> BlockOf(const Side& side, const MergeConflict& conflict) {
    if (conflict.plan) return side.written.BlockOf(conflict.plan);
    if (!conflict.section.empty()) return side.written.BlockOf(conflict.section);
    return {0, 0};
}

// Our text with git's conflict markers around each record in conflict: our
// lines of it, then theirs (our text as it is with theirs' values).
std::string MarkConflicts(const Side& mine, const Side& other) {
    const std::string eol = mine.text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::vector<std::string> ours = Lines(mine.text), theirs = Lines(other.text);
    // By our block (descending, so that replacing one leaves the lines above
    // in place); a record we do not hold goes at the end.
    std::map<std::pair<int, int>, std::pair<int, int>, std::greater<>> blocks;
    for (std::size_t i = 0; i < mine.conflicts.size() && i < other.conflicts.size(); ++i) {
        std::pair<int, int> at = BlockOf(mine, mine.conflicts[i]);
        if (at.first == 0) at = {int(ours.size()) + 1 + int(i), 0};
        blocks.emplace(at, BlockOf(other, other.conflicts[i]));
    }
    auto span = [&eol](const std::vector<std::string>& lines, std::pair<int, int> block) {
        std::string text;
        for (int line = block.first; line >= 1 && line <= block.second; ++line)
            if (std::size_t(line) <= lines.size()) text += lines[line - 1];
        if (!text.empty() && text.back() != '\n') text += eol;
        return text;
    };
    std::vector<std::string> out = ours;
    if (!out.empty() && out.back().back() != '\n') out.back() += eol;
    for (const auto& [mineBlock, otherBlock] : blocks) {
        const bool held = mineBlock.second != 0 && mineBlock.first >= 1 &&
                          std::size_t(mineBlock.second) <= out.size();
        const std::string marked = "<<<<<<< ours" + eol + (held ? span(ours, mineBlock) : "") +
                                   "=======" + eol + span(theirs, otherBlock) + ">>>>>>> theirs" +
                                   eol;
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
// be lost. Each is put back between conflict markers at the end.
std::string LinesLeftOut(const std::string& base, const std::string& ours,
                         const std::string& theirs, const std::string& merged) {
    std::multiset<std::string_view> held;
    for (std::string_view line : LinesWithEnds(merged))
        held.insert(line.substr(0, line.find_first_of("\r\n")));
    std::multiset<std::string_view> was;
    for (std::string_view line : LinesWithEnds(base))
        was.insert(line.substr(0, line.find_first_of("\r\n")));
    std::string left;
    for (const std::string* side : {&ours, &theirs}) {
        std::multiset<std::string_view> before = was;
        for (std::string_view line : LinesWithEnds(*side)) {
            const std::string_view text = line.substr(0, line.find_first_of("\r\n"));
            if (const auto it = before.find(text); it != before.end()) {
                before.erase(it);
                continue;
            }
            if (const auto it = held.find(text); it != held.end()) {
                held.erase(it);
                continue;
            }
            if (text.find_first_not_of(" \t\f") == std::string_view::npos) continue;
            left.append(text).append("\n");
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
    if (!LoadText(base, baseData, baseKept) || !LoadText(theirs, theirsData, theirsKept))
        return result;
    Side mine, other;
    bool otherCanonical = false;
    if (!MergeSide(ours, baseData, theirsData, CPlanMerge::Winner::Ours, mine, result.canonical) ||
        !MergeSide(ours, baseData, theirsData, CPlanMerge::Winner::Theirs, other, otherCanonical))
        return result;
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
    result.text = mine.text;
    const std::string left = LinesLeftOut(base, ours, theirs, result.text);
    if (left.empty()) return result;
    std::string& text = result.text;
    const std::string eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::string marked = left;
    for (std::size_t at = 0; (at = marked.find('\n', at)) != std::string::npos; at += eol.size())
        marked.replace(at, 1, eol);
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') text += eol;
    text += "<<<<<<< ours" + eol + "=======" + eol + marked + ">>>>>>> theirs" + eol;
    result.leftOver = true;
    return result;
}

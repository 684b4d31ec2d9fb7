// zeq merge: a three-way merge of plan files by their records, for git's
// merge driver.

#include "commands.h"

#include "filebuffer.h"
#include "keptlayout.h"
#include "planmerge.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

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
    if (!LoadKept(ours, side.data, side.kept, true)) return false;
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

// The lines of a text, each with its line end.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
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
        const bool held = mineBlock.second != 0;
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

void SayConflict(const Side& side, const MergeConflict& c) {
    std::string text = "zeq: merge conflict: " + c.record;
    if (c.plan) text += " [" + side.written.SectionOf(c.plan) + "]";
    if (c.field.empty())
        text += ": ours " + c.ours + " it, theirs " + c.theirs + " it";
    else
        text += ": " + c.field + ": base " + c.base + ", ours " + c.ours + ", theirs " + c.theirs;
    std::fprintf(stderr, "%s\n", text.c_str());
}

} // namespace

int RunMerge(const std::string& base, const std::string& ours, const std::string& theirs,
             const std::string& out) {
    CPlanData baseData, theirsData;
    CKeptLayout baseKept, theirsKept;
    // git gives an empty BASE when both sides added the file.
    if (!LoadKept(base, baseData, baseKept, true) ||
        !LoadKept(theirs, theirsData, theirsKept, true))
        return 2;
    Side mine, other;
    bool canonical = false, otherCanonical = false;
    if (!MergeSide(ours, baseData, theirsData, CPlanMerge::Winner::Ours, mine, canonical) ||
        !MergeSide(ours, baseData, theirsData, CPlanMerge::Winner::Theirs, other, otherCanonical))
        return 2;
    if (canonical)
        std::fprintf(stderr,
                     "zeq: note: the merge is written in the canonical layout; %s's own "
                     "could not hold it\n",
                     ours.c_str());
    for (const MergeConflict& conflict : mine.conflicts)
        SayConflict(mine, conflict);
    const std::string text = mine.conflicts.empty() ? mine.text : MarkConflicts(mine, other);
    if (out.empty() || out == "-") {
        WriteOut(text);
    } else {
        CFileBuffer written;
        written.SetData(text);
        if (!written.SaveFile(out)) {
            ReportError(out, 0, written.LastError());
            return 2;
        }
    }
    return mine.conflicts.empty() ? 0 : 1;
}

// zeq merge: a three-way merge of plan files by their records, for git's
// merge driver.

#include "commands.h"
#include "filesave.h"

#include "textmerge.h"

#include <cstdio>

namespace {

void SayConflict(const MergeConflict& c, const std::string& section) {
    std::string text = "zeq: merge conflict: " + c.record;
    if (!section.empty()) text += " [" + section + "]";
    if (c.field.empty())
        text += ": ours " + c.ours + " it, theirs " + c.theirs + " it";
    else
        text += ": " + c.field + ": base " + c.base + ", ours " + c.ours + ", theirs " + c.theirs;
    std::fprintf(stderr, "%s\n", text.c_str());
}

} // namespace

int RunMerge(const std::string& base, const std::string& ours, const std::string& theirs,
             const std::string& out) {
    std::string baseText, oursText, theirsText;
    if (!ReadPlanText(base, baseText) || !ReadPlanText(ours, oursText) ||
        !ReadPlanText(theirs, theirsText))
        return 2;
    const TextMerge merge = MergeTexts(baseText, oursText, theirsText);
    if (!merge.loaded) {
        const std::string* files[] = {&base, &ours, &theirs};
        ReportError(*files[merge.unloaded], merge.error.line, merge.error.message);
        return 2;
    }
    if (merge.canonical)
        std::fprintf(stderr,
                     "zeq: note: the merge is written in the canonical layout; %s's own "
                     "could not hold it\n",
                     ours.c_str());
    for (std::size_t i = 0; i < merge.conflicts.size(); ++i)
        SayConflict(merge.conflicts[i], merge.sections[i]);
    if (merge.leftOver)
        std::fprintf(stderr, "zeq: merge conflict: lines the merge could not place are marked "
                             "at the end\n");
    if (out.empty() || out == "-") {
        WriteOut(merge.text);
    } else {
        if (std::string error; !SaveFileSafely(out, merge.text, error)) {
            ReportError(out, 0, error);
            return 2;
        }
    }
    return merge.Clean() ? 0 : 1;
}

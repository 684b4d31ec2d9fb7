// Diff and merge on any three texts (split at NUL bytes): merging a side that
// changed nothing gives the other side, either winner tells the same
// conflicts, and a merge without conflicts written with ours' layout loads
// as the merged document.
#include "keptlayout.h"
#include "plandiff.h"
#include "planmerge.h"
#include "textmerge.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>

namespace {

struct Doc {
    CPlanData data;
    CKeptLayout kept;
};

std::unique_ptr<Doc> Load(const std::string& text) {
    auto doc = std::make_unique<Doc>();
    if (!doc->data.LoadText(text)) return nullptr;
    if (!doc->kept.Map(text, doc->data.plans.InOrder())) std::abort();
    return doc;
}

bool Same(const CPlanData& a, const CPlanData& b) {
    CPlanDiff diff;
    diff.Compare(a, b);
    return diff.Changes().empty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    const std::size_t first = input.find('\0'), second = input.find('\0', first + 1);
    if (second == std::string::npos) return 0;
    const std::string texts[] = {input.substr(0, first),
                                 input.substr(first + 1, second - first - 1),
                                 input.substr(second + 1)};
    auto base = Load(texts[0]), theirs = Load(texts[2]);
    if (!base || !theirs) return 0;

    auto ours = Load(texts[1]), other = Load(texts[1]);
    if (!ours) return 0;
    const auto conflicts = CPlanMerge::Merge(base->data, ours->data, theirs->data);
    const auto otherConflicts =
        CPlanMerge::Merge(base->data, other->data, theirs->data, CPlanMerge::Winner::Theirs);
    if (conflicts.size() != otherConflicts.size()) std::abort();
    std::string written;
    if (conflicts.empty() && ours->kept.Write(ours->data, written)) {
        auto reloaded = Load(written);
        if (!reloaded || !Same(reloaded->data, ours->data)) std::abort();
    }

    // Nothing changed on one side: the merge is the other side.
    auto unchanged = Load(texts[0]);
    if (!CPlanMerge::Merge(base->data, unchanged->data, theirs->data).empty() ||
        !Same(unchanged->data, theirs->data))
        std::abort();
    auto mine = Load(texts[2]);
    if (!CPlanMerge::Merge(base->data, mine->data, base->data).empty() ||
        !Same(mine->data, theirs->data))
        std::abort();

    // The driver gives a side back byte for byte where the other changed
    // nothing, and a clean merge loads.
    for (const auto& [b, o, t, want] :
         {std::tuple{0, 1, 0, 1}, std::tuple{0, 0, 2, 2}, std::tuple{0, 2, 2, 2}}) {
        const TextMerge merge = MergeTexts(texts[b], texts[o], texts[t]);
        if (!merge.Clean() || merge.text != texts[want]) std::abort();
    }
    const TextMerge merge = MergeTexts(texts[0], texts[1], texts[2]);
    if (merge.Clean() && !Load(merge.text) && !merge.text.empty()) std::abort();
    return 0;
}

#include "linediff.h"

#include "entryline.h"
#include "subsequence.h"

#include <vector>

namespace {

// Past this many pairs of lines the middle is taken as replaced whole.
constexpr std::size_t kMostPairs = 4'000'000;

// The steps from `a` to `b` (lines of `a` and `b`). What both begin and end
// with is kept; past kMostPairs the middle is all gone, then all new.
std::vector<SubsequenceStep> Steps(const std::vector<std::string_view>& a,
                                   const std::vector<std::string_view>& b) {
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const std::size_t n = a.size() - head - tail, m = b.size() - head - tail;
    std::vector<SubsequenceStep> steps;
    for (std::size_t i = 0; i < head; ++i)
        steps.push_back({' ', i, i});
    if (n * m <= kMostPairs) {
        for (SubsequenceStep step : CommonSubsequence(
                 n, m, [&](std::size_t i, std::size_t j) { return a[head + i] == b[head + j]; }))
            steps.push_back({step.kind, head + step.first, head + step.second});
    } else {
        for (std::size_t i = 0; i < n; ++i)
            steps.push_back({'-', head + i, head});
        for (std::size_t j = 0; j < m; ++j)
            steps.push_back({'+', head + n, head + j});
    }
    for (std::size_t t = tail; t-- > 0;)
        steps.push_back({' ', a.size() - 1 - t, b.size() - 1 - t});
    return steps;
}

} // namespace

std::vector<std::string_view> SplitLines(std::string_view text, bool withEnds) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = LineEndFrom(text, at);
        const std::size_t next = end + LineBreakAt(text, end);
        lines.push_back(text.substr(at, (withEnds ? next : end) - at));
        at = next;
    }
    return lines;
}

std::string LineDiff(std::string_view before, std::string_view after) {
    const auto a = SplitLines(before), b = SplitLines(after);
    const std::vector<SubsequenceStep> steps = Steps(a, b);
    // Runs of changes with a line of context on each side.
    std::string out;
    for (std::size_t s = 0; s < steps.size();) {
        if (steps[s].kind == ' ') {
            ++s;
            continue;
        }
        const std::size_t first = steps[s].first;
        out += "@@ line " + std::to_string(first + 1) + "\n";
        if (first > 0) out.append("  ").append(a[first - 1]).append("\n");
        for (; s < steps.size() && steps[s].kind != ' '; ++s)
            out.append(1, steps[s].kind)
                .append(" ")
                .append(steps[s].kind == '-' ? a[steps[s].first] : b[steps[s].second])
                .append("\n");
        const std::size_t next = s < steps.size() ? steps[s].first : a.size();
        if (next < a.size()) out.append("  ").append(a[next]).append("\n");
    }
    return out;
}

std::optional<std::string> MergeLines(std::string_view base, std::string_view ours,
                                      std::string_view theirs) {
    if (ours == theirs || theirs == base) return std::string(ours);
    if (ours == base) return std::string(theirs);
    const auto b = SplitLines(base, true), o = SplitLines(ours, true), t = SplitLines(theirs, true);
    // For each base line, the line of a side it is kept as (npos: none).
    constexpr std::size_t npos = std::string_view::npos;
    auto keptAs = [&b](const std::vector<std::string_view>& side) {
        std::vector<std::size_t> kept(b.size(), std::string_view::npos);
        for (const SubsequenceStep& step : Steps(b, side))
            if (step.kind == ' ') kept[step.first] = step.second;
        return kept;
    };
    const std::vector<std::size_t> inOurs = keptAs(o), inTheirs = keptAs(t);
    std::string merged;
    auto join = [](const std::vector<std::string_view>& lines, std::size_t from, std::size_t to) {
        std::string text;
        for (std::size_t i = from; i < to; ++i)
            text += lines[i];
        return text;
    };
    // Between two base lines that both sides kept, each side's run of lines.
    std::size_t bi = 0, oi = 0, ti = 0;
    for (std::size_t i = 0; i <= b.size(); ++i) {
        const bool end = i == b.size();
        if (!end && (inOurs[i] == npos || inTheirs[i] == npos)) continue;
        const std::size_t oe = end ? o.size() : inOurs[i], te = end ? t.size() : inTheirs[i];
        const std::string was = join(b, bi, i), mine = join(o, oi, oe), other = join(t, ti, te);
        if (mine == was || mine == other)
            merged += other;
        else if (other == was)
            merged += mine;
        else
            return std::nullopt;
        if (end) break;
        merged += o[oe];
        bi = i + 1, oi = oe + 1, ti = te + 1;
    }
    return merged;
}

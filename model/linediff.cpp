#include "linediff.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return lines;
}

// Past this many pairs of lines the middle is shown as replaced whole.
constexpr std::size_t kMostPairs = 4'000'000;

} // namespace

std::string LineDiff(std::string_view before, std::string_view after) {
    const auto a = Lines(before), b = Lines(after);
    // What both begin and end with is the same; the middle is compared.
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const std::size_t n = a.size() - head - tail, m = b.size() - head - tail;
    if (n == 0 && m == 0) return {};

    // Each line of the middle: ' ' kept, '-' gone, '+' new, with its line in a.
    struct Step {
        char kind;
        std::size_t line;
        std::string_view text;
    };
    std::vector<Step> steps;
    if (n * m <= kMostPairs) {
        std::vector<std::vector<unsigned>> common(n + 1, std::vector<unsigned>(m + 1, 0));
        for (std::size_t i = n; i-- > 0;)
            for (std::size_t j = m; j-- > 0;)
                common[i][j] = a[head + i] == b[head + j]
                                   ? common[i + 1][j + 1] + 1
                                   : std::max(common[i + 1][j], common[i][j + 1]);
        for (std::size_t i = 0, j = 0; i < n || j < m;) {
            if (i < n && j < m && a[head + i] == b[head + j]) {
                steps.push_back({' ', head + i, a[head + i]});
                ++i, ++j;
            } else if (j == m || (i < n && common[i + 1][j] >= common[i][j + 1])) {
                steps.push_back({'-', head + i, a[head + i]});
                ++i;
            } else {
                steps.push_back({'+', head + i, b[head + j++]});
            }
        }
    } else {
        for (std::size_t i = 0; i < n; ++i)
            steps.push_back({'-', head + i, a[head + i]});
        for (std::size_t j = 0; j < m; ++j)
            steps.push_back({'+', head + n, b[head + j]});
    }

    // Runs of changes with a line of context on each side.
    std::string out;
    for (std::size_t s = 0; s < steps.size();) {
        if (steps[s].kind == ' ') {
            ++s;
            continue;
        }
        const std::size_t first = steps[s].line;
        out += "@@ line " + std::to_string(first + 1) + "\n";
        if (first > 0) out.append("  ").append(a[first - 1]).append("\n");
        for (; s < steps.size() && steps[s].kind != ' '; ++s)
            out.append(1, steps[s].kind).append(" ").append(steps[s].text).append("\n");
        const std::size_t next = s < steps.size() ? steps[s].line : head + n;
        if (next < a.size()) out.append("  ").append(a[next]).append("\n");
    }
    return out;
}

std::vector<std::string_view> LinesWithEnds(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        if (end < text.size()) end += text.substr(end, 2) == "\r\n" ? 2 : 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

namespace {

// For each line of `a`, the line of `b` it is kept as (a longest common
// subsequence), npos for one not kept; nothing when too large to compare.
std::optional<std::vector<std::size_t>> KeptAs(const std::vector<std::string_view>& a,
                                               const std::vector<std::string_view>& b) {
    constexpr std::size_t npos = std::string_view::npos;
    std::vector<std::size_t> kept(a.size(), npos);
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) {
        kept[head] = head;
        ++head;
    }
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
        kept[a.size() - 1 - tail] = b.size() - 1 - tail;
        ++tail;
    }
    const std::size_t n = a.size() - head - tail, m = b.size() - head - tail;
    if (n * m > kMostPairs) return std::nullopt;
    std::vector<std::vector<unsigned>> common(n + 1, std::vector<unsigned>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            common[i][j] = a[head + i] == b[head + j]
                               ? common[i + 1][j + 1] + 1
                               : std::max(common[i + 1][j], common[i][j + 1]);
    for (std::size_t i = 0, j = 0; i < n && j < m;) {
        if (a[head + i] == b[head + j])
            kept[head + i++] = head + j++;
        else if (common[i + 1][j] >= common[i][j + 1])
            ++i;
        else
            ++j;
    }
    return kept;
}

} // namespace

std::optional<std::string> MergeLines(std::string_view base, std::string_view ours,
                                      std::string_view theirs) {
    if (ours == theirs || theirs == base) return std::string(ours);
    if (ours == base) return std::string(theirs);
    const auto b = LinesWithEnds(base), o = LinesWithEnds(ours), t = LinesWithEnds(theirs);
    const auto inOurs = KeptAs(b, o), inTheirs = KeptAs(b, t);
    if (!inOurs || !inTheirs) return std::nullopt;
    constexpr std::size_t npos = std::string_view::npos;
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
        if (!end && ((*inOurs)[i] == npos || (*inTheirs)[i] == npos)) continue;
        const std::size_t oe = end ? o.size() : (*inOurs)[i], te = end ? t.size() : (*inTheirs)[i];
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

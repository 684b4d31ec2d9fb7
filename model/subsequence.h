#pragma once

// The steps from one sequence to another that keep a longest common
// subsequence of them: what a line diff, a merge and the kept layout's
// rewriting of a record's keys all walk.

#include <algorithm>
#include <cstddef>
#include <vector>

struct SubsequenceStep {
    char kind; // ' ': kept, '-': only in the first, '+': only in the second
    // Its place in the first sequence (for '+', the item it comes before)
    // and in the second (for '-', the item it comes before).
    std::size_t first, second;
};

// `same(i, j)`: whether item i of the first (of n) is item j of the second
// (of m). Takes n * m counts of memory: callers bound it.
template <typename Same>
std::vector<SubsequenceStep> CommonSubsequence(std::size_t n, std::size_t m, Same same) {
    std::vector<std::vector<unsigned>> common(n + 1, std::vector<unsigned>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            common[i][j] = same(i, j) ? common[i + 1][j + 1] + 1
                                      : std::max(common[i + 1][j], common[i][j + 1]);
    std::vector<SubsequenceStep> steps;
    for (std::size_t i = 0, j = 0; i < n || j < m;) {
        if (i < n && j < m && same(i, j))
            steps.push_back({' ', i++, j++});
        else if (j == m || (i < n && common[i + 1][j] >= common[i][j + 1]))
            steps.push_back({'-', i++, j});
        else
            steps.push_back({'+', i, j++});
    }
    return steps;
}

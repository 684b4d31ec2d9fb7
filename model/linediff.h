#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The lines that differ between two texts, as "-" (only in `before`) and "+"
// (only in `after`) lines, each run of changes headed by "@@ line N" (its
// first line in `before`) with a line of context around it; empty when the
// texts have the same lines. Line ends of any kind count as one.
std::string LineDiff(std::string_view before, std::string_view after);

// Three texts' lines merged as git merges them: each run of lines that one
// side changed from `base` is taken from that side, where the other left it
// as it was (or made the same change). Nothing when both changed the same
// run differently. Lines keep their own line ends.
std::optional<std::string> MergeLines(std::string_view base, std::string_view ours,
                                      std::string_view theirs);

// The lines of `text` (CR LF, a lone LF and a lone CR each end one), with
// their line ends or without.
std::vector<std::string_view> SplitLines(std::string_view text, bool withEnds = false);

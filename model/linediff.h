#pragma once

#include <string>
#include <string_view>

// The lines that differ between two texts, as "-" (only in `before`) and "+"
// (only in `after`) lines, each run of changes headed by "@@ line N" (its
// first line in `before`) with a line of context around it; empty when the
// texts have the same lines. Line ends of any kind count as one.
std::string LineDiff(std::string_view before, std::string_view after);

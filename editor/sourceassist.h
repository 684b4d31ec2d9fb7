#pragma once

// What the source editor knows of the text around the caret, without widgets:
// the partner of a bracket or quote, and what may be typed next.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CPlanManager;
class CUnitList;

// The partner of the bracket or quote at `pos` of one line: '[' and ']' pair
// up with nesting; a quote opens a text that the next quote of either kind
// closes, as the format reads it. Nothing when there is none.
std::optional<std::size_t> PartnerOf(std::string_view line, std::size_t pos);

struct Completion {
    std::string text;   // what is inserted
    std::string detail; // what it is (a display name, a parameter's kind)
};

// Where the caret stands: the section it is in (by name, and a plan
// section's planType), and the line up to the caret.
struct CompletionPlace {
    std::string section;
    std::string planType;
    std::string lineBefore;
    unsigned long freePlanNumber = 1; // for a new plan section's header
};

// What may be typed at that place: at the start of a line a section header
// or a key of the section (a plan's own keys and its type's parameters);
// after '=' the unit classes, for keys that take one, or the condition kinds.
// Only those that begin with what the line already holds, ASCII case ignored.
std::vector<Completion> CompletionsAt(const CompletionPlace& place, const CPlanManager* planTypes,
                                      const CUnitList* units);
// The text a completion replaces: what the line holds of it so far.
std::string_view CompletionPrefix(std::string_view lineBefore);

#pragma once

// What the source editor knows of the text around the caret, without widgets:
// the partner of a bracket or quote, and what may be typed next.

#include <algorithm>
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

// The place of a byte offset in a plan file's text: the nearest header above
// names the section, a planType line of that section its type; the lowest
// free plan number is looked for when the line so far starts a header.
CompletionPlace PlaceAt(std::string_view text, std::size_t offset);
// The lowest plan number no header of the text uses: it also fills a gap
// that would stop the scan past Plan256.
unsigned long FreePlanNumber(std::string_view text);
// The name of a header line, blanks dropped as the parser drops them; empty
// for other lines.
std::string HeaderNameOf(std::string_view line);
// Calls `each(line, start)` for each line of the text, without its line end
// (CR LF, LF or CR), with the offset where it starts.
template <typename Each> void ForEachLine(std::string_view text, Each each) {
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        each(text.substr(at, end - at), at);
        if (end == text.size()) break;
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class CPlanData;
class CPlanManager;
struct PlanEntry;

// Renames unit classes across a document, one class or a whole mapping at
// once (every iu_ unit to its va_ counterpart, to port an AI to the other
// faction). The places a unit class stands are [Start]'s classes, the match
// targets and attackers, the plan conditions and the text parameters that
// take a unit class by the plan-type catalog; nothing else is touched. A
// mapping is applied in one pass, so a -> b and b -> a swap.
class CUnitClassRename {
public:
    // False, with `error` said, for a name a plan file cannot hold as a unit
    // class, or an old name given twice.
    bool Add(std::string_view from, std::string_view to, std::string& error);
    // Pairs "OLD=NEW", one a line (blanks around '=' allowed); blank lines
    // and lines starting with // or # are passed over. The error names the
    // line (1-based) in `errorLine`.
    bool AddPairs(std::string_view lines, std::string& error, int* errorLine = nullptr);
    bool AddPair(std::string_view pair, std::string& error);
    bool Empty() const { return m_renames.empty(); }
    // The pairs, by the old name ASCII case folded.
    const std::map<std::string, std::string>& Pairs() const { return m_renames; }

    struct Change {
        const PlanEntry* plan = nullptr; // null outside the plans
        std::string where;               // "consClass", "target 2", "attacker 2.1", a key
        std::string before, after;
    };
    // Renames in `data` and tells what changed, in the document's order.
    std::vector<Change> Apply(CPlanData& data, const CPlanManager* planTypes) const;
    // The new name for a class; empty when it is not renamed.
    std::string RenamedTo(std::string_view unitClass) const;

    // Where a plan file's text names unit classes, by the same rule: each
    // value's line (1-based) and its bytes in the line, quotes left out.
    struct Use {
        int line = 0;
        std::size_t start = 0, end = 0; // in the line
        std::size_t offset = 0;         // of `start` in the text
        std::string unitClass, section, key;
    };
    static std::vector<Use> Uses(std::string_view text, const CPlanManager* planTypes);

    // The text with each of `uses` (of that text, in its order) renamed to
    // its new name: only the values' own bytes change.
    std::string Rewrite(std::string_view text, const std::vector<Use>& uses) const;

private:
    std::map<std::string, std::string> m_renames; // by the old name, ASCII case folded
};

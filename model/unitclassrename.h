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
    bool Empty() const { return m_renames.empty(); }

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
        std::size_t start = 0, end = 0;
        std::string unitClass, section, key;
    };
    static std::vector<Use> Uses(std::string_view text, const CPlanManager* planTypes);

private:
    std::map<std::string, std::string> m_renames; // by the old name, ASCII case folded
};

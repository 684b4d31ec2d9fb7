#pragma once

#include "planlimits.h"
#include "records.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct MatchAttacker {
    std::string unitClass;

    bool operator==(const MatchAttacker&) const = default;
};

// One target unit class with the attacker classes that answer it, in order.
struct MatchEntry {
    std::string unitClass;
    std::vector<MatchAttacker> attackers;

    bool operator==(const MatchEntry&) const = default;
};

// The targets of the [Match] section in the order they were added, which is
// the order of their numbered keys on load and on save.
class MatchList {
public:
    using Entries = std::vector<std::unique_ptr<MatchEntry>>;

    // An empty class still gives an entry, with an empty class.
    MatchEntry* AddTarget(std::string_view unitClass);
    // Null for a null entry. The pointer lasts until the entry's next attacker change.
    static MatchAttacker* AddAttacker(MatchEntry* entry, std::string_view unitClass);
    static void SetTargetClass(MatchEntry* entry, std::string_view unitClass);
    static void ClearAttackers(MatchEntry* entry);
    // Unlinks the entry and hands it over; dropping the result frees it.
    std::unique_ptr<MatchEntry> RemoveTarget(const MatchEntry* entry);
    // A match as the list keeps it (classes cut to what a plan file holds).
    static std::unique_ptr<MatchEntry> MakeMatch(const MatchEntry& match);
    // Takes matches out with their places, and puts them back there.
    Taken<MatchEntry> Take(const std::vector<const MatchEntry*>& matches);
    std::vector<MatchEntry*> Put(Taken<MatchEntry>& matches);
    void Clear() { m_entries.clear(); }
    std::uint32_t CountMatches() const { return static_cast<std::uint32_t>(m_entries.size()); }

    const Entries& All() const { return m_entries; }

private:
    Entries m_entries;
};

#include "matchlist.h"

#include "textvalues.h"

#include <algorithm>

MatchEntry* MatchList::AddTarget(std::string_view unitClass) {
    auto entry = std::make_unique<MatchEntry>();
    entry->unitClass = FieldText(unitClass, kUnitClassLimit);
    m_entries.push_back(std::move(entry));
    return m_entries.back().get();
}

MatchAttacker* MatchList::AddAttacker(MatchEntry* entry, std::string_view unitClass) {
    if (!entry) return nullptr;
    entry->attackers.push_back({FieldText(unitClass, kUnitClassLimit)});
    return &entry->attackers.back();
}

void MatchList::SetTargetClass(MatchEntry* entry, std::string_view unitClass) {
    if (entry) entry->unitClass = FieldText(unitClass, kUnitClassLimit);
}

void MatchList::ClearAttackers(MatchEntry* entry) {
    if (entry) entry->attackers.clear();
}

std::unique_ptr<MatchEntry> MatchList::RemoveTarget(const MatchEntry* entry) {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [entry](const auto& e) { return e.get() == entry; });
    if (!entry || it == m_entries.end()) return nullptr;
    std::unique_ptr<MatchEntry> removed = std::move(*it);
    m_entries.erase(it);
    return removed;
}

std::unique_ptr<MatchEntry> MatchList::MakeMatch(const MatchEntry& match) {
    auto entry = std::make_unique<MatchEntry>();
    SetTargetClass(entry.get(), match.unitClass);
    for (const MatchAttacker& attacker : match.attackers)
        AddAttacker(entry.get(), attacker.unitClass);
    return entry;
}

Taken<MatchEntry> MatchList::Take(const std::vector<const MatchEntry*>& matches) {
    return TakeRecords(m_entries, matches);
}

std::vector<MatchEntry*> MatchList::Put(Taken<MatchEntry>& matches) {
    return PutRecords(m_entries, matches);
}

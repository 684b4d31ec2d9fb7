#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

// Records taken out of a list, each with the place it had, in list order:
// putting them back restores the very same records where they were.
template <typename T> using Taken = std::vector<std::pair<std::size_t, std::unique_ptr<T>>>;

// Takes the given records out of the list in one pass.
template <typename T>
Taken<T> TakeRecords(std::vector<std::unique_ptr<T>>& list, const std::vector<const T*>& records) {
    const std::unordered_set<const T*> wanted(records.begin(), records.end());
    Taken<T> taken;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (wanted.count(list[i].get()))
            taken.emplace_back(i, std::move(list[i]));
        else
            list[kept++] = std::move(list[i]);
    }
    list.resize(kept);
    return taken;
}

// Puts records back at their places (taken in list order), in one pass;
// returns them.
template <typename T>
std::vector<T*> PutRecords(std::vector<std::unique_ptr<T>>& list, Taken<T>& records) {
    std::vector<std::unique_ptr<T>> merged;
    merged.reserve(list.size() + records.size());
    std::vector<T*> put;
    auto next = list.begin();
    for (auto& [index, record] : records) {
        while (merged.size() < index && next != list.end())
            merged.push_back(std::move(*next++));
        put.push_back(record.get());
        merged.push_back(std::move(record));
    }
    std::move(next, list.end(), std::back_inserter(merged));
    list = std::move(merged);
    records.clear();
    return put;
}

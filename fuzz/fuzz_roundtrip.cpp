// What loads saves to text that loads again, always; and saving what was
// saved changes nothing, except where the format itself keeps changing it:
// a plan section that repeats a known key, or quote characters inside a text.
#include "plandata.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <set>

namespace {

bool HasInnerQuote(std::string_view s) {
    while (!s.empty() && (s.front() == '"' || s.front() == '\''))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == '"' || s.back() == '\''))
        s.remove_suffix(1);
    return s.find_first_of("\"'") != std::string_view::npos;
}

bool KeepsChanging(std::string_view text) {
    CSectionFile file;
    if (!file.ParseText(text)) return false;
    constexpr std::array<std::string_view, 7> kKnown = {
        "planType",           "planPriority",  "planCondition", "planConditionClass",
        "planConditionCount", "buildIfNoIdle", "doNextOnFail"};
    for (const auto& section : file.Sections()) {
        if (section->name.find_first_of("\"'") != std::string::npos) return true;
        std::set<std::string_view> seen;
        for (const EntryNode& entry : section->entries) {
            if (entry.key.find_first_of("\"'") != std::string::npos || HasInnerQuote(entry.value))
                return true;
            for (std::string_view known : kKnown)
                if (NamesEqual(known, entry.key) && !seen.insert(known).second) return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string first, second, third;
    if (!FormatPlanText(text, first)) return 0;
    if (!FormatPlanText(first, second)) std::abort(); // saved text must load again
    if (!FormatPlanText(second, third)) std::abort();
    if (third != second && !KeepsChanging(first)) std::abort();
    return 0;
}

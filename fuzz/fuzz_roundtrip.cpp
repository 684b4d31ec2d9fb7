// What loads saves to text that loads again, always; and saving what was
// saved changes nothing, except where the format itself keeps changing it:
// a plan section that repeats a known key, or a key with a quote character
// (its blanks are kept inside the quotes and grow on every save).
#include "plandata.h"
#include "planformat.h"

#include <cstdint>
#include <cstdlib>
#include <set>

namespace {

bool KeepsChanging(std::string_view text) {
    CSectionFile file;
    if (!file.ParseText(text)) return false;
    for (const auto& section : file.Sections()) {
        std::set<std::string_view> seen;
        for (const EntryNode& entry : section.entries) {
            if (entry.key.find_first_of("\"'") != std::string::npos) return true;
            for (std::string_view known : kPlanKeys)
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

// What loads saves to text that loads again, always; and saving what was
// saved changes nothing. Formatting reads the text plan by plan, and tells
// its report what a whole read tells.
#include "plandata.h"
#include "planfilereport.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string first, second;
    // Formatting fails only where the text does not load; `first` is made
    // plan by plan, each plan read again from its own lines, and must be
    // what a save of the whole model writes.
    CPlanData model;
    CPlanFileReport whole(nullptr, nullptr, CPlanFileReport::Mode::Tidy),
        byPlan(nullptr, nullptr, CPlanFileReport::Mode::Tidy);
    const bool loads = model.LoadText(text, nullptr, &whole);
    if (FormatPlanText(text, first, nullptr, &byPlan) != loads) std::abort();
    if (whole.Findings().size() != byPlan.Findings().size()) std::abort();
    for (std::size_t i = 0; i < whole.Findings().size(); ++i) {
        const Finding &a = whole.Findings()[i], &b = byPlan.Findings()[i];
        if (a.line != b.line || a.code != b.code || a.message != b.message) std::abort();
    }
    if (!loads) return 0;
    if (model.Text() != first) std::abort();
    if (!FormatPlanText(first, second)) std::abort(); // saved text must load again
    if (second != first) std::abort();
    return 0;
}

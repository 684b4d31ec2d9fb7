// What loads saves to text that loads again, always; and saving what was
// saved changes nothing.
#include "plandata.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string first, second;
    // Formatting fails only where the text does not load; `first` is made
    // plan by plan, each plan read again from its own lines, and must be
    // what a save of the whole model writes.
    CPlanData model;
    const bool loads = model.LoadText(text);
    if (FormatPlanText(text, first) != loads) std::abort();
    if (!loads) return 0;
    if (model.Text() != first) std::abort();
    if (!FormatPlanText(first, second)) std::abort(); // saved text must load again
    if (second != first) std::abort();
    return 0;
}

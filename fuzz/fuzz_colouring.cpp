// The colouring scan gives ordered, non-overlapping tokens inside the text.
#include "syntaxscan.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t end = 0;
    for (const ColourRun& run : ScanColours(text)) {
        if (run.start < end || run.length == 0 || run.start + run.length > size) std::abort();
        end = run.start + run.length;
    }
    return 0;
}

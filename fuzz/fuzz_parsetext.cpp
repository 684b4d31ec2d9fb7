// Any text either fails to parse or gives a tree whose written text parses.
#include "sectionfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CSectionFile file;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!file.ParseText(text)) {
        // Only an empty text is refused as a whole, without a line.
        if (file.LastError().line < 1 && size != 0) std::abort();
        return 0;
    }
    const std::string written = file.WriteText();
    CSectionFile again;
    if (!written.empty() && !again.ParseText(written)) std::abort();
    return 0;
}

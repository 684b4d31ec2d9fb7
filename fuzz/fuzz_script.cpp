// Definition files of any content load or fail with a code, and the catalog
// walks of whatever tree they give stay in bounds.
#include "script.h"

#include <cstdint>
#include <cstdlib>

namespace {

std::size_t Count(const CScript::NodeList& nodes) {
    std::size_t n = 0;
    for (const auto& node : nodes) {
        n += 1 + node->parameters.size() + node->properties.size() + Count(node->children);
        for (const auto& p : node->properties) {
            CScript::GetInt(&p, 0);
            CScript::GetBool(&p, false);
            CScript::GetColor(&p, 0);
        }
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CScript script;
    const bool ok = script.LoadText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!ok && script.LastError().line < 1 && size != 0) std::abort(); // empty: no line
    if (ok && script.ErrorCode() != 0) std::abort();
    Count(script.Nodes());
    return 0;
}

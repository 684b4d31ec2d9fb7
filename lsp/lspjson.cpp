#include "lspjson.h"

#include "codepage.h"

namespace lsp {

std::string Utf8(std::string_view bytes) {
    // Valid UTF-8 stays; otherwise each byte is its character on Windows.
    return IsUtf8(bytes) ? std::string(bytes) : Utf8FromBytes(bytes);
}

KeyValue SplitLine(std::string_view line) {
    KeyValue kv;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    // A comment starts at "//" outside quotes.
    std::size_t end = line.size();
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"' || line[i] == '\'') quoted = !quoted;
        if (!quoted && line.compare(i, 2, "//") == 0) {
            end = i;
            break;
        }
    }
    kv.equals = line.substr(0, end).find('=');
    if (kv.equals == std::string_view::npos) return kv;
    kv.keyStart = 0;
    while (kv.keyStart < kv.equals && blank(line[kv.keyStart]))
        ++kv.keyStart;
    kv.keyEnd = kv.equals;
    while (kv.keyEnd > kv.keyStart && blank(line[kv.keyEnd - 1]))
        --kv.keyEnd;
    kv.valueStart = kv.equals + 1;
    while (kv.valueStart < end && blank(line[kv.valueStart]))
        ++kv.valueStart;
    kv.valueEnd = end;
    while (kv.valueEnd > kv.valueStart && blank(line[kv.valueEnd - 1]))
        --kv.valueEnd;
    return kv;
}

} // namespace lsp

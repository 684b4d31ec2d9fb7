#include "lspjson.h"

namespace lsp {

std::string Utf8(std::string_view bytes) {
    // Valid UTF-8 stays; otherwise every byte is its Latin-1 character.
    bool valid = true;
    for (std::size_t i = 0; i < bytes.size() && valid;) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = c < 0x80                ? 1
                                   : c >= 0xC2 && c < 0xE0 ? 2
                                   : c >= 0xE0 && c < 0xF0 ? 3
                                   : c >= 0xF0 && c < 0xF5 ? 4
                                                           : 0;
        if (length == 0 || i + length > bytes.size()) {
            valid = false;
            break;
        }
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) valid = false;
        i += length;
    }
    if (valid) return std::string(bytes);
    std::string out;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (c < 0x80) {
            out += byte;
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
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

#include "sectionwriter.h"

#include "textvalues.h"

#include <charconv>

void CSectionWriter::Put(std::string_view bytes) {
    m_size += bytes.size();
    if (m_out) m_out->append(bytes);
}

void CSectionWriter::Section(std::string_view name) {
    Finish();
    Put("[");
    Put(name);
    Put("]\r\n");
    m_open = true;
}

void CSectionWriter::Entry(std::string_view key, std::string_view value) {
    Put(key);
    Put(" = ");
    Put(value);
    Put("\r\n");
}

void CSectionWriter::Entry(std::string_view key, std::uint32_t number) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    Entry(key, std::string_view(digits, std::size_t(end - digits)));
}

void CSectionWriter::QuotedEntry(std::string_view key, std::string_view text) {
    const std::string_view body = QuotedBody(text);
    Put(key);
    Put(body.empty() ? " = " : " = \"");
    Put(body);
    Put(body.empty() ? "\r\n" : "\"\r\n");
}

void CSectionWriter::Finish() {
    if (m_open) Put("\r\n");
    m_open = false;
}

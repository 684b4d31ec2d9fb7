#include "sectionwriter.h"

#include "markstack.h"
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
    constexpr std::string_view kTricky = "\"'/[]";
    if (key.find_first_of(kTricky) == std::string_view::npos &&
        value.find_first_of(kTricky) == std::string_view::npos) {
        Put(key);
        Put(" = ");
        Put(value);
        Put("\r\n");
        return;
    }
    // What the parser made of a line must read back the same. It took out
    // the blanks, so a "//" outside quotes (once "/ /") would now start a
    // comment: it is written with its blank again. And a key may leave a
    // quote open up to the value, where blanks around '=' would be read as
    // part of both.
    CMarkStack marks;
    auto put = [&](std::string_view text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool comment = marks.Empty() && text.substr(i, 2) == "//";
            Put(comment ? std::string_view("/ ") : text.substr(i, 1));
            marks.Take(text[i]);
        }
    };
    put(key);
    Put(marks.Empty() ? " = " : "=");
    put(value);
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

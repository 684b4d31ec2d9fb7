#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Writes compact JSON. Strings are raw 8-bit bytes: each byte becomes the code
// point of the same number, so bytes 0x80-0xFF come out as \u0080-\u00ff and
// the output is plain ASCII.
class JsonWriter {
public:
    JsonWriter& BeginObject() { return Open('{'); }
    JsonWriter& EndObject() { return Close('}'); }
    JsonWriter& BeginArray() { return Open('['); }
    JsonWriter& EndArray() { return Close(']'); }
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view bytes);
    JsonWriter& Number(std::int64_t number);
    JsonWriter& Bool(bool value);

    const std::string& Text() const { return m_out; }

private:
    JsonWriter& Open(char bracket);
    JsonWriter& Close(char bracket);
    void BeforeValue();

    std::string m_out;
    std::vector<bool> m_hasItems; // one per open object or array
    bool m_afterKey = false;
};

std::string JsonQuote(std::string_view bytes);

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Writes plan-file text as the format lays it out: each section a "[name]"
// line, then its "key = value" lines, then an empty line; every line ends in
// CR LF. Without a buffer it only counts, so that a large file can be written
// into one buffer of its exact size (WriteSectionText).
class CSectionWriter {
public:
    explicit CSectionWriter(std::string* out = nullptr) : m_out(out) {}

    // Ends the section before, if any, and begins one.
    void Section(std::string_view name);
    void Entry(std::string_view key, std::string_view value);
    void Entry(std::string_view key, std::uint32_t number);
    // The value quoted as QuoteValue quotes it.
    void QuotedEntry(std::string_view key, std::string_view text);
    // Entry lines another writer already wrote, put as they are.
    void Lines(std::string_view written) { Put(written); }
    // Ends the last section: the text is complete.
    void Finish();

    std::size_t Size() const { return m_size; }

private:
    void Put(std::string_view bytes);

    std::string* m_out;
    std::size_t m_size = 0;
    bool m_open = false;
};

// The text `write(writer)` makes, counted first and then written into one
// allocation of its exact size.
template <typename Write> std::string WriteSectionText(Write&& write) {
    CSectionWriter counter;
    write(counter);
    counter.Finish();
    std::string text;
    text.reserve(counter.Size());
    CSectionWriter writer(&text);
    write(writer);
    writer.Finish();
    return text;
}

#pragma once

#include <cstddef>
#include <string>

// The quotes and header brackets open at a point of a line, as the parser
// tracks them: a quote byte opens a quoted run or closes the one open (either
// quote character closes either), '[' outside quotes opens a bracket and ']'
// outside quotes closes the innermost mark. Room for 1023 marks; an opening
// byte past that is kept but opens nothing. The writer follows the same rules
// to know where blanks and slashes would read back differently.
class CMarkStack {
public:
    bool Empty() const { return m_marks.empty(); }
    bool InQuote() const { return !m_marks.empty() && m_marks.back() == kQuote; }

    // Takes a quote, '[' or ']' (other bytes change nothing). False for a
    // ']' outside quotes with nothing open: the text is refused.
    bool Take(char c) {
        switch (c) {
        case '"':
        case '\'':
            if (InQuote())
                m_marks.pop_back();
            else
                Push(kQuote);
            return true;
        case '[':
            if (!InQuote()) Push(kBracket);
            return true;
        case ']':
            if (InQuote()) return true;
            if (m_marks.empty()) return false;
            m_marks.pop_back();
            return true;
        default:
            return true;
        }
    }
    // A line end closes an open quote (the parser writes its '"').
    bool CloseQuote() {
        if (!InQuote()) return false;
        m_marks.pop_back();
        return true;
    }

private:
    static constexpr char kQuote = 'q';
    static constexpr char kBracket = 'b';
    static constexpr std::size_t kMaxMarks = 1023;

    void Push(char mark) {
        if (m_marks.size() < kMaxMarks) m_marks.push_back(mark);
    }

    std::string m_marks;
};

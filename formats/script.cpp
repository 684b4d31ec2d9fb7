#include "script.h"

#include "filebuffer.h"
#include "sectionfile.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::size_t kMaxMarks = 1023;
constexpr std::string_view kDiagnosticHead = "ERROR in CScript::Load()\nSyntax Error in Script:\n";

// The compacted text with the source line of each of its stretches.
struct Compacted {
    std::string text;
    std::vector<std::pair<std::size_t, int>> lines; // offset in text -> source line

    int LineAt(std::size_t offset) const {
        auto it = std::upper_bound(lines.begin(), lines.end(), offset,
                                   [](std::size_t o, const auto& l) { return o < l.first; });
        return it == lines.begin() ? 1 : std::prev(it)->second;
    }
};

// Pass 1: drops blanks, control bytes, bytes above 127 and comments outside
// strings, and checks the nesting of (), {} and assignments.
class Compactor {
public:
    explicit Compactor(std::string_view text) : m_in(text) { m_out.text.reserve(text.size()); }

    int Run() {
        for (m_pos = 0; m_pos < m_in.size(); ++m_pos) {
            if (int error = Step()) return error;
        }
        return m_marks.empty() ? ScriptOk : ScriptUnexpectedEnd;
    }

    int Line() const { return m_line; }
    Compacted Take() { return std::move(m_out); }

private:
    int Step() {
        const char c = m_in[m_pos];
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 32 || byte >= 128) {
            CountLine(c);
            return ScriptOk;
        }
        const char next = m_pos + 1 < m_in.size() ? m_in[m_pos + 1] : '\0';
        if (c == '/' && next == '/') return SkipLineComment();
        if (c == '/' && next == '*') return SkipBlockComment();

        switch (c) {
        case '{': {
            if (Top() == '=') return ScriptBraceInParams;
            if (Push('{') == '(') return ScriptBraceInParams;
            break;
        }
        case '}':
            if (Top() == '=') return ScriptUnopenedBrace;
            if (Pop() != '{') return ScriptUnopenedBrace;
            break;
        case '(':
            if (Push('(') == '(') return ScriptParenInParams;
            break;
        case ')':
            if (Pop() != '(') return ScriptUnopenedParen;
            break;
        case ',':
            if (Top() != '(') return ScriptCommaOutsideParams;
            break;
        case ';':
            if (Top() == '(') return ScriptSemicolonInParams;
            if (Top() == '=') Pop();
            break;
        case '=':
            if (Push('=') == '=') return ScriptDoubleAssign;
            break;
        case '"':
            if (Top() != '(' && Top() != '=') return ScriptStringOutsideParams;
            return CopyString();
        default:
            break;
        }
        Copy(c);
        return ScriptOk;
    }

    // Strings have no escapes: everything up to the next double quote. An
    // unclosed string is reported on the line where it opened.
    int CopyString() {
        const int openLine = m_line;
        Copy('"');
        for (++m_pos; m_pos < m_in.size(); ++m_pos) {
            const char c = m_in[m_pos];
            Copy(c);
            CountLine(c);
            if (c == '"') return ScriptOk;
        }
        m_line = openLine;
        return ScriptUnclosedString;
    }

    int SkipLineComment() {
        while (m_pos + 1 < m_in.size() && m_in[m_pos + 1] != '\r' && m_in[m_pos + 1] != '\n')
            ++m_pos;
        return ScriptOk;
    }

    int SkipBlockComment() {
        ++m_pos; // the '*'
        while (++m_pos < m_in.size()) {
            if (m_in[m_pos] == '*' && m_pos + 1 < m_in.size() && m_in[m_pos + 1] == '/') {
                ++m_pos;
                return ScriptOk;
            }
            CountLine(m_in[m_pos]);
        }
        return ScriptOk; // an open comment drops the rest of the text
    }

    void Copy(char c) {
        if (m_out.lines.empty() || m_out.lines.back().second != m_line)
            m_out.lines.emplace_back(m_out.text.size(), m_line);
        m_out.text.push_back(c);
    }

    // CR LF, a lone LF and a lone CR each count as one line break.
    void CountLine(char c) {
        if (c == '\n' || (c == '\r' && (m_pos + 1 >= m_in.size() || m_in[m_pos + 1] != '\n')))
            ++m_line;
    }

    char Top() const { return m_marks.empty() ? '\0' : m_marks.back(); }
    // Returns the mark under the one pushed; a full stack pushes nothing.
    char Push(char mark) {
        const char below = Top();
        if (m_marks.size() < kMaxMarks) m_marks.push_back(mark);
        return below;
    }
    char Pop() {
        const char top = Top();
        if (!m_marks.empty()) m_marks.pop_back();
        return top;
    }

    std::string_view m_in;
    std::size_t m_pos = 0;
    int m_line = 1;
    std::string m_marks;
    Compacted m_out;
};

enum class Statement { Neither, Call, Assignment };

// Pass 2: cuts the compacted text into NUL-terminated tokens in place and
// builds the call tree.
class StatementReader {
public:
    StatementReader(CScript& script, Compacted& compacted)
        : m_script(script), m_buf(compacted.text), m_lines(compacted) {}

    bool Run() {
        while (m_pos < m_buf.size()) {
            if (!ReadStatement(nullptr, true)) return false;
        }
        return true;
    }

    int FailLine() const { return m_lines.LineAt(m_failAt); }
    const std::string& FailReason() const { return m_reason; }

private:
    bool ReadStatement(ScriptNode* parent, bool topLevel) {
        const std::size_t start = m_pos;
        switch (Classify()) {
        case Statement::Call:
            return ParseCall(parent);
        case Statement::Assignment:
            // Outside a block an assignment is read and dropped.
            return ParseProperty(topLevel ? nullptr : parent);
        case Statement::Neither:
            break;
        }
        return Fail(start, "statement is neither a call nor an assignment");
    }

    Statement Classify() {
        if (At(m_pos) == ';') return Statement::Neither;
        Statement kind = Statement::Neither;
        bool paramsClosed = false;
        std::size_t i = m_pos;
        for (; i < m_buf.size() && m_buf[i] != ';' && m_buf[i] != '{'; ++i) {
            char& c = m_buf[i];
            // A call's ')' must be followed directly by its ';' or '{'.
            if (paramsClosed) return Statement::Neither;
            if (c == '"') {
                i = std::min(m_buf.find('"', i + 1), m_buf.size() - 1);
            } else if (c == '(') {
                c = '\0';
                kind = Statement::Call;
            } else if (c == ')' && kind == Statement::Call) {
                c = '\0';
                paramsClosed = true;
            } else if (c == ',' && kind == Statement::Call) {
                c = '\0';
            } else if (c == '=') {
                c = '\0';
                kind = Statement::Assignment;
            }
        }
        // A statement that runs into the end of the text is incomplete.
        if (i >= m_buf.size()) return Statement::Neither;
        if (kind == Statement::Assignment && m_buf[i] == '{') return Statement::Neither;
        return kind;
    }

    bool ParseCall(ScriptNode* parent) {
        const std::size_t start = m_pos;
        while (m_pos < m_buf.size() && (At(m_pos) == '\0' || At(m_pos) == ';'))
            ++m_pos;
        const std::string_view name = Token();
        ScriptNode* node = m_script.AddNode(name, parent);
        if (!node) return Fail(start, "call without a name");

        SkipNul();
        while (m_pos < m_buf.size() && At(m_pos) != ';' && At(m_pos) != '{') {
            CScript::AddParam(node, Token());
            SkipNul();
        }
        if (m_pos >= m_buf.size()) return Fail(start, "call without ';' or block");
        if (At(m_pos++) == ';') return true;

        SkipNul();
        while (m_pos < m_buf.size() && At(m_pos) != '}') {
            if (!ReadStatement(node, false)) return false;
        }
        if (m_pos >= m_buf.size()) return Fail(start, "block without '}'");
        ++m_pos;
        return true;
    }

    bool ParseProperty(ScriptNode* node) {
        const std::size_t start = m_pos;
        SkipNul();
        const std::string_view name = Token();
        SkipNul();
        std::size_t end = m_pos;
        while (end < m_buf.size() && m_buf[end] != ';') {
            if (m_buf[end] == '"') end = std::min(m_buf.find('"', end + 1), m_buf.size() - 1);
            ++end;
        }
        if (end >= m_buf.size()) return Fail(start, "assignment without ';'");
        m_buf[end] = '\0';
        std::string_view value(m_buf.data() + m_pos, end - m_pos);
        value = value.substr(0, value.find('\0'));
        CScript::SetProperty(node, name, value);
        m_pos = end + 1;
        return true;
    }

    // The NUL-terminated token at the cursor; the cursor moves behind it.
    std::string_view Token() {
        const std::size_t end = std::min(m_buf.find('\0', m_pos), m_buf.size());
        std::string_view token(m_buf.data() + m_pos, end - m_pos);
        m_pos = end;
        return token;
    }

    void SkipNul() {
        while (m_pos < m_buf.size() && m_buf[m_pos] == '\0')
            ++m_pos;
    }

    char At(std::size_t i) const { return i < m_buf.size() ? m_buf[i] : '\0'; }

    bool Fail(std::size_t at, std::string reason) {
        m_failAt = at;
        m_reason = std::move(reason);
        return false;
    }

    CScript& m_script;
    std::string& m_buf;
    const Compacted& m_lines;
    std::size_t m_pos = 0;
    std::size_t m_failAt = 0;
    std::string m_reason;
};

// strtol-like reading: leading blanks, one optional sign, digits.
std::int32_t ReadNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        number = std::min(number * 10 + (text[i] - '0'), kLimit);
    if (negative) return static_cast<std::int32_t>(-number);
    return static_cast<std::int32_t>(std::min(number, kLimit - 1));
}

} // namespace

std::string_view ScriptErrorMessage(int code) {
    switch (code) {
    case ScriptBraceInParams:
        return "Found '{' or '}' inside of parameter block.\n";
    case ScriptUnopenedBrace:
        return "Found '}' without preceding '{'.\n";
    case ScriptParenInParams:
        return "Found '(' inside of parameter block.\n";
    case ScriptUnopenedParen:
        return "Found ')' without preceding '('.\n";
    case ScriptCommaOutsideParams:
        return "Found ',' outside of parameter block.\n";
    case ScriptSemicolonInParams:
        return "Found ';' inside of parameter block (missing closing brace).\n";
    case ScriptStringOutsideParams:
        return "Found string outside of parameter block.\n";
    case ScriptUnclosedString:
        return "Found string without closing hyphens.\n";
    case ScriptUnexpectedEnd:
        return "Found unexpected end of file (one or more closing braces are missing).\n";
    case ScriptStackAlloc:
        return "Failed to allocate stack memory!\n";
    case ScriptDoubleAssign:
        return "Found more than one '=' in a statement.\n";
    default:
        return {};
    }
}

void CScript::RemoveAll() {
    m_nodes.clear();
}

bool CScript::Fail(int code, int line, std::string text) {
    m_errorCode = code;
    m_error = {line, std::move(text)};
    return false;
}

std::string CScript::DiagnosticText() const {
    if (ScriptErrorMessage(m_errorCode).empty()) return {};
    return std::string(kDiagnosticHead) + std::string(ScriptErrorMessage(m_errorCode));
}

bool CScript::Load(const std::string& path) {
    RemoveAll();
    m_errorCode = 0;
    m_error = {};
    CFileBuffer file;
    if (!file.LoadFile(path)) return Fail(ScriptOk, 0, file.LastError());
    return LoadText(file.View());
}

bool CScript::LoadText(std::string_view text) {
    RemoveAll();
    m_errorCode = 0;
    m_error = {};
    if (text.empty()) return Fail(ScriptOk, 0, "the file is empty");

    Compactor compactor(text);
    if (int code = compactor.Run()) {
        std::string message(ScriptErrorMessage(code));
        message.pop_back(); // the line feed
        return Fail(code, compactor.Line(), std::move(message));
    }
    Compacted compacted = compactor.Take();
    StatementReader reader(*this, compacted);
    if (!reader.Run()) return Fail(ScriptOk, reader.FailLine(), reader.FailReason());
    return true;
}

ScriptNode* CScript::AddNode(std::string_view name, ScriptNode* parent) {
    if (name.empty()) return nullptr;
    NodeList& list = parent ? parent->children : m_nodes;
    list.push_back(std::make_unique<ScriptNode>());
    list.back()->name = std::string(name);
    return list.back().get();
}

bool CScript::AddParam(ScriptNode* node, std::string_view text) {
    if (!node || text.empty()) return false;
    node->parameters.emplace_back(text);
    return true;
}

ScriptProperty* CScript::SetProperty(ScriptNode* node, std::string_view name,
                                     std::string_view value) {
    if (!node || name.empty() || value.empty()) return nullptr;
    for (ScriptProperty& property : node->properties) {
        if (property.name == name) {
            property.value = std::string(value);
            return &property;
        }
    }
    node->properties.push_back({std::string(name), std::string(value)});
    return &node->properties.back();
}

const ScriptProperty* CScript::FindProperty(std::string_view name, const ScriptNode* node) {
    if (!node || name.empty()) return nullptr;
    for (const ScriptProperty& property : node->properties)
        if (property.name == name) return &property;
    return nullptr;
}

std::string CScript::Unquote(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (c != '"') result += c;
    return result;
}

std::string CScript::GetString(const ScriptProperty* property, std::string_view defaultText) {
    if (!property || property->value.empty()) return std::string(defaultText);
    return Unquote(property->value);
}

std::int32_t CScript::GetInt(const ScriptProperty* property, std::int32_t defaultNumber) {
    if (!property || property->value.empty()) return defaultNumber;
    return ReadNumber(Unquote(property->value));
}

bool CScript::GetBool(const ScriptProperty* property, bool defaultFlag) {
    if (!property || property->value.empty()) return defaultFlag;
    const std::string value = Unquote(property->value);
    if (NamesEqual(value, "true")) return true;
    if (NamesEqual(value, "false")) return false;
    return defaultFlag;
}

std::uint32_t CScript::GetColor(const ScriptProperty* property, std::uint32_t defaultColor) {
    if (!property || property->value.empty()) return defaultColor;
    const std::string value = Unquote(property->value);
    const std::size_t first = value.find(',');
    const std::size_t second = first == std::string::npos ? first : value.find(',', first + 1);
    if (second == std::string::npos) return defaultColor;
    const std::string_view v = value;
    auto channel = [](std::string_view part) { return std::uint32_t(ReadNumber(part)) & 0xFFu; };
    return channel(v.substr(0, first)) | channel(v.substr(first + 1, second - first - 1)) << 8 |
           channel(v.substr(second + 1)) << 16;
}

#include "planfeatures.h"

#include "plandata.h"
#include "planfilereport.h"
#include "planformat.h"
#include "planmanager.h"
#include "sectionfile.h"
#include "sourceassist.h"
#include "textvalues.h"
#include "unitlist.h"

#include <algorithm>

using lsp::Json;

namespace {

// LSP's numbers for the kinds of symbols and severities used here.
constexpr int kSymbolNamespace = 3, kSymbolProperty = 7, kSymbolObject = 19;
constexpr int kError = 1, kWarning = 2, kInformation = 3;

// The edit distance of two names, A-Z folded: how far one is from the other.
std::size_t Distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                               diagonal + (FoldCase(a[i - 1]) == FoldCase(b[j - 1]) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The name nearest to `wanted`, when one is near enough to be what was meant.
std::string Nearest(std::string_view wanted, const std::vector<std::string>& names) {
    std::string best;
    std::size_t bestDistance = std::max<std::size_t>(2, wanted.size() / 3) + 1;
    for (const std::string& name : names)
        if (const std::size_t d = Distance(wanted, name); d < bestDistance) {
            best = name;
            bestDistance = d;
        }
    return best;
}

void UnitClasses(const UnitGroup& group, std::vector<std::string>& out) {
    for (const auto& sub : group.subGroups)
        UnitClasses(*sub, out);
    for (const auto& unit : group.units)
        out.push_back(unit->unitClass);
}

// A section of the text: its header's line and name and its last line
// with something on it.
struct SectionLines {
    std::size_t header = 0, last = 0;
    std::string name;
};

std::vector<SectionLines> Sections(const CTextDocument& doc) {
    std::vector<SectionLines> sections;
    for (std::size_t line = 0; line < doc.LineCount(); ++line) {
        const std::string_view text = doc.Line(line);
        if (std::string name = HeaderNameOf(text); !name.empty())
            sections.push_back({line, line, std::move(name)});
        else if (!sections.empty() && text.find_first_not_of(" \t") != std::string_view::npos)
            sections.back().last = line;
    }
    return sections;
}

} // namespace

Json CPlanFeatures::LineRange(std::size_t line) const {
    const std::string_view text = m_doc.Line(line);
    const std::size_t start = std::min(text.find_first_not_of(" \t"), text.size());
    const std::size_t base = m_doc.Offset({line, 0});
    return lsp::Range(m_doc, base + start, base + text.size());
}

Json CPlanFeatures::FindingRange(int line, std::string_view code) const {
    if (line <= 0) return lsp::Range({0, 0}, {0, 0});
    const std::size_t index = std::size_t(line - 1);
    // What the finding is about: a key's name, or the value read from it.
    static constexpr std::string_view kKeyCodes[] = {"key-past-gap", "key-repeated", "key-unknown",
                                                     "parameter-unknown", "condition-not-taken"};
    static constexpr std::string_view kValueCodes[] = {
        "condition-unknown",    "number-empty",         "number-not-digits",
        "number-too-large",     "number-trailing-text", "parameter-not-flag",
        "parameter-not-number", "parameter-not-quoted", "plan-type-unknown",
        "quote-unclosed",       "text-has-quote",       "text-too-long",
        "unit-unknown"};
    const bool key =
        std::find(std::begin(kKeyCodes), std::end(kKeyCodes), code) != std::end(kKeyCodes);
    const bool value =
        std::find(std::begin(kValueCodes), std::end(kValueCodes), code) != std::end(kValueCodes);
    const std::string_view text = m_doc.Line(index);
    const lsp::KeyValue kv = lsp::SplitLine(text);
    const std::size_t base = m_doc.Offset({index, 0});
    if (kv.equals != std::string_view::npos && key && kv.keyEnd > kv.keyStart)
        return lsp::Range(m_doc, base + kv.keyStart, base + kv.keyEnd);
    if (kv.equals != std::string_view::npos && value && kv.valueEnd > kv.valueStart)
        return lsp::Range(m_doc, base + kv.valueStart, base + kv.valueEnd);
    return LineRange(index);
}

Json CPlanFeatures::Diagnostics(std::size_t limit) const {
    CPlanFileReport report(m_planTypes, m_units);
    report.Check(m_doc.Text());
    // Tens of thousands of findings make a client slow on every edit: the
    // most severe are the ones worth the room.
    std::vector<const Finding*> findings;
    for (const Finding& finding : report.Findings())
        findings.push_back(&finding);
    std::stable_partition(findings.begin(), findings.end(),
                          [](const Finding* f) { return f->IsError(); });
    const lsp::Json top = lsp::Range({0, 0}, {0, 0});
    auto note = [&top](const char* code, const std::string& message) {
        return Json{{"range", top},
                    {"severity", kInformation},
                    {"code", code},
                    {"source", "zeq"},
                    {"message", message}};
    };
    Json list = Json::array();
    for (std::size_t i = 0; i < findings.size() && i < limit; ++i) {
        const Finding& finding = *findings[i];
        list.push_back({{"range", FindingRange(finding.line, finding.code)},
                        {"severity", finding.IsError() ? kError : kWarning},
                        {"code", std::string(finding.code)},
                        {"source", "zeq"},
                        {"message", lsp::Utf8(finding.message)}});
    }
    if (findings.size() > limit)
        list.push_back(note("more-findings",
                            std::to_string(findings.size() - limit) +
                                " more findings are not shown (the zeq.maxDiagnostics setting)"));
    if (!m_planTypes)
        list.push_back(note("no-plan-types", "No Plans.dat was found: plan types and their "
                                             "parameters are not checked"));
    if (!m_units)
        list.push_back(note("no-units", "No Units.dat was found: unit classes are not checked"));
    return list;
}

std::string CPlanFeatures::Symbols() const {
    // Written out symbol by symbol: the outline of a large file as one tree
    // of JSON values would take some thirty times the text's own size.
    std::string symbols = "[";
    const auto dump = [](const Json& json) {
        return json.dump(-1, ' ', false, Json::error_handler_t::replace);
    };
    for (const SectionLines& section : Sections(m_doc)) {
        std::string children; // a [Match] of thousands of keys: written out as they come
        std::string type, priority;
        for (std::size_t line = section.header + 1; line <= section.last; ++line) {
            const std::string_view text = m_doc.Line(line);
            const lsp::KeyValue kv = lsp::SplitLine(text);
            if (kv.equals == std::string_view::npos || kv.keyEnd == kv.keyStart) continue;
            const std::string_view key = kv.Key(text), value = kv.Value(text);
            if (NamesEqual(key, "planType")) type = UnquoteValue(value);
            if (NamesEqual(key, "planPriority")) priority = std::string(value);
            if (PlanNumberOf(section.name) != 0) continue; // a plan is one entry of the outline
            const std::size_t base = m_doc.Offset({line, 0});
            children += children.empty() ? "" : ",";
            children +=
                dump({{"name", lsp::Utf8(key)},
                      {"detail", lsp::Utf8(value)},
                      {"kind", kSymbolProperty},
                      {"range", LineRange(line)},
                      {"selectionRange", lsp::Range(m_doc, base + kv.keyStart, base + kv.keyEnd)}});
        }
        // A plan by its type and priority; its section beside.
        const bool plan = PlanNumberOf(section.name) != 0;
        std::string name = "[" + section.name + "]", detail;
        if (plan && !type.empty()) {
            detail = name;
            name = type + (priority.empty() ? "" : ", priority " + priority);
        }
        const std::size_t end = m_doc.Offset({section.last, 0}) + m_doc.Line(section.last).size();
        if (symbols.size() > 1) symbols += ',';
        symbols += dump({{"name", lsp::Utf8(name)},
                         {"detail", lsp::Utf8(detail)},
                         {"kind", plan ? kSymbolObject : kSymbolNamespace},
                         {"range", lsp::Range(m_doc, m_doc.Offset({section.header, 0}), end)},
                         {"selectionRange", LineRange(section.header)}});
        symbols.back() = ','; // its closing brace, for the children and one after them
        symbols.append("\"children\":[").append(children).append("]}");
    }
    symbols += ']';
    return symbols;
}

Json CPlanFeatures::Folding() const {
    Json folds = Json::array();
    for (const SectionLines& section : Sections(m_doc))
        if (section.last > section.header)
            folds.push_back({{"startLine", section.header}, {"endLine", section.last}});
    // Runs of comment lines, as comments.
    std::size_t first = 0, count = 0;
    for (std::size_t line = 0; line <= m_doc.LineCount(); ++line) {
        const std::string_view text = line < m_doc.LineCount() ? m_doc.Line(line) : "";
        const std::size_t start = text.find_first_not_of(" \t");
        if (start != std::string_view::npos && text.compare(start, 2, "//") == 0) {
            if (count++ == 0) first = line;
            continue;
        }
        if (count > 1)
            folds.push_back(
                {{"startLine", first}, {"endLine", first + count - 1}, {"kind", "comment"}});
        count = 0;
    }
    return folds;
}

bool CPlanFeatures::Formatting(Json& edits, std::string& why) const {
    edits = Json::array();
    CPlanFileReport tidy(nullptr, nullptr, CPlanFileReport::Mode::Tidy);
    if (!tidy.Check(m_doc.Text())) {
        const Finding& error = tidy.Findings().front();
        why = "the file does not load (line " + std::to_string(error.line) + ": " +
              std::string(error.message) + ")";
        return false;
    }
    for (const Finding& finding : tidy.Findings())
        if (finding.kind != FindingKind::Warning) {
            why = "the canonical layout would drop what the file holds: line " +
                  std::to_string(finding.line) + ": " + std::string(finding.message) +
                  ". 'zeq fmt FILE --force -o FILE' formats it all the same";
            return false;
        }
    std::string text;
    FormatPlanText(m_doc.Text(), text);
    // The canonical layout ends lines as the game's files do; a buffer whose
    // lines end in LF alone keeps that (the editor would convert it back).
    if (const std::size_t end = m_doc.Text().find('\n');
        end != std::string::npos && (end == 0 || m_doc.Text()[end - 1] != '\r')) {
        std::string lf;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') lf += text[i];
        text = std::move(lf);
    }
    if (text != m_doc.Text())
        edits.push_back(
            {{"range", lsp::Range(m_doc, 0, m_doc.Text().size())}, {"newText", lsp::Utf8(text)}});
    return true;
}

Json CPlanFeatures::CodeActions(const std::string& uri, const Json& diagnostics) const {
    Json actions = Json::array();
    if (!diagnostics.is_array()) return actions;
    for (const Json& diagnostic : diagnostics)
        if (Json fix = Fix(uri, diagnostic); !fix.is_null()) actions.push_back(std::move(fix));
    return actions;
}

Json CPlanFeatures::Fix(const std::string& uri, const Json& diagnostic) const {
    if (!diagnostic.is_object() || !diagnostic.contains("code") ||
        !diagnostic["code"].is_string() || !diagnostic.contains("range"))
        return nullptr;
    const std::string code = diagnostic["code"];
    const std::size_t line = lsp::ToPosition(diagnostic["range"]["start"]).line;
    if (line >= m_doc.LineCount()) return nullptr;
    const std::string_view text = m_doc.Line(line);
    const std::size_t base = m_doc.Offset({line, 0});
    std::string title, replacement;
    std::size_t from = 0, to = 0; // the bytes of the line replaced

    if (code == "section-repeated" || code == "plan-section-leading-zero" ||
        code == "plan-section-past-gap") {
        const std::string name = HeaderNameOf(text);
        const std::size_t open = text.find('['), close = text.find(']', open);
        if (name.size() < 5 || !NamesEqual(name.substr(0, 4), "Plan") || close == std::string::npos)
            return nullptr;
        replacement = PlanSectionName(FreePlanNumber(m_doc.Text()));
        from = open + 1;
        to = close;
        title = "Renumber as [" + replacement + "]";
    } else if (code == "unit-unknown" || code == "plan-type-unknown" ||
               code == "condition-unknown") {
        const lsp::KeyValue kv = lsp::SplitLine(text);
        if (kv.equals == std::string_view::npos) return nullptr;
        std::vector<std::string> names;
        if (code == "unit-unknown" && m_units)
            for (const auto& group : m_units->All())
                UnitClasses(*group, names);
        if (code == "plan-type-unknown" && m_planTypes)
            for (const auto& type : m_planTypes->All())
                names.push_back(type->name);
        if (code == "condition-unknown")
            names.assign(kConditionKinds.begin(), kConditionKinds.end());
        const std::string nearest = Nearest(UnquoteValue(kv.Value(text)), names);
        if (nearest.empty()) return nullptr;
        replacement = QuoteValue(nearest);
        from = kv.valueStart;
        to = kv.valueEnd;
        title = "Replace with " + replacement;
        if (code == "unit-unknown")
            if (const UnitItem* unit = m_units->FindUnitByClass(nearest))
                title += " (" + unit->displayName + ")";
    } else if (code == "byte-order-mark") {
        if (line != 0 || !text.starts_with(kByteOrderMark)) return nullptr;
        to = kByteOrderMark.size();
        title = "Remove the byte-order mark";
    } else if (code == "semicolon-comment") {
        from = text.find(';');
        to = from + 1;
        replacement = "//";
        title = "Make it a // comment";
    } else {
        return nullptr;
    }
    Json edit = {{"range", lsp::Range(m_doc, base + from, base + to)},
                 {"newText", lsp::Utf8(replacement)}};
    return {{"title", lsp::Utf8(title)},
            {"kind", "quickfix"},
            {"diagnostics", Json::array({diagnostic})},
            {"isPreferred", true},
            {"edit", {{"changes", {{uri, Json::array({edit})}}}}}};
}

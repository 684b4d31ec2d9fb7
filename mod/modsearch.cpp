#include "modsearch.h"

#include "catalogs.h"
#include "modfiles.h"
#include "qtext.h"
#include "sectionfile.h"
#include "unitlist.h"

#include <algorithm>

namespace {

// The line that starts at `start`, without its line break.
QString LineFrom(const QString& text, qsizetype start) {
    qsizetype end = start;
    while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
        ++end;
    return text.mid(start, end - start);
}

class LineCounter {
public:
    explicit LineCounter(const QString& text) : m_text(text) {}
    // The 1-based line of `at`; positions come in order.
    int LineOf(qsizetype at) {
        for (; m_scanned < at; ++m_scanned)
            if (IsBreak(m_scanned)) {
                ++m_line;
                m_lineStart = m_scanned + 1;
            }
        return m_line;
    }
    qsizetype LineStart() const { return m_lineStart; }
    QString LineText() const { return LineFrom(m_text, m_lineStart); }

private:
    // CR LF, LF and a lone CR each end a line, as the parser reads them.
    bool IsBreak(qsizetype i) const {
        return m_text[i] == u'\n' ||
               (m_text[i] == u'\r' && (i + 1 == m_text.size() || m_text[i + 1] != u'\n'));
    }
    const QString& m_text;
    qsizetype m_scanned = 0, m_lineStart = 0;
    int m_line = 1;
};

// A line shown in a list: its leading blanks left out.
SearchHit Trimmed(int line, QString text, qsizetype start, qsizetype length) {
    qsizetype blanks = 0;
    while (blanks < text.size() && blanks < start && text[blanks].isSpace())
        ++blanks;
    return {line, text.mid(blanks), start - blanks, length, {}};
}

// A unit class's place as a result: a use knows where its line starts.
SearchHit HitOf(const QString& text, const CUnitClassRename::Use& use) {
    SearchHit hit = Trimmed(use.line, LineFrom(text, qsizetype(use.offset - use.start)),
                            qsizetype(use.start), qsizetype(use.end - use.start));
    hit.where = QStringLiteral("[%1] %2").arg(ToQt(use.section), ToQt(use.key));
    return hit;
}

} // namespace

QRegularExpression PatternOf(const TextQuery& query) {
    QRegularExpression::PatternOptions options = QRegularExpression::MultilineOption;
    if (!query.matchCase) options |= QRegularExpression::CaseInsensitiveOption;
    return QRegularExpression(
        query.regex ? query.pattern : QRegularExpression::escape(query.pattern), options);
}

QList<SearchHit> FindInText(const QString& text, const QRegularExpression& pattern,
                            qsizetype limit) {
    QList<SearchHit> hits;
    if (!pattern.isValid() || pattern.pattern().isEmpty()) return hits;
    LineCounter lines(text);
    for (auto it = pattern.globalMatch(text); it.hasNext() && hits.size() < limit;) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedLength() == 0) continue;
        const int line = lines.LineOf(match.capturedStart());
        const qsizetype start = match.capturedStart() - lines.LineStart();
        QString shown = lines.LineText();
        // A match over a line break is shown to the end of its first line.
        const qsizetype length = std::min(match.capturedLength(), shown.size() - start);
        hits << Trimmed(line, std::move(shown), start, length);
    }
    return hits;
}

QList<FileHits> FindInFiles(CModFiles& mod, const QRegularExpression& pattern, qsizetype limit) {
    QList<FileHits> found;
    qsizetype total = 0;
    for (const QString& path : mod.Files()) {
        if (total >= limit) break;
        FileHits file{path, {}, {}};
        std::string text;
        if (!mod.ReadText(path, text, file.error)) {
            found << file;
            continue;
        }
        file.hits = FindInText(ToQt(text), pattern, limit - total);
        total += file.hits.size();
        if (!file.hits.isEmpty()) found << file;
    }
    return found;
}

QList<FileHits> FindUses(CModFiles& mod, const QString& unitClass) {
    QList<FileHits> found;
    const std::string wanted = FromQt(unitClass);
    for (const QString& path : mod.Files()) {
        FileHits file{path, {}, {}};
        std::string text;
        if (!mod.ReadText(path, text, file.error)) {
            found << file;
            continue;
        }
        const CCatalogs& catalogs = mod.CatalogsFor(path);
        const QString shown = ToQt(text);
        for (const auto& use : CUnitClassRename::Uses(text, catalogs.PlanTypes()))
            if (NamesEqual(use.unitClass, wanted)) file.hits << HitOf(shown, use);
        if (!file.hits.isEmpty()) found << file;
    }
    return found;
}

QList<RenamePreview> PreviewRename(CModFiles& mod, const CUnitClassRename& rename) {
    QList<RenamePreview> previews;
    for (const QString& path : mod.Files()) {
        RenamePreview file;
        file.path = path;
        if (!mod.ReadText(path, file.text, file.error)) {
            previews << file;
            continue;
        }
        const CCatalogs& catalogs = mod.CatalogsFor(path);
        const QString shown = ToQt(file.text);
        for (auto& use : CUnitClassRename::Uses(file.text, catalogs.PlanTypes())) {
            const std::string to = rename.RenamedTo(use.unitClass);
            if (to.empty() || to == use.unitClass) continue;
            const SearchHit hit = HitOf(shown, use);
            QString after = hit.text;
            after.replace(hit.start, hit.length, ToQt(to));
            file.before << hit;
            file.after << after;
            file.unknown << (catalogs.Units() && !catalogs.Units()->FindUnitByClass(to));
            file.uses.push_back(std::move(use));
        }
        if (!file.uses.empty()) previews << file;
    }
    return previews;
}

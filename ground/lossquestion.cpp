#include "lossquestion.h"

#include "planfilereport.h"
#include "qtext.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

QString Tr(const char* text, int n = -1) {
    return QCoreApplication::translate("LossQuestion", text, nullptr, n);
}

} // namespace

LossQuestion DescribeLosses(const CPlanFileReport& tidy, const QString& fileName,
                            const QString& closing) {
    int comments = 0, plans = 0, other = 0;
    QStringList lines;
    for (const Finding& f : tidy.Findings()) {
        if (f.kind == FindingKind::Warning) continue;
        const bool comment = f.message.find("comment") != std::string::npos;
        (f.planLost ? plans : comment ? comments : other) += 1;
        lines << LineMessage(f.line, ToQt(f.message));
    }
    constexpr int kShown = 10;
    QStringList counts;
    if (plans) counts << Tr("%n plan section(s)", plans);
    if (comments) counts << Tr("%n comment(s)", comments);
    if (other) counts << Tr("%n other line(s) or value(s)", other);
    QString shown = QStringList(lines.mid(0, kShown)).join('\n');
    if (lines.size() > kShown) shown += "\n" + Tr("... and %n more", int(lines.size()) - kShown);
    return {Tr("The tidied layout leaves out of %1 what the game does not read: %2.\n\n%3\n\n%4")
                .arg(fileName, counts.join(QStringLiteral(", ")), shown, closing),
            lines.size() > kShown ? lines.join('\n') : QString()};
}

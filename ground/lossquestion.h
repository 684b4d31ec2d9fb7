#pragma once

#include <QString>

class CPlanFileReport;

// The question before the tidied layout drops what the game does not read:
// how much of each kind, the first lines, and every line in `details` when
// there are more than the question shows.
struct LossQuestion {
    QString text;
    QString details;
};

// `closing` ends the question: what the user's choices do.
LossQuestion DescribeLosses(const CPlanFileReport& tidy, const QString& fileName,
                            const QString& closing);

#pragma once

#include "unitclassrename.h"

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <string>
#include <vector>

class CModFiles;

// A place in a plan file that a search found: its line (1-based), the line's
// text, the found part of it, and, for a unit class, the section and key.
struct SearchHit {
    int line = 0;
    QString text;
    qsizetype start = 0, length = 0;
    QString where; // "[Plan3] buildType1"
};

struct FileHits {
    QString path;
    QList<SearchHit> hits;
    QString error; // the file could not be read
};

// Find in Files: plain text or a regular expression, case on or off.
struct TextQuery {
    QString pattern;
    bool regex = false;
    bool matchCase = false;
};

// The query as one pattern, ^ and $ at each line; not valid, with its
// errorString(), for a broken regular expression.
QRegularExpression PatternOf(const TextQuery& query);
// Every match in a text, at most `limit`; one that matches nothing (an empty
// pattern, "x*") finds nothing.
QList<SearchHit> FindInText(const QString& text, const QRegularExpression& pattern,
                            qsizetype limit);
// Over the mod's plan files, in their order; files without a match are left
// out, files that cannot be read are listed with their error.
QList<FileHits> FindInFiles(CModFiles& mod, const QRegularExpression& pattern,
                            qsizetype limit = 10000);
// Every place that names a unit class (ASCII case ignored), by the rule a
// rename follows.
QList<FileHits> FindUses(CModFiles& mod, const QString& unitClass);

// What a rename would change in one file: its text as read and the uses it
// renames, each with its line shown as it would be after.
struct RenamePreview {
    QString path;
    std::string text;
    std::vector<CUnitClassRename::Use> uses;
    QList<SearchHit> before;
    QList<QString> after; // each use's line once renamed
    QList<bool> unknown;  // the new name is not in the file's unit catalog
    QString error;
};
QList<RenamePreview> PreviewRename(CModFiles& mod, const CUnitClassRename& rename);

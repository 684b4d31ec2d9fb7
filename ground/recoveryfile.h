#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

// A recovery file: what Save would write for a document with unsaved
// changes, kept in the per-user recovery folder so that a crash, a kill or a
// power cut loses nothing. It is a plan file itself (its record stands in
// comment lines at its top) and is written whole or not at all.
class CRecoveryFile {
public:
    static constexpr int kVersion = 2;
    static constexpr const char* kSuffix = ".zeqrecovery";

    // The record: whose changes these are and when.
    QString path;                      // the document's file, or empty for an untitled one
    QDateTime written;                 // when the recovery file was written
    qint64 size = -1;                  // the document's file as it was loaded or last saved
    QDateTime modified;                //   (its size and modification time); -1: none
    std::string text;                  // what Save would write
    std::string base;                  // the file as it was loaded or last saved, to merge with
    std::optional<std::string> source; // the source editor's text, not applied

    // Points the recovery folder (the in-place save's copies go there too)
    // at the per-user data folder's "recovery", as the system names it.
    static void UseStandardFolder();
    // The recovery folder, made readable by the user alone; empty when it
    // cannot be made.
    static QString Folder();
    // Its name, whether or not it can be made.
    static QString FolderName();
    // The recovery files in the folder.
    static QStringList All();

    // Writes the file atomically; false with `error` set when it cannot.
    bool Write(const QString& file, QString* error = nullptr) const;
    // Reads one; false with `problem` saying what is wrong with it (empty,
    // cut off, not a recovery file, from a newer version).
    bool Read(const QString& file, QString& problem);

    // "name.zeq" or "Untitled", as the questions show it.
    QString DocumentName() const;
    // "name.zeq in /its/folder", or "Untitled".
    QString DocumentPlace() const;
};

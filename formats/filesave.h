#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Writes `bytes` as the whole of the file named `path` (UTF-8) so that the
// user's file is never left torn, cut off or spliced:
// - the usual way: a temporary file beside the target (FILE.savingN), synced
//   and renamed over it; stale temporary files of earlier, killed saves are
//   removed on the way;
// - where a rename would lose something (other hard links) or cannot be done
//   (a folder the user cannot write to): in place, after a synced copy of the
//   old bytes is kept in the recovery folder (or beside the file), with the
//   new size reserved first so that a full disk fails before the first byte;
//   a failed write puts the old bytes back. After a kill the copy stays, and
//   LeftoverBackups() finds it (the copy of a save that completed goes);
// - a pipe is opened without waiting for a reader and a character device is
//   written into; anything else that is not a regular file is refused.
// A symbolic link, even a dangling one, saves into the file it names.
// False, with `error` saying why for the user, when the file was not written.
bool SaveFileSafely(const std::string& path, std::string_view bytes, std::string& error);
// Bytes made as they are written, for a text too large to be held twice:
// each call hands them all, the same each time, to `put` piece by piece, and
// stops with false where `put` returns false.
using FilePieces = std::function<bool(const std::function<bool(std::string_view)>& put)>;
// The same, the bytes made as they are written (twice where the file is
// written in place: first to note what the save is to write).
bool SaveFileSafely(const std::string& path, const FilePieces& bytes, std::string& error);
// Whether SaveFileSafely refuses the file as read-only: no write permission,
// even where an administrator could write it anyway.
bool IsReadOnlyFile(const std::string& path);

// The per-user folder of the editor's recovery files and of the copies kept
// during an in-place save: the user's data folder, "zeq-editor/recovery".
// The editor names it at start-up; tests point it elsewhere.
std::filesystem::path RecoveryFolder();
void SetRecoveryFolder(const std::filesystem::path& folder);

// Copies of the file that saves interrupted by a crash or a kill left
// behind, oldest first. The copy of a save that completed, or that had not
// yet begun to write, goes on the way: the file is whole.
std::vector<std::string> LeftoverBackups(const std::string& path);
// Deletes one such copy; false when it could not.
bool RemoveBackup(const std::string& copy);
// Writes the copy back as the file (safely, as any save) and deletes it.
bool RestoreBackup(const std::string& path, const std::string& copy, std::string& error);

// For tests: the next in-place write fails with EIO after `bytes` bytes
// (negative: never).
void FailNextInPlaceWriteAfter(std::ptrdiff_t bytes);

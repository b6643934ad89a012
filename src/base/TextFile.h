#pragma once
// Text and binary files as the program keeps them: Windows-1251 lines with
// CR LF ends, and every overwrite done through a temporary file and a rename
// so that an interrupted write leaves the old file whole.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

namespace pim {

// Splits Windows-1251 bytes into lines: CR LF ends a line, a bare LF too.
// A final line without an end is a line; the end of the last line does not
// start another.
QStringList splitLines(QByteArrayView bytes);

// Joins lines, each followed by CR LF, in Windows-1251. `error` receives a
// text naming the first character the code page cannot hold.
QByteArray joinLines(const QStringList &lines, QString *error = nullptr);

// The most bytes a file the program reads whole may hold unless its reader
// names a bound of its own. Settings, lists, tables, phone books and
// templates are kilobytes; a file far larger is none of them, and reading
// it whole would only exhaust the memory.
inline constexpr qint64 kTextFileBound = 8 * 1024 * 1024;

// Reads a whole text file as Windows-1251 lines. False (with `error`) when
// it cannot be read or holds more than `bound` bytes (the bound is in the
// text).
bool readLines(const QString &path, QStringList &lines, QString *error = nullptr, qint64 bound = kTextFileBound);

// Lines of a text the operator may have written with any editor: UTF-8
// (with or without a byte-order mark) when the bytes are valid UTF-8,
// Windows-1251 otherwise. Lines split as splitLines() does.
QStringList splitTextLines(QByteArrayView bytes);

// readLines() with the text read by splitTextLines().
bool readTextLines(const QString &path, QStringList &lines, QString *error = nullptr, qint64 bound = kTextFileBound);

// Writes lines atomically. A character outside Windows-1251 refuses the
// write (the old file stays) and names the character in `error`.
bool writeLines(const QString &path, const QStringList &lines, QString *error = nullptr);

// Writes bytes to a temporary file beside `path` ("<name>.~<pid>.<random>"),
// flushes it to the disk and renames it over `path`. On any failure the old
// file is untouched and `error` says why. Temporary files of `path` that a
// process no longer running left behind are removed first.
bool writeFileAtomic(const QString &path, const QByteArray &data, QString *error = nullptr);

// Several files saved together, as one file is: every new content whole
// beside its file first, then the renames one right after the other. A
// failure before the renames leaves every file old.
bool writeFilesAtomic(const QList<QPair<QString, QByteArray>> &files, QString *error = nullptr);

// Test seam: called after the temporary file is complete and before the
// rename; returning false abandons the write as a crash at that point would.
void setBeforeCommitHook(std::function<bool(const QString &path)> hook);

// Test seam for the saves of every program: when the environment variable
// PIM_TEST_KILL_SAVING holds a wildcard pattern matching the file name of
// `path`, the process kills itself (SIGKILL) here; otherwise nothing. The
// atomic write calls it once the temporary file is whole and before the
// rename, an append half-way through its bytes.
void killAtSavePoint(const QString &path);

// The bytes of a file, at most `bound` of them: a file (or pipe) holding
// more is refused with a text naming the bound, and never read whole.
bool readFileBytes(const QString &path, QByteArray &data, QString *error = nullptr, qint64 bound = kTextFileBound);

} // namespace pim

#pragma once
// The file side of the carrier window: which files of a folder are carrier
// files, what each holds, the proposed names under the program's carrier
// folder (ДАННЫЕ/АРХИВЫ/MIRA-1/<model>/<number>/...), and the copy of the
// ticked files to their new names. Paths are kept whole: a folder name
// with a comma is a folder name like any other.

#include "carrier/ArchiveDescription.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace pim {

namespace mira {

// The masks of the file list, in search order.
const QStringList &masks();
// The carrier files of a folder: every mask searched without regard to
// letter case, the joined result sorted alphabetically without regard to case.
QStringList fileList(const QString &folder);

// ДАННЫЕ/АРХИВЫ/MIRA-1 of the program folder.
QString programFolder();
// Makes sure ДАННЫЕ, ДАННЫЕ/АРХИВЫ and ДАННЫЕ/АРХИВЫ/MIRA-1 exist; false
// when one cannot be made.
bool makeProgramFolder();

// The details of a carrier file: its title, or the name check's text.
QString details(const QString &folder, const QString &name, const ArchiveDescription &table);

// One line of the renaming proposal for a ticked file (the folders of its
// model and number are made below the program's carrier folder; `folderFailed`
// is set when one could not be):
//   ...<sep><model><sep><number, 5 digits><sep><kind> от MMDDHH_<name>
// `error` gets the name check's text of a file that is no carrier file
// (the line is then empty).
QString proposal(const QString &folder, const QString &name, const ArchiveDescription &table, const QDateTime &now,
                 bool *folderFailed, QString *error);
// The line of a file that is not ticked.
QString untickedLine();
// The first line of the proposal: the program's carrier folder and "...".
QString proposalHead();

struct CopyPair {
    QString source;
    QString destination;
};
// The pairs to copy: for each ticked item i, the folder's file and the
// head line followed by line i + 1 with every "......" removed (an item
// whose line is empty or the unticked line is left out).
QList<CopyPair> copyPairs(const QString &folder, const QStringList &names, const QList<bool> &ticked,
                          const QStringList &lines);

enum class CopyResult { Done, Cancelled, Failed };
// "Операция успешно завершена", "Выполнение операции прервано пользователем",
// "Ошибка выполнения операции".
QString copyResultText(CopyResult r);
// Copies every pair, making the destination folders. A destination that
// exists already is replaced only when `replace` says so; a refusal ends the
// copy as cancelled. Each file is written beside its destination first and
// renamed into place, so an existing file is never left half overwritten.
CopyResult copyFiles(const QList<CopyPair> &pairs, const std::function<bool(const QString &destination)> &replace,
                     QString *error = nullptr);

} // namespace mira

} // namespace pim

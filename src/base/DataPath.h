#pragma once
// Every file the program keeps lives below "the program folder". A build
// tree and a portable copy (one with its ДАННЫЕ beside the executable) keep
// it in the executable's own folder; an installed program (below an install
// prefix, where bin/ sits beside share/applications/pim.desktop) and a
// lone copy of an executable keep it in the user's data folder
// ($XDG_DATA_HOME/pim, ~/.local/share/pim), whoever runs them: not even
// root writes beside the installed programs. This is the only place that
// decides.

#include <QString>
#include <QStringList>

namespace pim {

QString programFolder();

// Tests and tools may point the program folder elsewhere; empty restores
// the rule above.
void setProgramFolder(const QString &folder);

// Whether the executable in `exeDir` keeps its data there (the rule above).
bool keepsDataBeside(const QString &exeDir);

// The user's data folder of the programs (created when missing).
QString userDataFolder();

// program folder / folders... [/ name "." ext]. With an empty name the
// result is the folder itself. An empty extension leaves the name bare.
QString DataPath(const QStringList &folders, const QString &name = QString(),
                 const QString &ext = QString());

// Where trace and dump files of a reading go ("байты состояния",
// "конфигурация.txt", the archive traces): the current folder, as the
// window has always written them, unless the program named another.
QString traceFolder();
// Empty restores the current folder.
void setTraceFolder(const QString &folder);

} // namespace pim

#pragma once
// Every file the program keeps lives below "the program folder": the
// executable's folder when it is writable (a portable install or a build
// tree), otherwise the user's application data folder. This is the only
// place that decides.

#include <QString>
#include <QStringList>

namespace pim {

QString programFolder();

// Tests and tools may point the program folder elsewhere; empty restores
// the rule above.
void setProgramFolder(const QString &folder);

// program folder / folders... [/ name "." ext]. With an empty name the
// result is the folder itself. An empty extension leaves the name bare.
QString DataPath(const QStringList &folders, const QString &name = QString(),
                 const QString &ext = QString());

} // namespace pim

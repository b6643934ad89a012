#pragma once
// Where a running simulator announces its pseudo-terminal so that the port
// list can offer it beside the real serial ports: one file per simulator,
// named by its process id, holding the slave path.

#include <QString>
#include <QStringList>

namespace pim {

// $XDG_RUNTIME_DIR/pimsim when XDG_RUNTIME_DIR is set, else /tmp/pimsim-<uid>.
QString simulatorPortsDir();

// The slave paths of the simulators that are still running, sorted. Files
// of processes that are gone are removed on the way.
QStringList publishedSimulatorPorts();

// Writes `path` into <dir>/<pid of this process>; false with `error` when
// the folder or the file cannot be written.
bool publishSimulatorPort(const QString &path, QString *error = nullptr);

// Removes this process's file (nothing happens when there is none).
void unpublishSimulatorPort();

} // namespace pim

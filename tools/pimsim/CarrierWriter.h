#pragma once
// Carrier files of the simulated device: what a portable data carrier that
// read this calculator would bring back, one file per archive kind, named
// ARH<number, 5 digits><D|H>.<type>. Each holds the current record number
// the device reports (16 bits) and then every ring slot in slot order, each
// the data of the device's own archive reply (without its 5 header bytes
// and its checksum).

#include "SimDevice.h"

#include <QString>
#include <QStringList>

namespace pimsim {

// Writes both files into `dir` (created when missing); false with `error`
// on a type without carrier files or a file that cannot be written.
bool writeCarrierFiles(SimDevice &device, const QString &dir, QStringList *written, QString *error);

} // namespace pimsim

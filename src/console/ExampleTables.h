#pragma once
// Command tables a new engineer can start from: for every served type the
// identity, state and configuration requests and the layouts of their
// replies, made from the frame layouts. They go into the data folder only
// where no table of that name exists, so an engineer's own edits stay.

#include "console/CommandTable.h"

#include <QList>
#include <QString>

namespace pim::console {

struct NamedTable {
    QString fileName; // "запрос состояния.txt"
    CommandTable table;
};

QList<NamedTable> exampleTables(int type);

// Writes the missing example tables of every served type; the number
// written. `error` names the first table that could not be written.
int installExampleTables(QString *error = nullptr);

} // namespace pim::console

#pragma once
// Reading the current state ("состояние"): the identity, up to 20 attempts
// with the module's decoder, the value texts, the dump "байты состояния".

#include "protocol/Tab.h"

#include <QString>
#include <QStringList>

namespace pim {

class DeviceRoad;
class WorkflowUi;

class StateReading {
public:
    static constexpr int kAttempts = 20;

    StateReading(DeviceRoad &road, WorkflowUi &ui);

    // Where the dump file goes; the current directory unless set.
    void setDumpFolder(const QString &folder) { m_dumpFolder = folder; }

    struct Result {
        bool ok = false;
        QStringList values; // SLfromState of the asked system
        QStringList dump;   // the lines of "байты состояния"
        QString dumpError;  // the dump could not be written: the text names the file
        Tab reply;
    };
    // Reads the state and lists the values of `system` (0 or 1).
    Result read(int system = 0);

    // Set after the first reading that succeeded; never cleared.
    static bool stateRead();
    static void resetFlags(); // tests

private:
    DeviceRoad &m_road;
    WorkflowUi &m_ui;
    QString m_dumpFolder;
};

} // namespace pim

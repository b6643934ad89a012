#pragma once
// Reading the current state ("состояние"): the identity, up to 20 attempts
// with the module's decoder, the value texts, the dump "байты состояния".

#include "protocol/Tab.h"

#include <QString>
#include <QStringList>

namespace pim {

class DeviceRoad;
class DeviceSession;
class WorkflowUi;

class StateReading {
public:
    static constexpr int kAttempts = 20;

    // Decodes into the records of `session`, whose flag stateRead it sets.
    StateReading(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session);

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

private:
    DeviceRoad &m_road;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
    QString m_dumpFolder;
};

} // namespace pim

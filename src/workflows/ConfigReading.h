#pragma once
// Reading the configuration ("Конфигурация"): the identity, up to 20
// attempts (type 128 through the state command, whose reply carries its
// configuration), the dump "конфигурация.txt".

#include "protocol/Tab.h"

#include <QString>
#include <QStringList>

namespace pim {

class DeviceRoad;
class DeviceSession;
class ParamCodec;
class WorkflowUi;

class ConfigReading {
public:
    static constexpr int kAttempts = 20;

    // Decodes into the records of `session`, whose flag configRead it sets.
    ConfigReading(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session);
    void setDumpFolder(const QString &folder) { m_dumpFolder = folder; }

    struct Result {
        bool ok = false;
        QList<QStringList> systems; // SLfromParam per heating system
        QStringList dump;
        Tab reply;
    };
    Result read();

    // After a configuration write whose reply was lost or came back
    // damaged: the configuration read again (up to `attempts` requests,
    // the session's record untouched) and compared with what `request`
    // carried. 0 the device holds the written values, 1 it holds others,
    // -1 it gave no configuration to compare.
    static int holdsWritten(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session, const Tab &request,
                            int attempts = 3);

    // The configuration grid as the state grid shows it: the two header
    // rows, then system 1 and system 2 (a one-system type shows its values
    // in both rows), one column per value in the module's column order.
    static QList<QStringList> gridCells(const ParamCodec &codec);

private:
    DeviceRoad &m_road;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
    QString m_dumpFolder;
};

} // namespace pim

#pragma once
// Reading the configuration ("Конфигурация"): the identity, up to 20
// attempts (type 128 through the state command, whose reply carries its
// configuration), the dump "конфигурация.txt".

#include "protocol/Tab.h"

#include <QString>
#include <QStringList>

namespace pim {

class DeviceRoad;
class WorkflowUi;

class ConfigReading {
public:
    static constexpr int kAttempts = 20;

    ConfigReading(DeviceRoad &road, WorkflowUi &ui);
    void setDumpFolder(const QString &folder) { m_dumpFolder = folder; }

    struct Result {
        bool ok = false;
        QList<QStringList> systems; // SLfromParam per heating system
        QStringList dump;
        Tab reply;
    };
    Result read();

    // Set when a configuration reply was decoded; never cleared.
    static bool configRead();
    static void resetFlags(); // tests

private:
    DeviceRoad &m_road;
    WorkflowUi &m_ui;
    QString m_dumpFolder;
};

} // namespace pim

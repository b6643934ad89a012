#pragma once
// The command line of pimctl: global options, then one command with its
// own options. Each command runs the same workflows as the window.

#include "CtlOutput.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace pim {
class ExchangeEngine;
class LinkRoad;
} // namespace pim

namespace pimctl {

class CtlRunner {
public:
    enum Exit { Done = 0, Failed = 1, Usage = 2 };

    CtlRunner();
    ~CtlRunner();

    int run(const QStringList &args);

private:
    int usage(const QString &why);
    int help();
    int fail(const QString &text);
    bool parseGlobal(const QStringList &args, int &i, QString &why);
    bool setupLink(QString &why);
    bool identityKnown();
    void identify();

    int cmdIdentify();
    int cmdState();
    int cmdConfig();
    int cmdArchive(const QStringList &args);
    int cmdDecode(const QStringList &args);
    int cmdFrame(const QStringList &args);
    int cmdLoad(const QStringList &args);

    void print(const QJsonObject &json, const QString &text);

    // Global options.
    QString m_port;
    int m_baud = 9600;
    int m_parity = 0;
    int m_dataBits = 8;
    int m_stopBits = 0; // 0: 1, 1: 1.5, 2: 2
    int m_timeout = 2000;
    QString m_udpHost;
    int m_udpPort = 0;
    int m_imitation = -1;
    int m_type = -1;
    int m_number = -1;
    bool m_typeSet = false;
    bool m_numberSet = false;
    bool m_json = false;
    bool m_linkFailed = false;
    bool m_portChecked = false; // --port opened: the identity command may ask the line

    CtlUi m_ui;
    std::unique_ptr<pim::ExchangeEngine> m_engine;
    std::unique_ptr<pim::LinkRoad> m_road;
};

} // namespace pimctl

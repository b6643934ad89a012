#pragma once
// The command line of pimctl: global options (before or after the
// command), then one command with its own options and help. Each command
// runs the same workflows as the window. A new command is one entry in
// addCommands() and its run function.

#include "CtlOutput.h"
#include "CtlSignals.h"

#include "links/Waiter.h"

#include "devices/DeviceSession.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveReading.h"

#include <QDate>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace pim {
class ArchiveReading;
class AsyncReceiver;
class CarrierFile;
class ExchangeEngine;
class LinkRoad;
class ModemDialer;
} // namespace pim

namespace pimctl {

struct BatchLine; // one calculator of a batch list (CtlBatch.cpp)

class CtlRunner {
public:
    // 130 and 143 are 128 + SIGINT / SIGTERM: a run stopped by the signal.
    enum Exit { Done = 0, Failed = 1, Usage = 2 };

    CtlRunner();
    ~CtlRunner();

    int run(const QStringList &args);

    // The text pimctl prints when a signal ended the run.
    static QString interruptedText() { return QStringLiteral("чтение прервано"); }

private:
    struct Command {
        std::string name;
        std::string synopsis;    // after "pimctl [global options] "
        std::string description;
        bool link = false;       // reaches the device (--port, --udp or --imitation)
        std::function<int()> run;
        CLI::App *app = nullptr;
    };

    void addGlobalOptions(CLI::App &app);
    void addCommands(CLI::App &app);
    // The maintenance commands: asked on the terminal or taken by --yes.
    int cmdMaintenance(const QString &command);
    int cmdCalibrate();
    // write-config (CtlWriteConfig.cpp).
    int cmdWriteConfig();
    // eval and table: the service console (CtlConsole.cpp).
    void addConsoleCommands(CLI::App &app);
    int cmdEval();
    int cmdTable();
    int tableSend(const QByteArray &frame, QByteArray &reply);
    bool confirm(const QString &question);
    Command &addCommand(CLI::App &app, Command c);

    int usage(const QString &why);
    int fail(const QString &text, bool jsonToo = true);
    int interrupted();
    void onSignal(int signal);
    bool print(const QJsonObject &json, const QString &text);
    bool writeStdout(const QByteArray &bytes);
    bool setupLink(QString &why);
    bool resolveConverter();
    bool identityKnown();
    void identify();
    bool checkHandIdentity(QString &why);
    int linkFailure();
    int openLink();

    int cmdIdentify();
    int cmdState();
    int cmdConfig();
    int cmdArchive();
    // The archive read of `archive` and `report`: the range by --range
    // from `today` or by --from/--to, the progress on stderr. The exit
    // status when no range can be chosen, else -1 and the result in `r`.
    int readArchiveRange(int kind, int type, int rangeItem, QDate today, QDate from, QDate to,
                         pim::ArchiveRange &range, pim::ArchiveReading::Result &r);
    int cmdDecode();
    int cmdFrame();
    int cmdLoad();

    // ---- modem and network (CtlModem.cpp)
    void addModemOptions(CLI::App &app);
    void addNetworkCommands(CLI::App &app);
    // --entry: the number, port and codes of a phone-book entry.
    bool takePhoneEntry(QString &why);
    bool takeDialEntry(QString &why);
    // --dial: the call placed on the opened port; false (with the page's
    // texts said) when it did not connect.
    bool dialModem();
    // The call ended whatever the command did: "+++", a pause, the port closed.
    void hangUpModem(int exitCode);
    int cmdPing();

    // ---- change log and state polling (CtlLog.cpp)
    void addLogCommands(CLI::App &app);
    int cmdChangeLog();
    int cmdPoll();
    int m_pollInterval = 1;
    int m_pollCount = 0; // 0: until a signal ends it
    int m_pollSystem = 1;
    std::string m_pollOut, m_pollCsv;

    // ---- many calculators from a list (CtlBatch.cpp)
    void addBatchCommand(CLI::App &app);
    int cmdBatch();
    int batchOne(const BatchLine &line, QJsonObject &result);
    std::string m_batchList, m_batchOut, m_batchKinds = "state,daily,hourly", m_batchRange = "all";
    bool m_batchOutGiven = false; // --out was given, even empty
    int m_batchParallel = 0; // 0: one per distinct link
    int m_batchOnly = 0;     // a worker: reads this line alone

    // Reports (CtlReport.cpp): an archive printed through the template set.
    int cmdReport();
    std::string m_reportArchive, m_reportPdf, m_reportTemplates;
    bool m_reportPdfSet = false;

    // ---- data carrier files (CtlCarrier.cpp): carrier check|info|read;
    // a read replays the file instead of a link.
    void addCarrierCommand(CLI::App &app);
    int cmdCarrier();
    int carrierCheck();
    int carrierInfo();
    int carrierRead();
    bool setupCarrierLink(QString &why);
    std::string m_carrierWhat, m_carrierName;
    bool m_carrierOutSet = false, m_carrierCsvSet = false, m_carrierRecords = false;
    std::shared_ptr<pim::CarrierFile> m_carrier;
    int m_carrierUnreal = 0; // records of the carrier read that could not be real, left out

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
    bool m_quiet = false;
    QString m_traceDir; // --trace: empty for defaultTraceFolder()
    static QString defaultTraceFolder();

    // Command options.
    std::string m_kind, m_range = "all", m_from, m_to, m_out, m_csv, m_png, m_pngSize = "1200x800";
    bool m_outSet = false, m_csvSet = false, m_pngSet = false;
    bool m_diff = false;
    int m_system = 1;
    std::string m_what;
    std::vector<std::string> m_hex;
    int m_code = -1;
    std::vector<std::string> m_data;
    std::string m_file;
    bool m_yes = false;
    std::string m_calKind, m_points;
    int m_channel = 0;
    bool m_allChannels = false;
    int m_newNumber = 0;
    // eval and table
    std::string m_expr, m_tableFile, m_decodeFile;
    int m_tableType = 225, m_tableNumber = 22;
    CLI::App *m_tableEncode = nullptr, *m_tableDecode = nullptr, *m_tableSend = nullptr;
    // write-config
    bool m_defaults = false;
    std::vector<std::string> m_sets;

    // ---- modem and network options
    QString m_dialNumber;
    bool m_dialGiven = false; // --dial was given, even empty
    bool m_pulse = false;
    QString m_entry;
    QString m_phoneBook; // set by batch: the program's book, read before --out moves the data folder
    int m_dialTimeout = 60000;
    bool m_exitFirst = false, m_longDistance = false;
    QString m_exitCode, m_longCode, m_cityCode;
    QString m_linkFailText; // the last line of a link that failed its own way
    std::string m_pingHost;
    int m_pingCount = 1;

    std::vector<std::unique_ptr<Command>> m_commands;
    CLI::App *m_app = nullptr;
    bool m_linkFailed = false;
    QString m_linkError;
    bool m_stdoutUsed = false;
    bool m_portChecked = false; // --port opened: the identity command may ask the line

    // The device of this run: its identity, records and view settings.
    pim::DeviceSession m_session;
    CtlUi m_ui;
    CtlSignals m_signals;
    pim::EventLoopWaiter m_waiter;
    std::unique_ptr<pim::ExchangeEngine> m_engine;
    std::unique_ptr<pim::LinkRoad> m_road;
    pim::ArchiveReading *m_reader = nullptr;
    std::unique_ptr<pim::AsyncReceiver> m_modemRx;
    std::unique_ptr<pim::ModemDialer> m_dialer;
};

} // namespace pimctl

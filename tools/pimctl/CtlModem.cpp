// pimctl through a modem and over the network: the call placed before the
// command and ended after it, the phone-book entries of the program folder,
// and the reachability check of a converter.

#include "CtlRunner.h"

#include "links/AsyncReceiver.h"
#include "links/ExchangeEngine.h"
#include "links/ModemDialer.h"
#include "links/NetCheck.h"
#include "links/PhoneBook.h"

#include <CLI/CLI.hpp>

#include <QFileInfo>
#include <QJsonObject>

using namespace pim;

namespace pimctl {

void CtlRunner::addModemOptions(CLI::App &app)
{
    app.add_option_function<std::string>(
           "--dial",
           [this](const std::string &v) {
               m_dialNumber = QString::fromStdString(v).trimmed().toUpper();
               m_dialGiven = true;
           },
           "call NUMBER through the modem on --port first, hang up after the command (digits, A-D, * # + , W P "
           "T ! @ and blanks, hyphens, brackets only; anything else is refused before the port is opened)")
        ->type_name("NUMBER");
    app.add_flag("--pulse", m_pulse, "pulse dialling (tone by default)");
    app.add_option_function<std::string>(
           "--entry", [this](const std::string &v) { m_entry = QString::fromStdString(v); },
           "number, port, tone or pulse and codes from this entry of the modem page's phone book")
        ->type_name("NAME");
    app.add_option("--dial-timeout", m_dialTimeout, "how long the modem may take to answer a call (60000)")
        ->type_name("MS")
        ->check(CLI::Range(1, 600000));
}

void CtlRunner::addNetworkCommands(CLI::App &app)
{
    CLI::App *p = addCommand(app, {"ping", "ping HOST [--count N]",
                                   "the network page's check of a converter: name lookup, then an ICMP echo", false,
                                   [this] { return cmdPing(); }})
                      .app;
    p->add_option("host", m_pingHost, "host name or dotted address")->required();
    p->add_option("--count", m_pingCount, "checks one after the other; the last one's answer counts (1)")
        ->type_name("N")
        ->check(CLI::Range(1, 100));
}

bool CtlRunner::takePhoneEntry(QString &why)
{
    if (!m_dialGiven && m_entry.isEmpty())
        return true;
    if (!takeDialEntry(why))
        return false;
    // Nothing reaches the port unless the whole dial is one: a CR in it
    // would make the modem run the rest as commands, an empty one would
    // leave the modem in command mode for the device's frames.
    DialPlan plan;
    plan.number = m_dialNumber;
    plan.exitFirst = m_exitFirst;
    plan.exitCode = m_exitCode;
    plan.longDistance = m_longDistance;
    plan.longCode = m_longCode;
    plan.cityCode = m_cityCode;
    why = ModemDialer::dialPlanError(plan);
    return why.isEmpty();
}

bool CtlRunner::takeDialEntry(QString &why)
{
    if (m_imitation >= 0 || !m_udpHost.isEmpty()) {
        why = QStringLiteral("--dial and --entry call through the modem on --port, not with --udp or --imitation");
        return false;
    }
    if (m_entry.isEmpty()) {
        if (m_port.isEmpty()) {
            why = QStringLiteral("--dial needs the modem's --port");
            return false;
        }
        return true;
    }
    // Read as the modem page keeps it; a book not made yet is the one the
    // page would make.
    PhoneBook book = PhoneBook::defaults();
    const QString path = m_phoneBook.isEmpty() ? PhoneBook::defaultPath() : m_phoneBook;
    QString error;
    if (QFileInfo::exists(path) && !book.load(path, &error)) {
        why = error;
        return false;
    }
    PhoneEntry e;
    if (!book.find(m_entry, &e)) {
        why = QStringLiteral("no entry \"%1\" in the phone book %2").arg(m_entry, QFileInfo(path).absoluteFilePath());
        return false;
    }
    if (const QString refused = book.refusal(m_entry); !refused.isEmpty()) {
        why = refused;
        return false;
    }
    // What the command line gives itself goes before the entry.
    if (m_port.isEmpty())
        m_port = e.port;
    if (m_dialNumber.isEmpty())
        m_dialNumber = e.phone.trimmed().toUpper();
    if (!m_pulse)
        m_pulse = !e.tone;
    m_exitFirst = e.exitFirst();
    m_exitCode = e.exitCode;
    m_longDistance = e.longDistance();
    m_longCode = e.longCode;
    m_cityCode = e.cityCode;
    if (m_dialNumber.isEmpty()) {
        why = QStringLiteral("the phone-book entry \"%1\" has no number").arg(m_entry);
        return false;
    }
    return true;
}

bool CtlRunner::dialModem()
{
    if (m_dialNumber.isEmpty())
        return true;
    // The modem's answers come on the asynchronous path; its byte counts
    // are no news on the command line.
    m_modemRx = std::make_unique<AsyncReceiver>(*m_engine, nullptr);
    m_dialer = std::make_unique<ModemDialer>(*m_engine, *m_modemRx, &m_ui);
    m_engine->port().setInputTimeout(quint32(m_timeout));

    DialPlan plan;
    plan.number = m_dialNumber;
    plan.tone = !m_pulse;
    plan.exitFirst = m_exitFirst;
    plan.exitCode = m_exitCode;
    plan.longDistance = m_longDistance;
    plan.longCode = m_longCode;
    plan.cityCode = m_cityCode;
    m_linkFailed = true;
    if (!m_dialer->dial(plan)) {
        m_linkFailText = m_engine->port().PortName() + QStringLiteral(" занят (отсутсвует)");
        m_linkError = m_linkFailText;
        return false;
    }
    const qint64 end = m_waiter.now() + m_dialTimeout;
    while (m_dialer->ModemState() == ModemDialer::Dialling && !m_waiter.interrupted() && m_waiter.now() < end)
        m_waiter.wait(int(end - m_waiter.now()));
    if (m_dialer->connected()) {
        m_linkFailed = false;
        return true;
    }
    if (m_dialer->ModemState() == ModemDialer::Dialling) {
        // Not a word from the modem in the time given.
        m_ui.statusFail(ModemDialer::noLinkText(m_dialNumber));
        m_linkFailText = QStringLiteral("НЕТ ОТВЕТА");
    } else {
        m_linkFailText = m_dialer->lastStateText();
    }
    m_linkError = m_linkFailText;
    return false;
}

void CtlRunner::hangUpModem(int exitCode)
{
    if (!m_dialer)
        return;
    // After a failure its text stays the last line on stderr.
    m_dialer->setStatus(exitCode == Done ? static_cast<StatusSink *>(&m_ui) : nullptr);
    m_dialer->hangUp(true);
    m_dialer.reset();
    m_modemRx.reset();
}

int CtlRunner::cmdPing()
{
    // Each status text as it comes, as the page shows it.
    NetCheck check(&m_ui);
    QObject::connect(&check, &NetCheck::finished, [this] { m_waiter.wake(); });
    const QString host = QString::fromStdString(m_pingHost);
    if (host.trimmed().isEmpty())
        return usage(QStringLiteral("ping needs a host name or address"));
    for (int i = 0; i < m_pingCount && !m_waiter.interrupted(); ++i) {
        check.check(host);
        while (check.running() && !m_waiter.interrupted())
            m_waiter.wait(60000);
    }
    if (m_waiter.interrupted())
        return CtlSignals::received() ? interrupted() : Failed;

    const std::optional<bool> reachable = check.reachable();
    QJsonObject o;
    o[QStringLiteral("host")] = host;
    o[QStringLiteral("address")] = check.address().isEmpty() ? QJsonValue() : QJsonValue(check.address());
    o[QStringLiteral("reachable")] = reachable ? QJsonValue(*reachable) : QJsonValue();
    o[QStringLiteral("text")] = check.mainText();
    QString text = check.mainText() + QLatin1Char('\n') + check.stateText() + QLatin1Char('\n');
    if (!check.timeText().isEmpty())
        text += QStringLiteral("время ответа: ") + check.timeText() + QLatin1Char('\n');
    if (!print(o, text))
        return Failed;
    return reachable == true ? Done : Failed;
}

} // namespace pimctl

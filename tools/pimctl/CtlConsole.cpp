// eval and table: the service console's arithmetic and command tables,
// and one raw exchange with a table's frame.

#include "CtlRunner.h"
#include "CtlRoads.h"

#include "console/CommandTable.h"
#include "console/Expr.h"
#include "console/Listing.h"
#include "console/TableCodec.h"
#include "links/AsyncReceiver.h"
#include "links/ExchangeEngine.h"

#include <CLI/CLI.hpp>

#include <QJsonArray>
#include <QJsonObject>

#include <memory>

namespace pimctl {

using namespace pim;
using namespace pim::console;

namespace {

QJsonArray jsonLines(const QStringList &l)
{
    QJsonArray a;
    for (const QString &s : l)
        a.append(s);
    return a;
}

// Takes the reception once it has ended.
class Collect final : public RxCompletion {
public:
    explicit Collect(Waiter &w) : m_waiter(w) {}
    void rxComplete(const QByteArray &buffer) override
    {
        reply = buffer;
        done = true;
        m_waiter.wake();
    }
    QByteArray reply;
    bool done = false;

private:
    Waiter &m_waiter;
};

} // namespace

void CtlRunner::addConsoleCommands(CLI::App &app)
{
    CLI::App *e = addCommand(app, {"eval", "eval EXPR",
                                   "a value cell's expression as the service page evaluates it (products before "
                                   "quotients before sums, no parentheses)",
                                   false, [this] { return cmdEval(); }})
                      .app;
    e->add_option("expr", m_expr, "the expression, e.g. 2+3*4 or $1F")->required();

    CLI::App *t = addCommand(app, {"table",
                                   "table encode FILE [--type T] [--number N]\n"
                                   "          table decode FILE HEX...\n"
                                   "          table send FILE [--decode FILE2] [--type T] [--number N]",
                                   "a frame from a command table, a reply read with one, or one raw exchange "
                                   "(--port or --udp)",
                                   false, [this] { return cmdTable(); }})
                      .app;
    t->require_subcommand(1);
    auto typeAndNumber = [this](CLI::App *c) {
        c->add_option("--type", m_tableType, "the type the table's @03 gives (225)")->check(CLI::Range(0, 255))->type_name("T");
        c->add_option("--number", m_tableNumber, "the number the table's @04 gives (22)")
            ->check(CLI::Range(0, 65535))
            ->type_name("N");
    };
    m_tableEncode = t->add_subcommand("encode", "the frame (upper-case hex) and the table's report");
    m_tableEncode->add_option("file", m_tableFile, "the command table")->required();
    typeAndNumber(m_tableEncode);
    m_tableDecode = t->add_subcommand("decode", "a reply read field by field with a table");
    m_tableDecode->add_option("file", m_tableFile, "the command table")->required();
    m_tableDecode->add_option("hex", m_hex, "the reply bytes")->required();
    m_tableSend = t->add_subcommand("send", "the table's frame written once; whatever arrives within --timeout");
    m_tableSend->add_option("file", m_tableFile, "the command table")->required();
    m_tableSend->add_option("--decode", m_decodeFile, "the table that reads the reply");
    typeAndNumber(m_tableSend);
    for (CLI::App *c : {m_tableEncode, m_tableDecode, m_tableSend})
        c->fallthrough();
}

int CtlRunner::cmdEval()
{
    const ExprResult r = EvalExpr(QString::fromStdString(m_expr));
    const QString text = exprShown(r);
    QJsonObject o;
    o[QStringLiteral("ok")] = r.ok;
    o[QStringLiteral("text")] = text;
    if (!print(o, text + QLatin1Char('\n')))
        return Failed;
    return r.ok ? Done : Failed;
}

int CtlRunner::cmdTable()
{
    const QString file = QString::fromStdString(m_tableFile);
    CommandTable table;
    if (const QString error = LoadTable(file, QLatin1Char('\t'), table); !error.isEmpty())
        return fail(QString(error).replace(QLatin1Char('\r'), QLatin1Char(' ')));

    if (m_tableDecode->parsed()) {
        Tab reply;
        if (!parseBytes(m_hex, reply))
            return usage(QStringLiteral("bad hex reply"));
        const QStringList report = DecodeTable(table, reply);
        QJsonObject o;
        o[QStringLiteral("report")] = jsonLines(report);
        return print(o, report.join(QLatin1Char('\n')) + QLatin1Char('\n')) ? Done : Failed;
    }

    const Encoded e = EncodeTable(table, m_tableType, m_tableNumber);
    if (m_tableEncode->parsed()) {
        QJsonObject o;
        o[QStringLiteral("frame")] = e.refused ? QJsonValue() : QJsonValue(e.frame.toHex());
        o[QStringLiteral("report")] = jsonLines(e.report);
        const QString text = (e.refused ? QString() : e.frame.toHex()) + QLatin1Char('\n')
            + e.report.join(QLatin1Char('\n')) + QLatin1Char('\n');
        if (!print(o, text))
            return Failed;
        if (e.refused) {
            m_ui.note(e.why);
            return Failed;
        }
        return Done;
    }

    // send: a refused table sends nothing.
    if (e.refused) {
        const QStringList listing = requestListing(e, {});
        if (!m_json)
            writeStdout((listing.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        return fail(e.why);
    }
    CommandTable decoding;
    if (!m_decodeFile.empty()) {
        if (const QString error = LoadTable(QString::fromStdString(m_decodeFile), QLatin1Char('\t'), decoding);
            !error.isEmpty())
            return fail(QString(error).replace(QLatin1Char('\r'), QLatin1Char(' ')));
    }
    if (m_imitation >= 0)
        return usage(QStringLiteral("table send writes to a line: --port or --udp"));
    if (const int rc = openLink(); rc >= 0)
        return rc;
    QByteArray reply;
    const int rc = tableSend(e.frame.bytes(), reply);
    if (rc != Done)
        return rc;
    QStringList listing = requestListing(e, {});
    const Tab answer = Tab::fromBytes(reply);
    listing << QStringLiteral("ответ:") << byteLines(answer);
    if (!m_decodeFile.empty())
        listing << DecodeTable(decoding, answer);
    QJsonObject o;
    o[QStringLiteral("request")] = e.frame.toHex();
    o[QStringLiteral("reply")] = answer.toHex();
    o[QStringLiteral("listing")] = jsonLines(listing);
    if (!print(o, listing.join(QLatin1Char('\n')) + QLatin1Char('\n')))
        return Failed;
    if (reply.isEmpty()) {
        m_ui.statusFail(QStringLiteral("НЕТ ОТВЕТА"));
        return Failed;
    }
    m_ui.statusOk(QStringLiteral("Принял ответ %1 байт").arg(reply.size()));
    return Done;
}

int CtlRunner::tableSend(const QByteArray &frame, QByteArray &reply)
{
    m_ui.statusBusy(QStringLiteral("ПОСЛАЛ... Ждем ответа"));
    if (!m_udpHost.isEmpty()) {
        UdpChannel &udp = m_engine->udp();
        udp.setWaiter(&m_waiter);
        udp.setHost(m_udpHost);
        udp.setPort(quint16(m_udpPort));
        udp.discardPending();
        if (!udp.send(frame))
            return fail(QStringLiteral("НЕТ СВЯЗИ"));
        QByteArray part;
        // Whatever comes within the time-out.
        const qint64 deadline = m_waiter.now() + m_timeout;
        while (!m_waiter.interrupted()) {
            const qint64 left = deadline - m_waiter.now();
            if (left <= 0 || !udp.receive(part, int(left)))
                break;
            reply += part;
        }
        return m_waiter.interrupted() ? interrupted() : int(Done);
    }
    // Serial: one write, and the reception that follows, ended by the
    // receive path once the bytes stop coming, or by the time-out.
    Collect collect(m_waiter);
    // Over a modem call its receive path is the one that holds the port.
    std::unique_ptr<AsyncReceiver> own;
    AsyncReceiver *rxPath = m_modemRx.get();
    if (!rxPath) {
        own = std::make_unique<AsyncReceiver>(*m_engine, nullptr);
        rxPath = own.get();
    }
    AsyncReceiver &rx = *rxPath;
    rx.setServiceHandler(&collect);
    rx.setServicePageActive(true);
    struct Restore {
        AsyncReceiver &rx;
        ~Restore()
        {
            rx.setServicePageActive(false);
            rx.setServiceHandler(nullptr);
        }
    } restore{rx};
    if (!rx.SendAsync(frame))
        return fail(m_port + QStringLiteral("НЕТ СВЯЗИ"));
    const qint64 deadline = m_waiter.now() + m_timeout;
    while (!collect.done && !m_waiter.interrupted()) {
        const qint64 left = deadline - m_waiter.now();
        if (left <= 0)
            break;
        m_waiter.wait(int(left));
    }
    if (m_waiter.interrupted())
        return interrupted();
    // Still arriving at the time-out: what came so far.
    reply = collect.done ? collect.reply : rx.RxBuffer();
    return Done;
}

} // namespace pimctl

#include "links/ModemDialer.h"

#include "base/Cp1251.h"
#include "links/ExchangeEngine.h"
#include "links/StatusSink.h"

namespace pim {

namespace {
QString portBusy(ExchangeEngine &e)
{
    return e.port().PortName() + QStringLiteral(" занят (отсутсвует)");
}
} // namespace

DialPlan DialPlan::of(const PhoneEntry &e)
{
    DialPlan p;
    p.number = e.phone;
    p.tone = e.tone;
    p.exitFirst = e.exitFirst();
    p.exitCode = e.exitCode;
    p.longDistance = e.longDistance();
    p.longCode = e.longCode;
    p.cityCode = e.cityCode;
    return p;
}

ModemDialer::ModemDialer(ExchangeEngine &engine, AsyncReceiver &rx, StatusSink *status, QObject *parent)
    : QObject(parent), m_engine(engine), m_rx(rx), m_status(status)
{
    m_rx.setModemHandler(this);
}

ModemDialer::~ModemDialer()
{
    m_rx.setModemHandler(nullptr);
}

QByteArray ModemDialer::dialCommand(const DialPlan &p)
{
    QString s = p.tone ? QStringLiteral("ATDT") : QStringLiteral("ATDP");
    if (p.exitFirst)
        s += p.exitCode + QLatin1Char('W');
    if (p.longDistance)
        s += p.longCode + QLatin1Char('W') + p.cityCode;
    s += p.number + QLatin1Char('\r');
    return s.toLatin1();
}

QString ModemDialer::dialStringError(const QString &what, const QString &text)
{
    static const QString allowed = QStringLiteral("0123456789ABCDabcd*#+,WwPpTt!@ -()");
    for (const QChar c : text) {
        if (allowed.contains(c))
            continue;
        const QString shown = c.unicode() < 0x20 || c.unicode() == 0x7F
            ? QStringLiteral("код %1").arg(c.unicode())
            : QStringLiteral("\"") + c + QLatin1Char('"');
        return what + QStringLiteral(" \"") + QString(text).replace(QLatin1Char('\r'), QStringLiteral("\\r"))
                   .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
            + QStringLiteral("\": недопустимый символ ") + shown
            + QStringLiteral(" (в наборе допустимы цифры, A-D, * # + , W P T ! @)");
    }
    return {};
}

QString ModemDialer::dialPlanError(const DialPlan &p)
{
    bool digits = false;
    for (const QChar c : p.number)
        digits = digits || c.isDigit() || c == QLatin1Char('*') || c == QLatin1Char('#');
    if (!digits)
        return QStringLiteral("номер \"") + p.number + QStringLiteral("\": нечего набирать");
    QString why = dialStringError(QStringLiteral("номер"), p.number);
    if (why.isEmpty() && p.exitFirst)
        why = dialStringError(QStringLiteral("код выхода в город"), p.exitCode);
    if (why.isEmpty() && p.longDistance)
        why = dialStringError(QStringLiteral("код межгорода"), p.longCode);
    if (why.isEmpty() && p.longDistance)
        why = dialStringError(QStringLiteral("код города"), p.cityCode);
    return why;
}

QString ModemDialer::clean(const QByteArray &reply, const QByteArray &lastCommand)
{
    QByteArray r = reply;
    if (!lastCommand.isEmpty()) {
        const qsizetype at = r.indexOf(lastCommand);
        if (at >= 0)
            r.remove(at, lastCommand.size());
    }
    QString out;
    for (char c : r)
        if (c >= 'A' && c <= 'Z')
            out.append(QLatin1Char(c));
    return out;
}

QString ModemDialer::noLinkText(const QString &number)
{
    // "НET": the page's own spelling, a Cyrillic Н before a Latin E and T.
    return QStringLiteral("номер: ") + number + QStringLiteral("-Н") + QLatin1String("ET") + QStringLiteral(" СВЯЗИ!");
}

QString ModemDialer::resultExplanation(const QString &word)
{
    if (word == QLatin1String("NODIALTONE"))
        return QStringLiteral(" (нет гудка)");
    if (word == QLatin1String("NOCARRIER"))
        return QStringLiteral(" (нет несущей)");
    if (word == QLatin1String("BUSY"))
        return QStringLiteral(" (занято)");
    return QString();
}

QStringList ModemDialer::charListing(const QByteArray &bytes)
{
    QStringList lines;
    for (char ch : bytes)
        lines.append(charLine(quint8(ch)));
    return lines;
}

void ModemDialer::ok(StatusLabel l, const QString &t)
{
    if (m_status)
        m_status->StatusOk(l, t);
}
void ModemDialer::busy(StatusLabel l, const QString &t)
{
    if (m_status)
        m_status->StatusBusy(l, t);
}
void ModemDialer::failed(StatusLabel l, const QString &t)
{
    if (m_status)
        m_status->StatusFail(l, t);
}

void ModemDialer::setModemState(int s)
{
    if (m_state == s)
        return;
    m_state = s;
    m_engine.waiter().wake();
    emit stateChanged(s);
}

void ModemDialer::setDisconnectEnabled(bool on)
{
    if (m_disconnectEnabled == on)
        return;
    m_disconnectEnabled = on;
    emit disconnectEnabledChanged(on);
}

bool ModemDialer::sendRaw(const QByteArray &command)
{
    if (m_rx.SendAsync(command))
        return true;
    failed(StatusLabel::LuState, portBusy(m_engine));
    failed(StatusLabel::LMstate, portBusy(m_engine));
    return false;
}

bool ModemDialer::send(const QString &text)
{
    busy(StatusLabel::LuState, QStringLiteral("ПОСЫЛАЮ... ") + text);
    busy(StatusLabel::LMstate, text);
    return sendRaw(text.toLatin1() + '\r');
}

bool ModemDialer::dial(const DialPlan &plan)
{
    // Checked before the port is touched: the modem would take a CR in the
    // number as the end of the dial and run what follows as commands.
    if (const QString why = dialPlanError(plan); !why.isEmpty()) {
        failed(StatusLabel::LuState, why);
        failed(StatusLabel::LMstate, why);
        return false;
    }
    m_number = plan.number;
    m_lastWord.clear();
    m_lastStateText.clear();
    setModemState(Dialling);
    setDisconnectEnabled(false);
    // A bare CR first: whatever the modem had in its line is ended.
    send(QString());
    const QByteArray command = dialCommand(plan);
    busy(StatusLabel::LuState, QStringLiteral("Вызываю... ") + plan.number);
    busy(StatusLabel::LMstate, QStringLiteral("набор: ") + QString::fromLatin1(command));
    if (m_rx.SendAsync(command))
        return true;
    setDisconnectEnabled(true);
    failed(StatusLabel::LuState, portBusy(m_engine));
    failed(StatusLabel::LMstate, portBusy(m_engine));
    return false;
}

void ModemDialer::hangUp(bool always)
{
    if (m_state != Connected && !always)
        return;
    TCommPortDriver &port = m_engine.port();
    busy(StatusLabel::LuState, QStringLiteral("Отключаюсь от ") + m_number + QStringLiteral(" Ждите..."));
    busy(StatusLabel::LMstate, QStringLiteral("завершение связи "));
    if (port.IsOpen())
        port.SendText("+++");
    m_engine.Pause(200);
    port.ClosePort();
    m_engine.Pause(200);
    ok(StatusLabel::LMstate, QStringLiteral("отключен"));
    setModemState(Idle);
    ok(StatusLabel::LuState, QStringLiteral("связь по модему отключена"));
}

void ModemDialer::rxComplete(const QByteArray &r)
{
    TerminalMemo &memo = m_engine.memo();
    if (memo.isVisible()) {
        for (const QString &line : charListing(r))
            memo.insert(line + QStringLiteral("\r\n"));
        memo.insert(fromCp1251(r));
    }
    emit replyHandled();
    const QByteArray last = m_rx.LastCommand();
    if (last.contains("ATH")) {
        const QString word = clean(r, last);
        if (word.isEmpty())
            return;
        setDisconnectEnabled(true);
        if (word.contains(QLatin1String("OK"))) {
            setModemState(Idle);
            ok(StatusLabel::LuState, QStringLiteral("связь по модему отключена"));
            ok(StatusLabel::LMstate, QStringLiteral("отключен"));
        } else {
            failed(StatusLabel::LuState,
                   QStringLiteral("номер: ") + m_number + QStringLiteral("-не отключился, отключаю порт"));
            failed(StatusLabel::LMstate, word);
        }
        m_engine.port().ClosePort();
        return;
    }
    if (!last.startsWith("ATD"))
        return;
    busy(StatusLabel::LuState, QStringLiteral("Вызываю №... ") + m_number);
    busy(StatusLabel::LMstate, QStringLiteral("набор: ") + QString::fromLatin1(last));
    const QString word = clean(r, last);
    if (word.isEmpty())
        return; // the result is still to come
    m_lastWord = word;
    setDisconnectEnabled(true);
    if (word == QLatin1String("OK") || word.contains(QLatin1String("CONNECT"))) {
        m_lastStateText = QStringLiteral("связь установлена");
        ok(StatusLabel::LuState, m_number + QStringLiteral(" НА СВЯЗИ!"));
        ok(StatusLabel::LMstate, m_lastStateText);
        // Device replies now belong to the exchange engine.
        m_rx.setRxSuppressed(true);
        setModemState(Connected);
        return;
    }
    m_lastStateText = word + resultExplanation(word);
    setModemState(Idle);
    failed(StatusLabel::LuState, noLinkText(m_number));
    failed(StatusLabel::LMstate, m_lastStateText);
}

} // namespace pim

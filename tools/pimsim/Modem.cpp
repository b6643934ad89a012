#include "Modem.h"

namespace pimsim {

Modem::Modem(const ModemOptions &options, Out toLine, Out toDevice, QObject *parent)
    : QObject(parent), m_opt(options), m_toLine(std::move(toLine)), m_toDevice(std::move(toDevice)), m_echo(options.echo)
{
    m_dialTimer.setSingleShot(true);
    m_guardTimer.setSingleShot(true);
    connect(&m_dialTimer, &QTimer::timeout, this, &Modem::dialDone);
    connect(&m_guardTimer, &QTimer::timeout, this, &Modem::guardDone);
}

QString Modem::outcomeFor(const QString &dialString)
{
    QString digits;
    for (QChar c : dialString)
        if (c.isDigit())
            digits.append(c);
    if (digits.endsWith(QLatin1String("66")))
        return QStringLiteral("busy");
    if (digits.endsWith(QLatin1String("77")))
        return QStringLiteral("no-carrier");
    if (digits.endsWith(QLatin1String("88")))
        return QStringLiteral("no-dialtone");
    if (digits.endsWith(QLatin1String("99")))
        return QStringLiteral("no-answer");
    return QStringLiteral("connect");
}

void Modem::result(const QString &text)
{
    m_toLine("\r\n" + text.toLatin1() + "\r\n");
}

void Modem::fromHost(const QByteArray &bytes)
{
    if (m_mode == Mode::Online) {
        // "+++" counts only after a guard time of silence and is confirmed
        // by another one; anything else in between is data for the device.
        const bool quietBefore = !m_sinceLastByte.isValid() || m_sinceLastByte.elapsed() >= m_opt.guardMs;
        QByteArray data;
        for (char c : bytes) {
            if (c == '+' && m_plus.size() < 3 && (!m_plus.isEmpty() || (quietBefore && data.isEmpty()))) {
                m_plus.append(c);
                continue;
            }
            if (!m_plus.isEmpty()) {
                data.append(m_plus);
                m_plus.clear();
            }
            data.append(c);
        }
        m_sinceLastByte.start();
        m_guardTimer.stop();
        if (m_plus.size() == 3)
            m_guardTimer.start(m_opt.guardMs);
        if (!data.isEmpty())
            m_toDevice(data);
        return;
    }
    m_sinceLastByte.start();
    if (m_mode == Mode::Dialing)
        return; // the call is being placed; the modem listens to nothing
    for (char c : bytes)
        commandByte(c);
}

void Modem::commandByte(char c)
{
    if (m_echo)
        m_toLine(QByteArray(1, c));
    if (c == '\r') {
        const QString line = QString::fromLatin1(m_line).trimmed();
        m_line.clear();
        runLine(line);
        return;
    }
    if (c == '\n')
        return;
    if (c == '\b' || c == 0x7F) {
        m_line.chop(1);
        return;
    }
    if (m_line.size() < 256)
        m_line.append(c);
}

void Modem::runLine(const QString &text)
{
    // A command starts at "AT"; whatever came before it (line noise, a
    // frame sent too early) is not part of it.
    const int start = text.toUpper().indexOf(QLatin1String("AT"));
    if (start < 0)
        return;
    const QString line = text.mid(start).toUpper();
    int i = 2;
    auto number = [&]() {
        while (i < line.size() && line[i].isDigit())
            ++i;
    };
    while (i < line.size()) {
        const QChar c = line[i++];
        switch (c.unicode()) {
        case ' ':
            break;
        case 'E':
            m_echo = !(i < line.size() && line[i] == QLatin1Char('0'));
            number();
            break;
        case 'Z':
            m_echo = m_opt.echo;
            number();
            if (m_mode == Mode::OnlineCommand)
                m_mode = Mode::Command;
            break;
        case 'V': case 'Q': case 'X': case 'L': case 'M': case 'B': case 'N': case 'W':
            number();
            break;
        case '&':
            if (i < line.size())
                ++i;
            number();
            break;
        case 'S':
            number();
            if (i < line.size() && (line[i] == QLatin1Char('=') || line[i] == QLatin1Char('?'))) {
                ++i;
                number();
            }
            break;
        case 'I':
            number();
            m_toLine("\r\nPIMSIM\r\n");
            break;
        case 'H':
            number();
            m_mode = Mode::Command;
            m_plus.clear();
            break;
        case 'A':
            result(QStringLiteral("NO CARRIER"));
            return;
        case 'O':
            number();
            if (m_mode == Mode::OnlineCommand) {
                m_mode = Mode::Online;
                m_sinceLastByte.invalidate();
                result(m_opt.connectText);
            } else {
                result(QStringLiteral("NO CARRIER"));
            }
            return;
        case 'D': {
            if (m_mode == Mode::OnlineCommand) {
                result(QStringLiteral("ERROR"));
                return;
            }
            const QString dial = line.mid(i);
            m_pendingOutcome = m_opt.result.isEmpty() ? outcomeFor(dial) : m_opt.result;
            if (!m_opt.expectDial.isEmpty() && dial.trimmed() != m_opt.expectDial.toUpper())
                m_pendingOutcome = QStringLiteral("no-carrier");
            m_mode = Mode::Dialing;
            // Nobody lifts the receiver: the call rings for the modem's
            // answer time before it gives up.
            const bool rings = m_pendingOutcome == QLatin1String("no-answer");
            m_dialTimer.start(rings && m_opt.answerMs >= 0 ? m_opt.answerMs : m_opt.dialMs);
            return;
        }
        default:
            result(QStringLiteral("ERROR"));
            return;
        }
    }
    result(QStringLiteral("OK"));
}

void Modem::dialDone()
{
    if (m_mode != Mode::Dialing)
        return;
    const QString o = m_pendingOutcome;
    if (o == QLatin1String("connect") || o == QLatin1String("ok")) {
        m_mode = Mode::Online;
        m_plus.clear();
        m_sinceLastByte.invalidate();
        result(o == QLatin1String("ok") ? QStringLiteral("OK") : m_opt.connectText);
        return;
    }
    m_mode = Mode::Command;
    if (o == QLatin1String("busy"))
        result(QStringLiteral("BUSY"));
    else if (o == QLatin1String("no-carrier"))
        result(QStringLiteral("NO CARRIER"));
    else if (o == QLatin1String("no-dialtone"))
        result(QStringLiteral("NO DIALTONE"));
    else if (o == QLatin1String("no-answer"))
        result(QStringLiteral("NO ANSWER"));
    // "none": no answer at all
}

void Modem::guardDone()
{
    if (m_mode != Mode::Online || m_plus.size() != 3)
        return;
    m_plus.clear();
    m_mode = Mode::OnlineCommand;
    result(QStringLiteral("OK"));
}

void Modem::hostClosed()
{
    m_dialTimer.stop();
    m_guardTimer.stop();
    m_plus.clear();
    m_line.clear();
    m_mode = Mode::Command;
}

} // namespace pimsim

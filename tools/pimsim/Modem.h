#pragma once
// A Hayes modem in front of the device: commands with echo and verbal result
// codes while off line, a call placed by ATD whose outcome depends on the
// dialled number (or is forced), frames passed through only while on line,
// "+++" with guard times back to command mode, ATH / ATO, and the call
// dropped when the host closes the port.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace pimsim {

struct ModemOptions {
    // Forced outcome of every call: "connect", "ok" (a connection the
    // modem reports with a bare OK), "busy", "no-carrier", "no-dialtone",
    // "no-answer", "none" (no result at all); empty = by the number.
    QString result;
    // Echo of the command characters at start (ATE0 / ATE1 change it).
    bool echo = true;
    // When set, only a call dialled exactly so (what follows ATD, "T" or
    // "P" included) goes through; any other gets no carrier.
    QString expectDial;
    int dialMs = 300;   // from ATD to the result
    // How long an unanswered call rings before "NO ANSWER" (< 0: dialMs).
    int answerMs = -1;
    int guardMs = 100;  // silence around "+++"
    QString connectText = QStringLiteral("CONNECT 9600");
};

class Modem : public QObject {
    Q_OBJECT
public:
    enum class Mode { Command, Dialing, Online, OnlineCommand };

    using Out = std::function<void(const QByteArray &)>;
    Modem(const ModemOptions &options, Out toLine, Out toDevice, QObject *parent = nullptr);

    // Bytes from the host.
    void fromHost(const QByteArray &bytes);
    // The host closed the port: the call is dropped.
    void hostClosed();

    Mode mode() const { return m_mode; }
    bool online() const { return m_mode == Mode::Online; }

    // The outcome a dialled number gets without a forced result: numbers
    // ending in 66 are busy, 77 give no carrier, 88 no dial tone, 99 ring
    // unanswered until "NO ANSWER"; every other number connects.
    static QString outcomeFor(const QString &dialString);

private:
    void commandByte(char c);
    void runLine(const QString &line);
    void result(const QString &text);
    void dialDone();
    void guardDone();

    ModemOptions m_opt;
    Out m_toLine;
    Out m_toDevice;
    Mode m_mode = Mode::Command;
    bool m_echo = true;
    QByteArray m_line;
    QString m_pendingOutcome;
    QTimer m_dialTimer;
    QTimer m_guardTimer;
    QElapsedTimer m_sinceLastByte;
    QByteArray m_plus;
};

} // namespace pimsim

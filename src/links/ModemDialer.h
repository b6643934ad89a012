#pragma once
// The modem dialer: raw AT commands typed by the operator, a call placed
// with a dial string built from the number and the entry's codes, the
// modem's answer read by the asynchronous receive path, and the hang-up.
// Once the modem reports a connection the port stays open and every device
// exchange runs over the line as over a direct one.

#include "links/AsyncReceiver.h"
#include "links/PhoneBook.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace pim {

class ExchangeEngine;
class StatusSink;

// What a dial is made of: the number and the codes the page's boxes choose.
struct DialPlan {
    QString number;
    bool tone = true;
    bool exitFirst = false;  // "выход в город"
    QString exitCode;
    bool longDistance = false; // "межгород"
    QString longCode;
    QString cityCode;

    static DialPlan of(const PhoneEntry &e);
};

class ModemDialer : public QObject, public RxCompletion {
    Q_OBJECT
public:
    // ModemState.
    enum State { Connected = 0, Idle = 1, Dialling = 2 };

    ModemDialer(ExchangeEngine &engine, AsyncReceiver &rx, StatusSink *status, QObject *parent = nullptr);
    ~ModemDialer() override;

    void setStatus(StatusSink *s) { m_status = s; }

    // "ATDT" or "ATDP", the exit code and W, the long-distance code, W and
    // the city code, the number, CR.
    static QByteArray dialCommand(const DialPlan &plan);
    // Why `text` cannot go into a dial command (empty when it can): only
    // what a Hayes dial string holds, digits, A-D, * # + , W P T ! @ and
    // the blanks, hyphens and brackets modems skip. Anything else (a CR
    // would end the dial and run the rest as commands; a letter outside
    // Latin-1 goes out as "?") is named. `what` names the field.
    static QString dialStringError(const QString &what, const QString &text);
    // The same for every part a dial of `plan` sends; an empty number too.
    static QString dialPlanError(const DialPlan &plan);
    // The modem's text without the echo of `lastCommand` (its first
    // occurrence) and without everything but upper-case Latin letters:
    // "\r\nNO CARRIER\r\n" gives "NOCARRIER".
    static QString clean(const QByteArray &reply, const QByteArray &lastCommand);
    // "номер: N-НET СВЯЗИ!": a call that did not connect.
    static QString noLinkText(const QString &number);
    // The explanation the page adds to a failed call's result word.
    static QString resultExplanation(const QString &word);
    // One line per byte: "%.3d=%.2d(%s) %s" with the control characters
    // named.
    static QStringList charListing(const QByteArray &bytes);

    int ModemState() const { return m_state; }
    // The port check of another port ends a session without a hang-up.
    void setModemState(int s);
    bool connected() const { return m_state == Connected; }
    // "отсоединить" is offered (it is taken away while a call is placed).
    bool disconnectEnabled() const { return m_disconnectEnabled; }
    // The number the texts name (the page's "Etel").
    QString number() const { return m_number; }
    void setNumber(const QString &n) { m_number = n; }
    // The cleaned result word of the last call and the text beside it.
    QString lastWord() const { return m_lastWord; }
    QString lastStateText() const { return m_lastStateText; }

    // "послать...": `text` and a CR written as a raw command. False when
    // the port could not be opened.
    bool send(const QString &text);
    // "позвонить": a bare CR, then the dial command. False when the port
    // could not be opened or the plan holds what no dial string may (said
    // on both labels, nothing sent); the answer comes through rxComplete().
    bool dial(const DialPlan &plan);
    // "отсоединить": "+++", a pause, the port closed (which drops the
    // line), a pause. Only when connected, unless `always`.
    void hangUp(bool always = false);

    // The completed reception (the asynchronous receive path calls it).
    void rxComplete(const QByteArray &buffer) override;

signals:
    void stateChanged(int state);
    void disconnectEnabledChanged(bool on);
    // An answer of the modem was taken (and listed in the memo if shown).
    void replyHandled();

private:
    void setDisconnectEnabled(bool on);
    void ok(StatusLabel l, const QString &t);
    void busy(StatusLabel l, const QString &t);
    void failed(StatusLabel l, const QString &t);
    bool sendRaw(const QByteArray &command);

    ExchangeEngine &m_engine;
    AsyncReceiver &m_rx;
    StatusSink *m_status;
    int m_state = Idle;
    bool m_disconnectEnabled = true;
    QString m_number;
    QString m_lastWord;
    QString m_lastStateText;
};

} // namespace pim

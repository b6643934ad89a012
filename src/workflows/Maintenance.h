#pragma once
// The commands that change a calculator: set its clock, give it a new
// number, initialise it, restart its operating-time count, clear its
// archives. Each asks first (the caller's confirmation: the window's
// dialog, a terminal question or pimctl's --yes), sends one request, checks
// the reply as a whole frame before reading its status byte, and reports
// in the status line with the texts the operator knows. In imitation mode
// the reply is the training mode's own: read by its status byte alone (the
// clock and a 225 always done, the pulse counter's number by its header).

#include "protocol/Tab.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace pim {

class DeviceRoad;
class DeviceSession;
class WorkflowUi;

class Maintenance {
public:
    // Shows the question; true only for "ДА".
    using Confirm = std::function<bool(const QString &question)>;

    Maintenance(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session, Confirm confirm);

    struct Result {
        bool asked = false;     // the question was put (the identity was known)
        bool confirmed = false; // and answered "ДА"
        bool sent = false;      // a request went out
        bool ok = false;        // the device did it
        QString text;           // the last status text
        int number = -1;        // set number: the number the device answers to now
    };

    // The question of the dialog: the common prefix and the command's text.
    static QString question(const QString &commandText);

    // `now` is the computer's time when "ДА" is pressed (asked again after
    // the question); `clockText` is the clock label's text.
    Result setTime(const std::function<QDateTime()> &now, const QString &clockText);
    Result setNumber(int number);
    Result init();
    Result zeroTime();
    Result clearArchives();
    // "запись конфигурации": the configuration as edited in the session's
    // module. A configuration the encoder refuses (systems that disagree,
    // "Не совпадает:" with the fields; a value out of range; a failed
    // check) is said and never sent.
    Result writeConfig();

    // The data of the clock request: minute of the day (low byte first),
    // day, month, year - 2000.
    static Tab timeData(const QDateTime &t);
    // The status byte's text: 1 the jumper, anything else the password.
    static QString refusalText(int status);

private:
    struct Job;
    Result run(const Job &job);

    DeviceRoad &m_road;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
    Confirm m_confirm;
};

} // namespace pim

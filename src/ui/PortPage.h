#pragma once
// The "COM-порт" page of the link pages: the port list, the line settings,
// the port check that tells whether the chosen port can be opened, the
// factory settings and the splitter highlight.

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace pim {
class DeviceSession;
class StatusSink;
class TCommPortDriver;
}

namespace pim::ui {

class Events;

class PortPage : public QWidget {
    Q_OBJECT
public:
    PortPage(Events &events, TCommPortDriver &port, StatusSink &status, DeviceSession &session, QWidget *parent = nullptr);

    // The serial devices of the machine and the ports running simulators
    // publish.
    static QStringList EnumPorts();

    // Preparation: the port list, then the line-setting lists with the
    // port's defaults (9600, no parity, 1 stop bit, 8 data bits) selected.
    void fillPorts();
    void fillLists();
    // Preparation: try the ports from the first; stop at the first that
    // opens. True when one did.
    bool openFirstUsable();

    // The port check of a list (cbC, the modem page's list); null = cbC.
    // True when the port opened.
    bool PortCheck(QComboBox *sender = nullptr);
    // Chooses `name` in the port list (adding it when the list lacks it, as
    // for a port that appeared later) and checks it, as a click would.
    void choosePort(const QString &name);
    void ApplyPortSettings();
    // Gives the port the rate, parity, data bits, stop bits and reply
    // time-out the controls show (the defaults where a list has no
    // selection), without a check.
    void takeLineSettings();
    void setFactorySettings(); // "штатные"
    void CBPortSetClick();
    // The chosen port opened at its last check and has not gone away since.
    bool portIsFree() const;

    QComboBox *portList() const { return m_cbC; }
    QComboBox *rateList() const { return m_rate; }
    QLabel *stateLabel() const { return m_state; }
    // The reply time-out the operator set ("sed").
    int replyTimeout() const;
    // Asked before every port check: false stops it (a modem session the
    // operator keeps).
    void setChangeGuard(std::function<bool()> g) { m_guard = std::move(g); }
    // A port named by a phone-book entry that the list does not hold.
    void setPortNameOverride(const QString &name) { m_portNameOverride = name; }

signals:
    // A port check begins: the identity of the device is no longer known.
    void identityLost();
    // "SBSPC": the window's splitters are to be highlighted (or not).
    void splittersHighlighted(bool on);

private:
    Events &m_events;
    TCommPortDriver &m_port;
    StatusSink &m_status;
    DeviceSession &m_session;
    QString m_portNameOverride;
    std::function<bool()> m_guard;
    QComboBox *m_cbC;
    QComboBox *m_rate;
    QComboBox *m_parity;
    QComboBox *m_bits;
    QComboBox *m_stop;
    QSpinBox *m_sed;
    QCheckBox *m_portSet;
    QPushButton *m_def;
    QToolButton *m_spc;
    QLabel *m_state;
    bool m_free = false;
};

} // namespace pim::ui

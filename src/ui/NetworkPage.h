#pragma once
// The "СЕТЬ" page of the link pages: the converter's address and UDP port,
// which every exchange takes while the page is the active one, and the
// reachability check (links/NetCheck) started by Enter in the address, a
// click on the state label or "проверить сеть".

#include <QWidget>

class QLabel;
class QLineEdit;
class QSpinBox;

namespace pim {
class ExchangeEngine;
class NetCheck;
class StatusSink;
}

namespace pim::ui {

class Events;

class NetworkPage : public QWidget {
    Q_OBJECT
public:
    NetworkPage(Events &events, ExchangeEngine &engine, StatusSink &status, QWidget *parent = nullptr);

    NetCheck &netCheck() { return *m_check; }
    void pageShown();
    // "проверить сеть".
    void check();

    QLabel *stateLabel() const { return m_lnstate; }
    QLineEdit *address() const { return m_meip; }
    QSpinBox *port() const { return m_sep; }

signals:
    // The page came up: the device's identity is to be found again.
    void shown();

private:
    bool eventFilter(QObject *o, QEvent *e) override;
    void takeAddress();

    Events &m_events;
    ExchangeEngine &m_engine;
    StatusSink &m_status;
    NetCheck *m_check;
    QLineEdit *m_meip;
    QSpinBox *m_sep;
    QLabel *m_lnstate;
};

} // namespace pim::ui

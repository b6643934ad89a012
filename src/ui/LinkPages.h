#pragma once
// "PCcon": the link pages "COM-порт", "МОДЕМ", "СЕТЬ" and "ТЕРМИНАЛ". The
// page shown decides the way of the exchange; showing a page opens or shows
// its link.

#include <QTabWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;

namespace pim {
class AsyncReceiver;
class ExchangeEngine;
class TerminalMemo;
class WorkflowUi;
}

namespace pim {
class DeviceSession;
}

namespace pim::ui {

class Events;
class ModemPage;
class NetworkPage;
class PortPage;

class LinkPages : public QTabWidget {
    Q_OBJECT
public:
    enum Page { Com = 0, Modem = 1, Network = 2, Terminal = 3 };

    LinkPages(Events &events, ExchangeEngine &engine, WorkflowUi &ui, DeviceSession &session, QWidget *parent = nullptr);
    ~LinkPages() override;

    PortPage *portPage() const { return m_port; }
    ModemPage *modemPage() const { return m_modem; }
    NetworkPage *networkPage() const { return m_network; }
    // The asynchronous receive path of the port (the modem's answers).
    AsyncReceiver &receiver() { return *m_rx; }
    // The trace of the exchanges, shown in "Ma" while "CBgt" is ticked.
    void setMemo(TerminalMemo *memo);
    void refreshMemo();
    QPlainTextEdit *memoView() const { return m_ma; }

    // The show handler of the active page (also run at start).
    void showActivePage();
    void CBgtClick();

    // The phone-book entry "CBcon" the settings named: its list is filled
    // later in the preparation, which then selects it.
    void rememberPhoneBookIndex(int index);
    void selectRememberedPhoneBookEntry();

    QLabel *modemStateLabel() const;
    QLabel *networkStateLabel() const;

private:
    QWidget *buildTerminal();
    bool eventFilter(QObject *o, QEvent *e) override;
    void saveMemo();

    Events &m_events;
    WorkflowUi &m_ui;
    PortPage *m_port;
    AsyncReceiver *m_rx;
    ModemPage *m_modem;
    NetworkPage *m_network;
    int m_shown = -1; // the page whose show handler ran last
    QCheckBox *m_cbgt = nullptr;
    QPlainTextEdit *m_ma = nullptr;
    TerminalMemo *m_memo = nullptr;
};

} // namespace pim::ui

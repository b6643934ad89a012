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
class TCommPortDriver;
class TerminalMemo;
class WorkflowUi;
}

namespace pim {
class DeviceSession;
}

namespace pim::ui {

class Events;
class PortPage;

class LinkPages : public QTabWidget {
    Q_OBJECT
public:
    enum Page { Com = 0, Modem = 1, Network = 2, Terminal = 3 };

    LinkPages(Events &events, TCommPortDriver &port, WorkflowUi &ui, DeviceSession &session, QWidget *parent = nullptr);

    PortPage *portPage() const { return m_port; }
    // The trace of the exchanges, shown in "Ma" while "CBgt" is ticked.
    void setMemo(TerminalMemo *memo);
    void refreshMemo();
    QPlainTextEdit *memoView() const { return m_ma; }

    // The show handler of the active page (also run at start).
    void showActivePage();
    void CBgtClick();

    // The phone-book entry "CBcon" the settings named: its list is filled
    // later in the preparation, which then selects it.
    void rememberPhoneBookIndex(int index) { m_phoneBookIndex = index; }
    void selectRememberedPhoneBookEntry();

    QLabel *modemStateLabel() const { return m_lmstate; }
    QLabel *networkStateLabel() const { return m_lnstate; }

private:
    QWidget *buildModem();
    QWidget *buildNetwork();
    QWidget *buildTerminal();
    bool eventFilter(QObject *o, QEvent *e) override;
    void saveMemo();

    Events &m_events;
    WorkflowUi &m_ui;
    PortPage *m_port;
    QComboBox *m_cbcon = nullptr;
    QLabel *m_lmstate = nullptr;
    QLabel *m_lnstate = nullptr;
    int m_phoneBookIndex = -1;
    QCheckBox *m_cbgt = nullptr;
    QPlainTextEdit *m_ma = nullptr;
    TerminalMemo *m_memo = nullptr;
};

} // namespace pim::ui

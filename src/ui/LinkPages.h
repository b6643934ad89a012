#pragma once
// "PCcon": the link pages "COM-порт", "МОДЕМ", "СЕТЬ" and "ТЕРМИНАЛ". The
// page shown decides the way of the exchange; showing a page opens or shows
// its link.

#include <QTabWidget>

class QCheckBox;
class QPlainTextEdit;

namespace pim {
class TerminalMemo;
}

namespace pim::ui {

struct Shell;
class PortPage;

class LinkPages : public QTabWidget {
    Q_OBJECT
public:
    enum Page { Com = 0, Modem = 1, Network = 2, Terminal = 3 };

    LinkPages(Shell &shell, QWidget *parent = nullptr);

    PortPage *portPage() const { return m_port; }
    // The trace of the exchanges, shown in "Ma" while "CBgt" is ticked.
    void setMemo(TerminalMemo *memo);
    void refreshMemo();
    QPlainTextEdit *memoView() const { return m_ma; }

    // The show handler of the active page (also run at start).
    void showActivePage();
    void CBgtClick();

private:
    QWidget *buildModem();
    QWidget *buildNetwork();
    QWidget *buildTerminal();
    bool eventFilter(QObject *o, QEvent *e) override;
    void saveMemo();

    Shell &m_shell;
    PortPage *m_port;
    QCheckBox *m_cbgt = nullptr;
    QPlainTextEdit *m_ma = nullptr;
    TerminalMemo *m_memo = nullptr;
};

} // namespace pim::ui

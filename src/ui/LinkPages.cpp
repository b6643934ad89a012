#include "ui/LinkPages.h"

#include "base/TextFile.h"
#include "links/AsyncReceiver.h"
#include "links/ExchangeEngine.h"
#include "links/TerminalMemo.h"
#include "ui/ModemPage.h"
#include "ui/NetworkPage.h"
#include "ui/PageKit.h"
#include "ui/PortPage.h"
#include "ui/Events.h"
#include "workflows/WorkflowUi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

namespace pim::ui {

LinkPages::LinkPages(Events &events, ExchangeEngine &engine, WorkflowUi &ui, DeviceSession &session, QWidget *parent)
    : QTabWidget(parent), m_events(events), m_ui(ui)
{
    setObjectName(QStringLiteral("PCcon"));
    setToolTip(QString());
    m_rx = new AsyncReceiver(engine, &ui, this);
    m_port = new PortPage(events, engine.port(), ui, session, this);
    m_modem = new ModemPage(events, engine, *m_rx, ui, *m_port, this);
    m_network = new NetworkPage(events, engine, ui, this);
    // Another port while a call is up: the operator is asked first.
    m_port->setChangeGuard([this] { return m_modem->allowPortChange(); });
    connect(m_modem, &ModemPage::memoChanged, this, &LinkPages::refreshMemo);
    connect(m_network, &NetworkPage::shown, this, [this] {
        // The terminal memo is no part of a network link.
        m_ma->setVisible(false);
        emit m_port->identityLost();
    });
    addTab(m_port, QStringLiteral("COM-порт"));
    addTab(m_modem, QStringLiteral("МОДЕМ"));
    addTab(m_network, QStringLiteral("СЕТЬ"));
    addTab(buildTerminal(), QStringLiteral("ТЕРМИНАЛ"));
    setCurrentIndex(Terminal);
    connect(this, &QTabWidget::currentChanged, this, [this] {
        if (m_events.on())
            showActivePage();
    });
}

LinkPages::~LinkPages() = default;

QLabel *LinkPages::modemStateLabel() const
{
    return m_modem->stateLabel();
}

QLabel *LinkPages::networkStateLabel() const
{
    return m_network->stateLabel();
}

void LinkPages::rememberPhoneBookIndex(int index)
{
    m_modem->rememberIndex(index);
}

QWidget *LinkPages::buildTerminal()
{
    auto *w = new QWidget(this);
    w->setObjectName(QStringLiteral("TSterm"));
    m_cbgt = kit::check("CBgt", "гипертрминал", "", false, w);
    m_ma = new QPlainTextEdit(w);
    m_ma->setObjectName(QStringLiteral("Ma"));
    m_ma->setReadOnly(true);
    m_ma->setPlainText(QStringLiteral("Гипертерминал"));
    m_ma->setVisible(false);
    m_ma->viewport()->installEventFilter(this);
    auto *lay = new QVBoxLayout(w);
    lay->addWidget(m_cbgt);
    lay->addWidget(m_ma, 1);
    connect(m_cbgt, &QCheckBox::clicked, this, &LinkPages::CBgtClick);
    return w;
}

void LinkPages::setMemo(TerminalMemo *memo)
{
    m_memo = memo;
    CBgtClick();
    refreshMemo();
}

void LinkPages::CBgtClick()
{
    const bool on = m_cbgt->isChecked();
    m_ma->setVisible(on);
    if (m_memo)
        m_memo->setVisible(on);
}

void LinkPages::refreshMemo()
{
    if (!m_memo || !m_memo->isVisible())
        return;
    const QString text = m_memo->lines().join(QLatin1Char('\n'));
    if (m_ma->toPlainText() != text) {
        m_ma->setPlainText(text);
        m_ma->moveCursor(QTextCursor::End);
    }
}

void LinkPages::saveMemo()
{
    const QString path = QDir::current().filePath(QStringLiteral("ГИПЕРТЕРМИНАЛ.txt"));
    if (m_memo) {
        const QString error = m_memo->saveAndReset(path);
        if (!error.isEmpty()) {
            // The trace was not stored: it stays on show.
            m_ui.statusFail(error);
            m_ui.message(error);
            return;
        }
    } else {
        QString error;
        if (!writeLines(path, m_ma->toPlainText().split(QLatin1Char('\n')), &error)) {
            m_ui.statusFail(error);
            m_ui.message(error);
            return;
        }
    }
    m_ma->setPlainText(QStringLiteral("Гипертерминал"));
}

bool LinkPages::eventFilter(QObject *o, QEvent *e)
{
    if (o == m_ma->viewport() && e->type() == QEvent::MouseButtonDblClick) {
        saveMemo();
        return true;
    }
    return QTabWidget::eventFilter(o, e);
}

void LinkPages::showActivePage()
{
    const int page = currentIndex();
    if (m_shown == Modem && page != Modem)
        m_modem->pageHidden();
    m_shown = page;
    switch (page) {
    case Com:
        m_port->PortCheck(m_port->portList());
        break;
    case Terminal:
        m_ui.statusFail(QStringLiteral("НЕ РЕАЛИЗОВАНО В ЭТОЙ ВЕРСИИ"));
        break;
    case Modem:
        m_modem->pageShown();
        // The terminal memo lists the modem's answers while "CBgt" is ticked.
        CBgtClick();
        break;
    case Network:
        m_network->pageShown();
        break;
    default:
        break;
    }
}

void LinkPages::selectRememberedPhoneBookEntry()
{
    m_modem->selectRemembered();
}

} // namespace pim::ui

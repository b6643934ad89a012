#include "ui/LinkPages.h"

#include "base/TextFile.h"
#include "links/TerminalMemo.h"
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

LinkPages::LinkPages(Events &events, TCommPortDriver &port, WorkflowUi &ui, DeviceSession &session, QWidget *parent)
    : QTabWidget(parent), m_events(events), m_ui(ui)
{
    setObjectName(QStringLiteral("PCcon"));
    setToolTip(QString());
    m_port = new PortPage(events, port, ui, session, this);
    addTab(m_port, QStringLiteral("COM-порт"));
    addTab(buildModem(), QStringLiteral("МОДЕМ"));
    addTab(buildNetwork(), QStringLiteral("СЕТЬ"));
    addTab(buildTerminal(), QStringLiteral("ТЕРМИНАЛ"));
    setCurrentIndex(Terminal);
    connect(this, &QTabWidget::currentChanged, this, [this] {
        if (m_events.on())
            showActivePage();
    });
}

QWidget *LinkPages::buildModem()
{
    // The dialler comes with the modem workflow; its controls are here so
    // that the operator's phone-book choice and codes are kept.
    auto *w = new QWidget(this);
    w->setObjectName(QStringLiteral("TSmod"));
    w->setToolTip(QStringLiteral("модем обычный и GSM"));
    auto *bar = new QToolBar(w);
    bar->setObjectName(QStringLiteral("TBmod"));
    const std::pair<const char *, const char *> buttons[] = {
        {"запомнить", "добавить/изменить"},
        {"уничтожить", "уничтожить выбранную запись"},
        {"послать...", ""},
        {"позвонить", "установить связь с удаленным модемом"},
        {"отсоединить", "положить трубку, закрыть порт"},
    };
    for (const auto &[caption, hint] : buttons) {
        QAction *a = bar->addAction(QString::fromUtf8(caption));
        a->setToolTip(QString::fromUtf8(hint));
        a->setEnabled(false);
    }
    auto *con = m_cbcon = new QComboBox(w);
    con->setObjectName(QStringLiteral("CBcon"));
    con->setEditable(true);
    con->setToolTip(QStringLiteral("соединения ввод-добавить"));
    con->lineEdit()->setPlaceholderText(QStringLiteral("список соединений"));
    auto *mod = new QComboBox(w);
    mod->setObjectName(QStringLiteral("CBmod"));
    mod->setToolTip(QStringLiteral("COM-порт"));
    auto *state = m_lmstate = new QLabel(QStringLiteral("начало реализации"), w);
    state->setObjectName(QStringLiteral("LMstate"));
    state->setToolTip(QStringLiteral("состояние, щ-обновить список"));

    auto *g = new QGridLayout(w);
    g->addWidget(bar, 0, 0, 1, 3);
    g->addWidget(con, 1, 0, 1, 3);
    g->addWidget(kit::edit("Etel", QStringLiteral("ETEL"), "номер телефона", w), 2, 0, 1, 2);
    g->addWidget(mod, 2, 2);
    g->addWidget(kit::check("CBton", "тоновый набор", "галочка-тоновый набор, иначе-импульсный", false, w), 3, 0);
    g->addWidget(kit::check("CBsta", "выход в город", "выход в город через код с зуммером", false, w), 3, 1);
    g->addWidget(kit::edit("Esta", QStringLiteral("9"), "", w), 3, 2);
    g->addWidget(kit::check("CBtru", "межгород", "набор кода города с ожиданием зуммера", false, w), 4, 0);
    g->addWidget(kit::edit("Ekmg", QStringLiteral("8"), "код межгорода (без скобок)", w), 4, 1);
    g->addWidget(kit::edit("Etru", QStringLiteral("495"), "код города (без скобок)", w), 4, 2);
    g->addWidget(state, 5, 0, 1, 3);
    g->setRowStretch(6, 1);
    for (QWidget *c : w->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (c != state)
            c->setEnabled(false);
    return w;
}

QWidget *LinkPages::buildNetwork()
{
    auto *w = new QWidget(this);
    w->setObjectName(QStringLiteral("TSnet"));
    auto *ip = kit::edit("MEip", QStringLiteral("MEip"), "ввод - проверка сети", w);
    auto *port = new QSpinBox(w);
    port->setObjectName(QStringLiteral("SEp"));
    port->setRange(1, 9999);
    port->setValue(5001);
    port->setToolTip(QStringLiteral("IP-порт"));
    auto *state = m_lnstate = new QLabel(QStringLiteral("состояние сети"), w);
    state->setObjectName(QStringLiteral("LNstate"));
    state->setToolTip(QStringLiteral("Состояние сети, щ.-проверка"));
    auto *g = new QGridLayout(w);
    g->addWidget(ip, 0, 0);
    g->addWidget(port, 0, 1);
    g->addWidget(state, 1, 0, 1, 2);
    g->setRowStretch(2, 1);
    ip->setEnabled(false);
    port->setEnabled(false);
    return w;
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
    switch (currentIndex()) {
    case Com:
        m_port->PortCheck(m_port->portList());
        break;
    case Terminal:
        m_ui.statusFail(QStringLiteral("НЕ РЕАЛИЗОВАНО В ЭТОЙ ВЕРСИИ"));
        break;
    case Modem:
    case Network:
        // The modem and the network link come with their own workflows.
        m_ui.statusFail(QStringLiteral("НЕ РЕАЛИЗОВАНО В ЭТОЙ ВЕРСИИ"));
        break;
    default:
        break;
    }
}

void LinkPages::selectRememberedPhoneBookEntry()
{
    if (m_phoneBookIndex >= 0 && m_phoneBookIndex < m_cbcon->count())
        m_cbcon->setCurrentIndex(m_phoneBookIndex);
}

} // namespace pim::ui

#include "ui/NetworkPage.h"

#include "links/ExchangeEngine.h"
#include "links/NetCheck.h"
#include "links/StatusSink.h"
#include "ui/Events.h"
#include "ui/PageKit.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace pim::ui {

NetworkPage::NetworkPage(Events &events, ExchangeEngine &engine, StatusSink &status, QWidget *parent)
    : QWidget(parent), m_events(events), m_engine(engine), m_status(status), m_check(new NetCheck(&status, this))
{
    setObjectName(QStringLiteral("TSnet"));
    m_meip = kit::edit("MEip", QStringLiteral("MEip"), "ввод - проверка сети", this);
    m_sep = new QSpinBox(this);
    m_sep->setObjectName(QStringLiteral("SEp"));
    m_sep->setRange(1, 9999);
    m_sep->setValue(5001);
    m_sep->setToolTip(QStringLiteral("IP-порт"));
    m_lnstate = new QLabel(QStringLiteral("состояние сети"), this);
    m_lnstate->setObjectName(QStringLiteral("LNstate"));
    m_lnstate->setToolTip(QStringLiteral("Состояние сети, щ.-проверка"));
    m_lnstate->installEventFilter(this);
    auto *g = new QGridLayout(this);
    g->addWidget(m_meip, 0, 0);
    g->addWidget(m_sep, 0, 1);
    g->addWidget(m_lnstate, 1, 0, 1, 2);
    g->setRowStretch(2, 1);

    // The exchange takes the address as it stands (the settings restore it
    // with the handlers off: it is taken all the same).
    connect(m_meip, &QLineEdit::textChanged, this, &NetworkPage::takeAddress);
    connect(m_sep, &QSpinBox::valueChanged, this, &NetworkPage::takeAddress);
    connect(m_meip, &QLineEdit::returnPressed, this, &NetworkPage::check);
    m_engine.setNetworkPageShown([this] { pageShown(); });
    takeAddress();
}

void NetworkPage::takeAddress()
{
    m_engine.setNetworkAddress(m_meip->text(), m_sep->value());
}

bool NetworkPage::eventFilter(QObject *o, QEvent *e)
{
    if (o == m_lnstate && e->type() == QEvent::MouseButtonRelease) {
        check();
        return true;
    }
    return QWidget::eventFilter(o, e);
}

void NetworkPage::pageShown()
{
    takeAddress();
    emit shown();
    m_status.StatusOk(StatusLabel::LuState, QStringLiteral("Связь по сети"));
    m_status.StatusOk(StatusLabel::LNstate, QStringLiteral("не определено"));
}

void NetworkPage::check()
{
    // Before start-up is over the address is the settings' and nobody asked.
    if (!m_events.on())
        return;
    takeAddress();
    m_check->check(m_meip->text());
}

} // namespace pim::ui

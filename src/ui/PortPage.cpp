#include "ui/PortPage.h"

#include "base/SimulatorPorts.h"
#include "links/CommPortDriver.h"
#include "protocol/Frame.h"
#include "ui/Shell.h"
#include "ui/StatusView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSpinBox>
#include <QSplitter>
#include <QToolButton>

namespace pim::ui {

namespace {
const QStringList kRates = {"0", "110", "300", "600", "1200", "2400", "4800", "9600",
                            "14400", "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
const QStringList kParity = {"НЕТ", "НЕчет", "ЧЕТ", "1", "0"};
const QStringList kBits = {"5", "6", "7", "8"};
const QStringList kStop = {"1", "1.5", "2"};

QComboBox *list(const char *name, const char *hint, QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QString::fromUtf8(name));
    c->setToolTip(QString::fromUtf8(hint));
    return c;
}
} // namespace

PortPage::PortPage(Shell &shell, QWidget *parent) : QWidget(parent), m_shell(shell)
{
    setObjectName(QStringLiteral("TScom"));
    m_cbC = list("cbC", "COM-порт", this);
    m_cbC->setMinimumContentsLength(14);
    m_rate = list("cbBaudRate", "СКОРОСТЬ ОБМЕНА", this);
    m_parity = list("CBeo", "четность", this);
    m_bits = list("cbz", "размер", this);
    m_stop = list("cbs", "стоп бит", this);

    m_sed = new QSpinBox(this);
    m_sed->setObjectName(QStringLiteral("sed"));
    m_sed->setToolTip(QStringLiteral("таймаут приема,мс"));
    m_sed->setRange(1000, 5000);
    m_sed->setSingleStep(500);
    m_sed->setValue(2000);

    m_portSet = new QCheckBox(QStringLiteral("настройки"), this);
    m_portSet->setObjectName(QStringLiteral("CBPortSet"));
    m_portSet->setToolTip(QStringLiteral("показать настройки порта"));

    m_def = new QPushButton(QStringLiteral("штатные"), this);
    m_def->setObjectName(QStringLiteral("BuPortDef"));

    m_spc = new QToolButton(this);
    m_spc->setObjectName(QStringLiteral("SBSPC"));
    m_spc->setCheckable(true);
    m_spc->setText(QStringLiteral("|"));
    m_spc->setToolTip(QStringLiteral("подсветить бегунки красным (нажимай смело)"));

    m_state = new QLabel(QStringLiteral("НЕ ВЫБРАН"), this);
    m_state->setObjectName(QStringLiteral("LPState"));
    m_state->setToolTip(QStringLiteral("Состояние порта"));

    auto *g = new QGridLayout(this);
    g->addWidget(m_cbC, 0, 0, 1, 2);
    g->addWidget(m_portSet, 0, 2);
    g->addWidget(m_state, 1, 0, 1, 3);
    g->addWidget(m_rate, 2, 0);
    g->addWidget(m_parity, 2, 1);
    g->addWidget(m_bits, 2, 2);
    g->addWidget(m_stop, 3, 0);
    g->addWidget(m_sed, 3, 1);
    g->addWidget(m_def, 3, 2);
    g->addWidget(m_spc, 4, 0);
    g->setRowStretch(5, 1);

    // A click on the list checks the chosen port (also when the same one is
    // chosen again).
    connect(m_cbC, &QComboBox::activated, this, [this] { PortCheck(m_cbC); });
    for (QComboBox *c : {m_rate, m_parity, m_bits, m_stop})
        connect(c, &QComboBox::currentIndexChanged, this, &PortPage::ApplyPortSettings);
    connect(m_sed, &QSpinBox::valueChanged, this, &PortPage::ApplyPortSettings);
    connect(m_portSet, &QCheckBox::clicked, this, &PortPage::CBPortSetClick);
    connect(m_def, &QPushButton::clicked, this, &PortPage::setFactorySettings);
    connect(m_spc, &QToolButton::toggled, this, &PortPage::highlightSplitters);

    CBPortSetClick();
}

QStringList PortPage::EnumPorts()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names.append(info.systemLocation());
    for (const QString &p : publishedSimulatorPorts())
        if (!names.contains(p))
            names.append(p);
    return names;
}

void PortPage::fillPorts()
{
    m_cbC->clear();
    m_cbC->addItems(EnumPorts());
}

void PortPage::fillLists()
{
    m_rate->clear();
    m_rate->addItems(kRates);
    m_parity->clear();
    m_parity->addItems(kParity);
    m_bits->clear();
    m_bits->addItems(kBits);
    m_stop->clear();
    m_stop->addItems(kStop);
    if (TCommPortDriver *p = m_shell.port) {
        p->setBaudRate(br9600);
        p->setParity(ptNONE);
        p->setStopBits(sb1BITS);
        p->setDataBits(db8BITS);
        m_rate->setCurrentIndex(p->BaudRate());
        m_parity->setCurrentIndex(p->Parity());
        m_bits->setCurrentIndex(p->DataBits());
        m_stop->setCurrentIndex(p->StopBits());
    }
}

bool PortPage::openFirstUsable()
{
    for (int i = 0; i < m_cbC->count(); ++i) {
        m_cbC->setCurrentIndex(i);
        if (PortCheck(m_cbC))
            return true;
    }
    return false;
}


bool PortPage::PortCheck(QComboBox *sender)
{
    if (!sender)
        sender = m_cbC;
    ResetIdentity();
    if (!m_shell.eventsOn)
        return m_free;
    for (const char *n : {"ENo", "Etype"})
        if (auto *e = m_shell.find<QLineEdit>(QString::fromUtf8(n)))
            e->clear();

    QString name = sender->currentText();
    if (name.isEmpty())
        name = m_shell.portNameOverride;

    StatusView *st = m_shell.status;
    QLabel *lu = m_shell.label(QStringLiteral("LuState"));
    QLabel *lm = m_shell.label(QStringLiteral("LMstate"));
    const QString busy = QStringLiteral("определение состояния порта ") + name;
    st->busy(m_state, busy);
    st->busy(lu, busy);

    TCommPortDriver *port = m_shell.port;
    bool opened = false;
    if (port) {
        port->ClosePort();
        port->setPortName(name);
        bool ok = false;
        const uint rate = m_rate->currentText().toUInt(&ok);
        if (ok)
            port->setBaudRateValue(rate);
        opened = !name.isEmpty() && port->OpenPort();
    }
    if (opened) {
        st->ok(m_state, QStringLiteral("свободен (подключен)"));
        st->ok(lm, QStringLiteral("порт свободен (подключен)"));
        st->ok(lu, name + QStringLiteral(" свободен (подключен)"));
    } else {
        st->fail(m_state, QStringLiteral("занят (отсутсвует)"));
        st->fail(lu, name + QStringLiteral(" занят (отсутсвует)"));
        st->fail(lm, name + QStringLiteral(" занят (отсутсвует)"));
    }
    // The exchange opens it again when it is next needed.
    if (port)
        port->ClosePort();
    m_free = opened;
    return opened;
}

void PortPage::choosePort(const QString &name)
{
    int i = m_cbC->findText(name);
    if (i < 0) {
        m_cbC->addItem(name);
        i = m_cbC->count() - 1;
    }
    m_cbC->setCurrentIndex(i);
    PortCheck(m_cbC);
}

void PortPage::ApplyPortSettings()
{
    if (!m_shell.eventsOn)
        return;
    takeLineSettings();
    if (TCommPortDriver *p = m_shell.port)
        p->setInputTimeout(quint32(m_sed->value()));
    PortCheck(m_cbC);
}

void PortPage::takeLineSettings()
{
    TCommPortDriver *p = m_shell.port;
    if (!p)
        return;
    auto idx = [](QComboBox *c, int def) { return c->currentIndex() >= 0 ? c->currentIndex() : def; };
    p->setBaudRate(TBaudRate(idx(m_rate, br9600)));
    p->setDataBits(TDataBits(idx(m_bits, db8BITS)));
    p->setParity(TParity(idx(m_parity, ptNONE)));
    p->setStopBits(TStopBits(idx(m_stop, sb1BITS)));
}

void PortPage::setFactorySettings()
{
    {
        EventsOff off(m_shell);
        m_sed->setValue(2000);
        m_stop->setCurrentIndex(kStop.indexOf(QStringLiteral("2")));
        m_bits->setCurrentIndex(kBits.indexOf(QStringLiteral("8")));
        m_parity->setCurrentIndex(kParity.indexOf(QStringLiteral("НЕТ")));
    }
    // Only the rate is chosen with the handlers on, as the operator would;
    // the port itself takes the settings at the next check.
    const bool was = m_shell.eventsOn;
    m_shell.eventsOn = true;
    {
        const QSignalBlocker block(m_rate);
        m_rate->setCurrentIndex(kRates.indexOf(QStringLiteral("9600")));
    }
    m_shell.eventsOn = was;
}

void PortPage::CBPortSetClick()
{
    if (!m_shell.eventsOn)
        return;
    const bool shown = m_portSet->isChecked();
    m_cbC->setEnabled(!shown);
    for (QWidget *w : std::initializer_list<QWidget *>{m_rate, m_parity, m_bits, m_stop, m_sed, m_def, m_spc})
        w->setVisible(shown);
}

void PortPage::highlightSplitters(bool down)
{
    if (!m_shell.window)
        return;
    const QString css = down ? QStringLiteral("QSplitter::handle { background: red; }") : QString();
    for (QSplitter *s : m_shell.window->findChildren<QSplitter *>())
        s->setStyleSheet(css);
}

} // namespace pim::ui

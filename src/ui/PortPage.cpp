#include "ui/PortPage.h"

#include "devices/DeviceSession.h"

#include "base/SimulatorPorts.h"
#include "links/CommPortDriver.h"
#include "protocol/Frame.h"
#include "links/StatusSink.h"
#include "ui/Events.h"

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

PortPage::PortPage(Events &events, TCommPortDriver &port, StatusSink &status, DeviceSession &session, QWidget *parent)
    : QWidget(parent), m_events(events), m_port(port), m_status(status), m_session(session)
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
    connect(m_spc, &QToolButton::toggled, this, &PortPage::splittersHighlighted);

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
    m_port.setBaudRate(br9600);
    m_port.setParity(ptNONE);
    m_port.setStopBits(sb1BITS);
    m_port.setDataBits(db8BITS);
    m_rate->setCurrentIndex(m_port.BaudRate());
    m_parity->setCurrentIndex(m_port.Parity());
    m_bits->setCurrentIndex(m_port.DataBits());
    m_stop->setCurrentIndex(m_port.StopBits());
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
    if (m_guard && !m_guard())
        return m_free;
    m_session.resetIdentity();
    if (!m_events.on())
        return m_free;
    emit identityLost();

    QString name = sender->currentText();
    if (name.isEmpty())
        name = m_portNameOverride;

    const QString busy = QStringLiteral("определение состояния порта ") + name;
    m_status.StatusBusy(StatusLabel::LPState, busy);
    m_status.StatusBusy(StatusLabel::LuState, busy);

    m_port.ClosePort();
    m_port.setPortName(name);
    bool ok = false;
    const uint rate = m_rate->currentText().toUInt(&ok);
    if (ok)
        m_port.setBaudRateValue(rate);
    const bool opened = !name.isEmpty() && m_port.OpenPort();
    if (opened) {
        m_status.StatusOk(StatusLabel::LPState, QStringLiteral("свободен (подключен)"));
        m_status.StatusOk(StatusLabel::LMstate, QStringLiteral("порт свободен (подключен)"));
        m_status.StatusOk(StatusLabel::LuState, name + QStringLiteral(" свободен (подключен)"));
    } else {
        m_status.StatusFail(StatusLabel::LPState, QStringLiteral("занят (отсутсвует)"));
        m_status.StatusFail(StatusLabel::LuState, name + QStringLiteral(" занят (отсутсвует)"));
        m_status.StatusFail(StatusLabel::LMstate, name + QStringLiteral(" занят (отсутсвует)"));
    }
    // The exchange opens it again when it is next needed.
    m_port.ClosePort();
    m_free = opened;
    return opened;
}

int PortPage::replyTimeout() const
{
    return m_sed->value();
}

bool PortPage::portIsFree() const
{
    return m_free && !m_port.lost();
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
    if (!m_events.on())
        return;
    takeLineSettings();
    PortCheck(m_cbC);
}

void PortPage::takeLineSettings()
{
    auto idx = [](QComboBox *c, int def) { return c->currentIndex() >= 0 ? c->currentIndex() : def; };
    m_port.setBaudRate(TBaudRate(idx(m_rate, br9600)));
    m_port.setDataBits(TDataBits(idx(m_bits, db8BITS)));
    m_port.setParity(TParity(idx(m_parity, ptNONE)));
    m_port.setStopBits(TStopBits(idx(m_stop, sb1BITS)));
    m_port.setInputTimeout(quint32(m_sed->value()));
}

void PortPage::setFactorySettings()
{
    // The controls change; the port itself takes the settings at the next
    // setting the operator makes.
    EventsOff off(m_events);
    m_sed->setValue(2000);
    m_stop->setCurrentIndex(kStop.indexOf(QStringLiteral("2")));
    m_bits->setCurrentIndex(kBits.indexOf(QStringLiteral("8")));
    m_parity->setCurrentIndex(kParity.indexOf(QStringLiteral("НЕТ")));
    m_rate->setCurrentIndex(kRates.indexOf(QStringLiteral("9600")));
}

void PortPage::CBPortSetClick()
{
    if (!m_events.on())
        return;
    const bool shown = m_portSet->isChecked();
    m_cbC->setEnabled(!shown);
    for (QWidget *w : std::initializer_list<QWidget *>{m_rate, m_parity, m_bits, m_stop, m_sed, m_def, m_spc})
        w->setVisible(shown);
}

} // namespace pim::ui

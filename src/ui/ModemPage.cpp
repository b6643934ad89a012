#include "ui/ModemPage.h"

#include "links/AsyncReceiver.h"
#include "links/ExchangeEngine.h"
#include "links/ModemDialer.h"
#include "links/StatusSink.h"
#include "ui/Events.h"
#include "ui/PageKit.h"
#include "ui/PortPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QResizeEvent>
#include <QToolBar>

namespace pim::ui {

ModemPage::ModemPage(Events &events, ExchangeEngine &engine, AsyncReceiver &rx, StatusSink &status, PortPage &port,
                     QWidget *parent)
    : QWidget(parent), m_events(events), m_engine(engine), m_rx(rx), m_status(status), m_port(port),
      m_dialer(new ModemDialer(engine, rx, &status, this)), m_bookPath(PhoneBook::defaultPath())
{
    setObjectName(QStringLiteral("TSmod"));
    setToolTip(QStringLiteral("модем обычный и GSM"));
    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("TBmod"));
    auto action = [bar](const char *name, const char *caption, const char *hint) {
        QAction *a = bar->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromUtf8(name));
        a->setToolTip(QString::fromUtf8(hint));
        return a;
    };
    m_aRemember = action("Aremember", "запомнить", "добавить/изменить");
    m_aDestroy = action("Adestroy", "уничтожить", "уничтожить выбранную запись");
    m_aSend = action("Asend", "послать...", "послать команду, записанную в поле номера телефона");
    m_aCall = action("Acall", "позвонить", "установить связь с удаленным модемом");
    m_aDisconnect = action("Adisconnect", "отсоединить", "положить трубку, закрыть порт");

    m_cbcon = new QComboBox(this);
    m_cbcon->setObjectName(QStringLiteral("CBcon"));
    m_cbcon->setEditable(true);
    m_cbcon->setInsertPolicy(QComboBox::NoInsert);
    m_cbcon->setToolTip(QStringLiteral("соединения ввод-добавить"));
    m_cbcon->lineEdit()->setPlaceholderText(QStringLiteral("список соединений"));
    m_etel = kit::edit("Etel", QString(), "номер телефона", this);
    m_cbmod = kit::combo("CBmod", "COM-порт", this);
    m_cbton = kit::check("CBton", "тоновый набор", "галочка-тоновый набор, иначе-импульсный", true, this);
    m_cbsta = kit::check("CBsta", "выход в город", "выход в город через код с зуммером", false, this);
    m_esta = kit::edit("Esta", QStringLiteral("9"), "", this);
    m_cbtru = kit::check("CBtru", "межгород", "набор кода города с ожиданием зуммера", false, this);
    m_ekmg = kit::edit("Ekmg", QStringLiteral("8"), "код межгорода (без скобок)", this);
    m_etru = kit::edit("Etru", QStringLiteral("495"), "код города (без скобок)", this);
    m_lmstate = new QLabel(QStringLiteral("начало реализации"), this);
    m_lmstate->setObjectName(QStringLiteral("LMstate"));
    m_lmstate->setToolTip(QStringLiteral("состояние, щ-обновить список"));
    m_lmstate->installEventFilter(this);

    auto *g = new QGridLayout(this);
    g->addWidget(bar, 0, 0, 1, 3);
    g->addWidget(m_cbcon, 1, 0, 1, 3);
    g->addWidget(m_etel, 2, 0, 1, 2);
    g->addWidget(m_cbmod, 2, 2);
    g->addWidget(m_cbton, 3, 0);
    g->addWidget(m_cbsta, 3, 1);
    g->addWidget(m_esta, 3, 2);
    g->addWidget(m_cbtru, 4, 0);
    g->addWidget(m_ekmg, 4, 1);
    g->addWidget(m_etru, 4, 2);
    g->addWidget(m_lmstate, 5, 0, 1, 3);
    g->setRowStretch(6, 1);

    // The number field is upper case: a typed command goes out as the modem
    // expects it.
    connect(m_etel, &QLineEdit::textEdited, this, [this](const QString &t) {
        const int pos = m_etel->cursorPosition();
        m_etel->setText(t.toUpper());
        m_etel->setCursorPosition(pos);
    });
    connect(m_etel, &QLineEdit::returnPressed, this, &ModemPage::sendCommand);
    connect(m_cbcon, &QComboBox::activated, this, &ModemPage::entrySelected);
    connect(m_cbtru, &QCheckBox::toggled, this, &ModemPage::codesEnabled);
    connect(m_cbsta, &QCheckBox::toggled, this, &ModemPage::codesEnabled);
    connect(m_aRemember, &QAction::triggered, this, &ModemPage::remember);
    connect(m_aDestroy, &QAction::triggered, this, &ModemPage::destroyEntry);
    connect(m_aSend, &QAction::triggered, this, &ModemPage::sendCommand);
    connect(m_aCall, &QAction::triggered, this, &ModemPage::call);
    connect(m_aDisconnect, &QAction::triggered, this, &ModemPage::disconnectLine);
    connect(m_dialer, &ModemDialer::disconnectEnabledChanged, m_aDisconnect, &QAction::setEnabled);
    connect(m_dialer, &ModemDialer::replyHandled, this, &ModemPage::memoChanged);
    codesEnabled();
    m_aDestroy->setEnabled(false);
}

ModemPage::~ModemPage() = default;

void ModemPage::codesEnabled()
{
    m_etru->setEnabled(m_cbtru->isChecked());
    m_ekmg->setEnabled(m_cbtru->isChecked());
    m_esta->setEnabled(m_cbsta->isChecked());
}

void ModemPage::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    m_etel->setMinimumWidth(e->size().width() * 40 / 100);
}

bool ModemPage::eventFilter(QObject *o, QEvent *e)
{
    if (o == m_lmstate && e->type() == QEvent::MouseButtonRelease) {
        pageShown();
        return true;
    }
    return QWidget::eventFilter(o, e);
}

void ModemPage::pageShown()
{
    if (!m_events.on())
        return;
    m_rx.setRxSuppressed(false);
    m_engine.port().setInputTimeout(2000);
    {
        EventsOff off(m_events);
        const QString chosen = m_cbmod->currentText();
        m_cbmod->clear();
        QComboBox *ports = m_port.portList();
        for (int i = 0; i < ports->count(); ++i)
            m_cbmod->addItem(ports->itemText(i));
        m_cbmod->setCurrentIndex(m_cbmod->findText(chosen));
    }
    m_status.StatusOk(StatusLabel::LuState, QStringLiteral("Связь через модем"));
    m_status.StatusOk(StatusLabel::LMstate, QStringLiteral("Список соединений"));
    QString error;
    if (!m_book.load(m_bookPath, &error))
        m_status.StatusFail(StatusLabel::LuState, error);
    else if (!m_book.refusals().isEmpty())
        m_status.StatusFail(StatusLabel::LuState, m_book.refusals().first());
    const int index = qMax(0, m_remembered);
    {
        EventsOff off(m_events);
        m_cbcon->clear();
        m_cbcon->addItems(m_book.names());
    }
    if (index >= 0 && index < m_cbcon->count()) {
        m_cbcon->setCurrentIndex(index);
        entrySelected();
    }
}

void ModemPage::pageHidden()
{
    m_rx.setRxSuppressed(true);
    // The page asked for its own time-out for the modem's answers; the
    // device's replies wait as long as the operator set.
    m_engine.port().setInputTimeout(quint32(m_port.replyTimeout()));
}

void ModemPage::selectRemembered()
{
    if (m_remembered >= 0 && m_remembered < m_cbcon->count())
        m_cbcon->setCurrentIndex(m_remembered);
}

void ModemPage::entrySelected()
{
    m_aDestroy->setEnabled(m_book.canRemove());
    m_remembered = m_cbcon->currentIndex();
    PhoneEntry e;
    if (!m_book.find(m_cbcon->currentText(), &e))
        return;
    // A refused entry is shown so it can be corrected and stored again;
    // "позвонить" refuses it until then.
    if (const QString why = m_book.refusal(e.name); !why.isEmpty())
        m_status.StatusFail(StatusLabel::LMstate, why);
    m_etel->setText(e.phone);
    const int port = m_cbmod->findText(e.port);
    m_cbmod->setCurrentIndex(port);
    m_port.setPortNameOverride(port < 0 ? e.port : QString());
    m_port.PortCheck(m_cbmod);
    m_cbton->setChecked(e.tone);
    m_cbtru->setChecked(e.longDistance());
    m_cbsta->setChecked(e.exitFirst());
    if (m_cbtru->isChecked()) {
        m_etru->setText(e.cityCode);
        m_ekmg->setText(e.longCode);
    }
    if (m_cbsta->isChecked())
        m_esta->setText(e.exitCode);
}

void ModemPage::remember()
{
    const QString name = m_cbcon->currentText().trimmed();
    if (name.isEmpty())
        return;
    PhoneEntry e;
    e.name = name;
    e.phone = m_etel->text();
    e.port = m_cbmod->currentText();
    e.tone = m_cbton->isChecked();
    if (m_cbtru->isChecked()) {
        e.cityCode = m_etru->text();
        e.longCode = m_ekmg->text();
    }
    if (m_cbsta->isChecked())
        e.exitCode = m_esta->text();
    // The book keeps only what can be dialled.
    for (const auto &[what, text] : {std::pair{QStringLiteral("номер"), e.phone},
                                     std::pair{QStringLiteral("код выхода в город"), e.exitCode},
                                     std::pair{QStringLiteral("код межгорода"), e.longCode},
                                     std::pair{QStringLiteral("код города"), e.cityCode}}) {
        if (const QString why = ModemDialer::dialStringError(what, text); !why.isEmpty()) {
            m_status.StatusFail(StatusLabel::LuState, why);
            return;
        }
    }
    m_book.store(e);
    QString error;
    if (!m_book.save(m_bookPath, &error)) {
        m_status.StatusFail(StatusLabel::LuState, error);
        return;
    }
    m_remembered = int(m_book.names().indexOf(name));
    pageShown();
}

void ModemPage::destroyEntry()
{
    const QString name = m_cbcon->currentText();
    if (!m_book.canRemove() || !m_book.find(name))
        return;
    const QString question = QStringLiteral("\r\r   А ВЫ УВЕРЕНЫ В ТОМ, ЧТО НЕОБХОДИМО\r\r   УНИЧТОЖИТЬ ЗАПИСЬ\r\r  ")
        + name + QStringLiteral("  ???");
    if (!m_confirm || !m_confirm(question))
        return;
    m_book.remove(name);
    QString error;
    if (!m_book.save(m_bookPath, &error)) {
        m_status.StatusFail(StatusLabel::LuState, error);
        return;
    }
    m_remembered = qMin(m_remembered, m_book.entryCount() - 1);
    pageShown();
}

DialPlan ModemPage::plan() const
{
    DialPlan p;
    p.number = m_etel->text();
    p.tone = m_cbton->isChecked();
    p.exitFirst = m_cbsta->isChecked();
    p.exitCode = m_esta->text();
    p.longDistance = m_cbtru->isChecked();
    p.longCode = m_ekmg->text();
    p.cityCode = m_etru->text();
    return p;
}

void ModemPage::sendCommand()
{
    m_dialer->setNumber(m_etel->text());
    m_dialer->send(m_etel->text());
}

void ModemPage::call()
{
    m_dialer->dial(plan());
}

void ModemPage::disconnectLine()
{
    m_dialer->hangUp();
}

bool ModemPage::allowPortChange()
{
    if (m_dialer->connected()) {
        const QString question = QStringLiteral("Идет сеанс связи...\rПрервать его ?");
        const bool yes = m_askAbort
            ? m_askAbort(question)
            : QMessageBox::question(window(), QString(), QString(question).replace(QLatin1Char('\r'), QLatin1Char('\n')),
                                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)
                == QMessageBox::Yes;
        if (!yes)
            return false;
    }
    m_dialer->setModemState(ModemDialer::Idle);
    return true;
}

} // namespace pim::ui

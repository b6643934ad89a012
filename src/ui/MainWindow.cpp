#include "ui/MainWindow.h"

#include "base/DataPath.h"
#include "base/Dates.h"
#include "devices/Registry.h"
#include "devices/ValueFormat.h"
#include "links/ExchangeEngine.h"
#include "protocol/Frame.h"
#include "protocol/Imitation.h"
#include "ui/ArchivePage.h"
#include "ui/CommandMap.h"
#include "ui/ConfirmDialog.h"
#include "ui/DevicePage.h"
#include "ui/IndicatorStrip.h"
#include "ui/LinkPages.h"
#include "ui/PortPage.h"
#include "ui/CalibrationPage.h"
#include "ui/ConfigPage.h"
#include "ui/DebugPage.h"
#include "ui/PrintPage.h"
#include "ui/Shell.h"
#include "ui/StatusView.h"
#include "ui/WidgetSettings.h"
#include "workflows/Identity.h"
#include "workflows/LinkRoad.h"
#include "workflows/SettingsFile.h"
#include "workflows/StatusLine.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <random>

namespace pim::ui {

namespace {
bool &messagesShown()
{
    static bool on = true;
    return on;
}

// The commands whose workflows are not part of this window yet: present
// with their captions and hints, disabled.
const char *const kLaterCommands[] = {
    "AConChange", "AnoSysChange", "Aping", "AreadParam", "AreadArh", "ARA225", "ARA227", "ARA228",
    "ARA229", "ARA234", "ARA238", "AstopArhRead", "AReadChang", "AreadFileArh", "AGetDataLogger",
    "ASaveDateTime", "ASetNO", "ASetPar", "ASetDevice", "AsetWorkTime", "ASetArh", "Asavearh",
    "AArhPrint", "Acal", "VesChange",
};
} // namespace

void MainWindow::setMessagesShown(bool on)
{
    messagesShown() = on;
    DevicePage::setMessagesShown(on);
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), m_shell(std::make_unique<Shell>()), m_statusLine(new StatusLine(this)),
      m_engine(new ExchangeEngine(this))
{
    setObjectName(QStringLiteral("Fpim"));
    resize(969, 671);
    m_shell->window = this;
    m_shell->engine = m_engine;
    m_shell->port = &m_engine->port();
    m_shell->workflowUi = this;
    m_engine->setImitator(&imitator());
    m_engine->port().setPortName(comPortName(2));
    m_engine->port().setInputTimeout(1000);
    m_engine->port().setOutputTimeout(1000);
    m_identity = std::make_unique<IdentityCommand>(*m_engine, *m_statusLine);
    m_road = std::make_unique<LinkRoad>(*m_engine, [this] { AreadNoTuExecute(); });
    m_shell->road = m_road.get();
    m_shell->identify = [this] { AreadNoTuExecute(); };
    m_statusLine->setWaiter(&m_engine->waiter());

    m_commands = new CommandMap(this);
    m_shell->commands = m_commands;

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("Pcentral"));
    auto *lay = new QVBoxLayout(central);
    lay->setContentsMargins(0, 0, 0, 0);
    m_strip = new IndicatorStrip(*m_statusLine, central);
    lay->addWidget(m_strip);
    m_status = new StatusView(*m_statusLine, this, this);
    m_shell->status = m_status;
    addToolBar(m_commands->buildToolBar(this));
    setCentralWidget(central);
    buildPages();
    lay->addWidget(m_pcw, 1);
    bindCommands();

    // The confirmation dialog comes after the main window.
    m_fmd = new ConfirmDialog(this);
    m_shell->fmd = m_fmd;

    m_statusLine->startClock();
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { SaveSettings(); });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildPages()
{
    m_pcw = new QTabWidget(this);
    m_pcw->setObjectName(QStringLiteral("PCW"));
    m_device = new DevicePage(*m_shell, m_pcw);
    m_archive = new ArchivePage(*m_shell, m_pcw);
    auto *config = new ConfigPage(*m_shell, m_pcw);
    m_pcw->addTab(m_device, QStringLiteral("УСТРОЙСТВО"));
    m_pcw->addTab(m_archive, QStringLiteral("АРХИВЫ"));
    m_pcw->addTab(config, QStringLiteral("КОНФИГУРАЦИЯ"));
    m_pcw->addTab(new CalibrationPage(*m_shell, m_pcw), QStringLiteral("КАЛИБРОВКА"));
    m_pcw->addTab(new PrintPage(*m_shell, m_pcw), QStringLiteral("настройка печати"));
    m_pcw->addTab(new DebugPage(*m_shell, m_pcw), QStringLiteral("ОТЛАДКА"));
    connect(m_pcw, &QTabWidget::currentChanged, this, [this](int i) {
        if (!m_shell->eventsOn)
            return;
        if (i == 0 || i == 4)
            m_device->pageShown();
    });
    // "Enok" on the calibration page clears the identity like "ENo".
    if (auto *enok = findChild<QLineEdit *>(QStringLiteral("Enok")))
        enok->installEventFilter(m_device);
    LinkPages *links = m_device->linkPages();
    links->setMemo(&m_engine->memo());
    auto syncNetwork = [this, links] { m_engine->setNetworkActive(links->currentIndex() == LinkPages::Network); };
    connect(links, &QTabWidget::currentChanged, this, syncNetwork);
    syncNetwork();
}

void MainWindow::bindCommands()
{
    for (const char *name : kLaterCommands)
        if (QAction *a = m_commands->action(QString::fromUtf8(name)))
            a->setEnabled(false);
    // The group "запись" only opens its list.
    m_commands->action(QStringLiteral("ASaveGlobal"))->setEnabled(true);

    connect(m_commands->action(QStringLiteral("Acreate")), &QAction::triggered, this, &MainWindow::AcreateExecute);
    connect(m_commands->action(QStringLiteral("AreadNoTu")), &QAction::triggered, this,
            &MainWindow::AreadNoTuExecute);
    connect(m_commands->action(QStringLiteral("Areadstate")), &QAction::triggered, this, [this](bool on) {
        LinkCommand cmd(*m_engine);
        if (!cmd) {
            reportRefused();
            return;
        }
        m_device->AreadstateExecute(on);
        m_device->linkPages()->refreshMemo();
    });
    connect(m_commands->action(QStringLiteral("Aimit")), &QAction::triggered, this, [this](bool on) {
        // Each use starts the imitation's random values afresh.
        auto gen = std::make_shared<std::mt19937>(QRandomGenerator::global()->generate());
        imitator().setUniform([gen] { return std::uniform_real_distribution<double>(0.0, 1.0)(*gen); });
        m_engine->setImitation(on);
    });
    connect(m_commands->action(QStringLiteral("AErrDec")), &QAction::triggered, this, [this] {
        m_device->AErrDecExecute(0);
    });
    connect(m_commands->action(QStringLiteral("Ahelp")), &QAction::triggered, this, &MainWindow::AhelpExecute);
    // A double click on the clock sets the device clock.
    connect(m_strip, &IndicatorStrip::clockDoubleClicked, this, [this] {
        QAction *a = m_commands->action(QStringLiteral("ASaveDateTime"));
        if (a->isEnabled())
            a->trigger();
    });
}

QString MainWindow::productVersion()
{
    // __DATE__ is "Mmm dd yyyy" (the day padded with a blank), __TIME__ "hh:mm:ss".
    const QDate day = QLocale::c().toDate(QString::fromLatin1(__DATE__).simplified(), QStringLiteral("MMM d yyyy"));
    const QTime time = QTime::fromString(QString::fromLatin1(__TIME__), QStringLiteral("hh:mm:ss"));
    // A plain colon whatever the locale's time separator.
    return formatDateTime(u"dd.mm.yyyy hh':'nn", QDateTime(day, time));
}

QString MainWindow::captionFor(const QString &version)
{
    const QString tmpl = QStringLiteral("ВЫЧИСЛИТЕЛЬ ТЕПЛОВОЙ ЭНЕРГИИ версия XYZ");
    return tmpl.left(tmpl.indexOf(QStringLiteral("XYZ"))) + version;
}

QString MainWindow::settingsPath() const
{
    return m_settingsPath.isEmpty() ? SettingsFile::defaultPath() : m_settingsPath;
}

void MainWindow::AcreateExecute()
{
    if (!m_shell->eventsOn || m_prepared)
        return;
    m_prepared = true;
    Shell &s = *m_shell;
    PortPage *port = m_device->linkPages()->portPage();

    setWindowTitle(captionFor(productVersion()));
    port->fillPorts();
    s.eventsOn = false;
    s.find<QLineEdit>(QStringLiteral("EFst"))->setText(QStringLiteral("СОСТОЯНИЕ.TXT"));
    port->fillLists();
    s.eventsOn = true;
    port->openFirstUsable();
    s.eventsOn = false;
    m_device->fillTypeList();
    m_strip->clockLabel()->setText(formatDateTime(u"dd mmmm yyyy  hh:nn", QDateTime::currentDateTime()));
    m_archive->resetRange();
    m_archive->rangeChoice();
    m_commands->action(QStringLiteral("AstopArhRead"))->setEnabled(false);

    RestoreSettings();
    // The lists came back with their change handlers held off; the port
    // must use the line settings they show, not the defaults of step one.
    port->takeLineSettings();

    // The previous run's device stays on show, though it is not known.
    auto *eno = s.find<QLineEdit>(QStringLiteral("ENo"));
    auto *etype = s.find<QLineEdit>(QStringLiteral("Etype"));
    const QString enoText = eno->text(), etypeText = etype->text();
    m_device->deviceGroupMode();
    eno->setText(enoText);
    etype->setText(etypeText);
    ResetIdentity();

    s.eventsOn = true;
    // The restored precision is the one the values are shown with; its
    // change handler was held off while it came back.
    if (auto *prec = s.find<QSpinBox>(QStringLiteral("SEprec")); prec && prec->value() != 2)
        ValueFormat::setPrecision(prec->value());
    m_commands->action(QStringLiteral("ASetPar"))->setEnabled(false);
    m_commands->action(QStringLiteral("ASaveDateTime"))->setEnabled(false);
    m_pcw->widget(2)->setEnabled(false);
    {
        const QSignalBlocker block(m_pcw);
        m_pcw->setCurrentIndex(0);
    }
    LinkPages *links = m_device->linkPages();
    if (links->currentIndex() >= 0)
        links->showActivePage();
    m_commands->action(QStringLiteral("AArhPrint"))->setEnabled(false);
    m_commands->action(QStringLiteral("Asavearh"))->setEnabled(false);
    m_archive->limitToToday();
    if (auto *con = s.find<QComboBox>(QStringLiteral("CBcon"))) {
        const QVariant v = con->property("rememberedIndex");
        const int remembered = v.isValid() ? v.toInt() : -1;
        if (remembered >= 0 && remembered < con->count())
            con->setCurrentIndex(remembered);
    }
    links->CBgtClick();
    port->CBPortSetClick();
}

void MainWindow::RestoreSettings()
{
    QList<SettingsEntry> entries;
    QString error;
    if (!SettingsFile::load(settingsPath(), entries, &error) || entries.isEmpty())
        return;
    EventsOff off(*m_shell);
    int cbcon = -1;
    applySettings(this, entries, &cbcon);
    if (auto *con = m_shell->find<QComboBox>(QStringLiteral("CBcon")))
        con->setProperty("rememberedIndex", cbcon);
}

bool MainWindow::SaveSettings(QString *error)
{
    if (!m_prepared)
        return false;
    m_engine->port().ClosePort();
    QString why;
    const bool ok = SettingsFile::save(settingsPath(), collectSettings(this), &why);
    if (!ok && why == QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР"))
        message(why);
    if (error)
        *error = why;
    return ok;
}

void MainWindow::reportRefused()
{
    m_statusLine->statusFail(linkBusyText());
}

void MainWindow::AreadNoTuExecute()
{
    Shell &s = *m_shell;
    auto *eno = s.find<QLineEdit>(QStringLiteral("ENo"));
    auto *etype = s.find<QLineEdit>(QStringLiteral("Etype"));
    auto *enok = s.find<QLineEdit>(QStringLiteral("Enok"));
    IdentityCommand &id = *m_identity;
    id.ImitType = s.imitType;
    id.eventsOn = s.eventsOn;
    id.portChecked = m_device->linkPages()->portPage()->portIsFree();
    id.setOnChange([&] {
        const IdentityView &v = id.view();
        if (v.enoNormalColour)
            eno->setPalette(QPalette());
        eno->setText(v.ENo);
        etype->setText(v.Etype);
        if (enok)
            enok->setText(v.Enok);
        if (m_pcw->currentIndex() != v.activePage) {
            const QSignalBlocker block(m_pcw);
            m_pcw->setCurrentIndex(v.activePage);
        }
        if (s.changeLogAvailable)
            m_commands->action(QStringLiteral("AReadChang"))->setEnabled(v.changeLogEnabled);
    });
    // The fields keep their texts until the command changes them.
    id.view().ENo = eno->text();
    id.view().Etype = etype->text();
    id.view().Enok = enok ? enok->text() : QString();
    id.AreadNoTuExecute(m_pcw->currentIndex());
    id.setOnChange({});
    m_device->linkPages()->refreshMemo();
}

void MainWindow::AhelpExecute()
{
    const QString book = DataPath({}, QStringLiteral("Help"), QStringLiteral("chm"));
    if (QFileInfo::exists(book)) {
        // The desktop's viewer, given the file itself: no command line is
        // built from the path.
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(book)))
            return;
    }
    m_lastMessage = QStringLiteral("Файл справки отсутствует");
    if (messagesShown())
        QMessageBox::critical(this, QString(), m_lastMessage, QMessageBox::Ok);
}

// ---- WorkflowUi

void MainWindow::report(StatusLabel label, StatusKind kind, const QString &text)
{
    m_statusLine->report(label, kind, text);
}

void MainWindow::setLabelText(StatusLabel label, const QString &text)
{
    m_statusLine->setLabelText(label, text);
}

void MainWindow::message(const QString &text)
{
    m_lastMessage = text;
    if (messagesShown())
        QMessageBox::information(this, QString(), text);
}

bool MainWindow::memoVisible() const
{
    return m_engine->memo().isVisible();
}

void MainWindow::memoAppend(const QString &text)
{
    m_engine->memo().insert(text);
    m_device->linkPages()->refreshMemo();
}

// ---- window events

void MainWindow::changeEvent(QEvent *e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        AcreateExecute();
}

void MainWindow::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    // Platforms without activation (offscreen) still prepare once shown.
    QTimer::singleShot(0, this, &MainWindow::AcreateExecute);
}

void MainWindow::closeEvent(QCloseEvent *e)
{
    SaveSettings();
    QMainWindow::closeEvent(e);
}

} // namespace pim::ui

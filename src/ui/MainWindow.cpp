#include "ui/MainWindow.h"

#include "base/DataPath.h"
#include "base/Dates.h"
#include "devices/Registry.h"
#include "links/ExchangeEngine.h"
#include "protocol/Frame.h"
#include "protocol/Imitation.h"
#include "ui/ArchivePage.h"
#include "ui/CommandMap.h"
#include "ui/ConfirmDialog.h"
#include "ui/DevicePage.h"
#include "ui/IndicatorStrip.h"
#include "ui/LinkPages.h"
#include "ui/ModemPage.h"
#include "ui/NetworkPage.h"
#include "ui/PortPage.h"
#include "ui/CalibrationPage.h"
#include "ui/ConfigPage.h"
#include "ui/ParamEditor.h"
#include "ui/DebugPage.h"
#include "carrier/CarrierFile.h"
#include "links/AsyncReceiver.h"
#include "ui/PrintPage.h"
#include "ui/SignalQuit.h"
#include "reports/ArchiveReport.h"
#include "ui/Events.h"
#include "ui/StatusView.h"
#include "ui/WidgetSettings.h"
#include "workflows/Identity.h"
#include "workflows/ConfigReading.h"
#include "workflows/LinkRoad.h"
#include "workflows/Maintenance.h"
#include "workflows/SettingsFile.h"
#include "workflows/StatusLine.h"

#include <QAction>
#include <QPointer>
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
#include <QProgressBar>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QSplitter>
#include <QSpinBox>
#include <QStatusBar>
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
    "AConChange", "AnoSysChange", "Aping", "ARA225", "ARA227", "ARA228",
    "ARA229", "ARA234", "ARA238", "AstopArhRead",
    "ASaveDateTime", "ASetPar", "Asavearh",
    "VesChange",
};
} // namespace

void MainWindow::setMessagesShown(bool on)
{
    messagesShown() = on;
    DevicePage::setMessagesShown(on);
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), m_events(std::make_unique<Events>()), m_statusLine(new StatusLine(this)),
      m_engine(new ExchangeEngine(this))
{
    setObjectName(QStringLiteral("Fpim"));
    resize(969, 671);
    m_engine->setImitator(&imitator());
    // A port that goes away while open, a converter name that does not
    // resolve: the link says so on the status line.
    m_engine->setStatus(m_statusLine);
    m_statusLine->setSession(&m_session);
    m_engine->port().setPortName(comPortName(2));
    m_engine->port().setInputTimeout(1000);
    m_engine->port().setOutputTimeout(1000);
    m_identity = std::make_unique<IdentityCommand>(*m_engine, *m_statusLine, m_session);
    m_road = std::make_unique<LinkRoad>(*m_engine, [this] { AreadNoTuExecute(); });
    m_statusLine->setWaiter(&m_engine->waiter());
    // A port that goes away while open is closed and said so on the line.
    m_engine->setStatus(m_statusLine);

    m_commands = new CommandMap(this);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("Pcentral"));
    auto *lay = new QVBoxLayout(central);
    lay->setContentsMargins(0, 0, 0, 0);
    m_strip = new IndicatorStrip(*m_statusLine, central);
    lay->addWidget(m_strip);
    m_status = new StatusView(*m_statusLine, this);
    m_status->bind(StatusLabel::LuState, m_strip->statusLabel());
    addToolBar(m_commands->buildToolBar(this));
    setCentralWidget(central);
    buildPages();
    lay->addWidget(m_pcw, 1);
    bindCommands();

    // The confirmation dialog comes after the main window.
    m_fmd = new ConfirmDialog(this);

    m_statusLine->startClock();
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        SaveSettings();
        // The waits were cut short for the quit only; the run is over.
        m_engine->waiter().clearInterrupt();
    });
    beforeTerminationQuit(this, [this] { endWorkForQuit(); });
}

void MainWindow::endWorkForQuit()
{
    m_archive->stopReading();
    if (m_engine->exchanging() || m_engine->commandRunning())
        m_engine->abort();
    m_engine->waiter().interrupt();
}

MainWindow::~MainWindow()
{
    // The engine is the window's first child, so the base destructor would
    // delete it before the pages, whose helpers still use it in their own
    // destructors (the port's receiver unhooks itself from the port). The
    // widgets (pages, dialogs) go first; the engine, the layout and the
    // other plain objects stay for the base destructor.
    QList<QPointer<QObject>> widgets;
    for (QObject *child : children())
        if (child->isWidgetType())
            widgets.append(child);
    for (const QPointer<QObject> &child : std::as_const(widgets))
        delete child.data();
}

namespace {
// A page scrolls when the window is smaller than the page needs (a 1024 x
// 768 screen), so nothing of it is cut off.
QScrollArea *scrolled(QWidget *page)
{
    auto *area = new QScrollArea;
    area->setObjectName(page->objectName() + QStringLiteral("Scroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(page);
    return area;
}
} // namespace

void MainWindow::buildPages()
{
    m_pcw = new QTabWidget(this);
    m_pcw->setObjectName(QStringLiteral("PCW"));
    auto *links = new LinkPages(*m_events, *m_engine, *this, m_session);
    // "уничтожить" of the phone book asks the window's question.
    links->modemPage()->setConfirm([this](const QString &question) { return m_fmd->askWhole(question); });
    m_device = new DevicePage(*m_events, *m_commands, *m_road, *this, m_session, links);
    m_archive = new ArchivePage(*m_events, *m_commands, *this, m_session, *m_road);
    m_config = new ConfigPage(*m_events, *m_commands, *this, m_session);
    m_calibration = new CalibrationPage(*m_events, *m_commands, *this, m_session, *m_road);
    // The service page's replies come on the link pages' asynchronous path.
    m_debug = new DebugPage(*m_events, *this, *m_engine, links->receiver(), links->portPage());
    auto *debug = m_debug;
    m_pcw->addTab(scrolled(m_device), QStringLiteral("УСТРОЙСТВО"));
    m_pcw->addTab(scrolled(m_archive), QStringLiteral("АРХИВЫ"));
    m_pcw->addTab(scrolled(m_config), QStringLiteral("КОНФИГУРАЦИЯ"));
    m_pcw->addTab(scrolled(m_calibration), QStringLiteral("КАЛИБРОВКА"));
    // The report: the page's template set follows the archive tab; "печать
    // архива" opens the preview of the archive in view.
    m_print = new PrintPage(*m_events, *this, m_session, [this] { return m_archive->printer(); });
    connect(m_archive, &ArchivePage::printSetChanged, m_print, &PrintPage::loadForms);
    connect(m_archive, &ArchivePage::printSpacingChanged, m_print, &PrintPage::setLineInterval);
    connect(m_commands->action(QStringLiteral("AArhPrint")), &QAction::triggered, this,
            [this] { m_print->previewArchive(m_archive->reportSource()); });
    m_pcw->addTab(scrolled(m_print), QStringLiteral("настройка печати"));
    m_pcw->addTab(scrolled(debug), QStringLiteral("ОТЛАДКА"));
    connect(m_pcw, &QTabWidget::currentChanged, this, [this](int i) {
        if (!m_events->on())
            return;
        if (i == 0 || i == 4)
            m_device->pageShown();
        else if (i == 1)
            m_archive->pageShown();
        else if (i == 2)
            m_config->pageShown();
        else if (i == 3)
            m_calibration->pageShown();
        if (i == 5)
            m_debug->pageShown();
        else
            m_debug->pageHidden();
    });
    connect(m_archive, &ArchivePage::showRequested, this, [this] {
        if (m_pcw->currentIndex() != 1) {
            const QSignalBlocker block(m_pcw);
            m_pcw->setCurrentIndex(1);
        }
    });
    // The precision reformats the state display at once.
    connect(m_archive, &ArchivePage::precisionChanged, m_device, &DevicePage::stateDisplay);
    connect(m_archive, &ArchivePage::printableChanged, this,
            [this](bool on) { m_commands->action(QStringLiteral("AArhPrint"))->setEnabled(on); });
    connect(m_device, &DevicePage::showRequested, this, [this] { m_pcw->setCurrentIndex(0); });
    m_device->setCalibrationIdentityField(m_calibration->enok());
    // Shown without a device, these pages name the port and how it stands.
    auto linkText = [links] {
        return links->portPage()->portList()->currentText() + QStringLiteral(": ") + links->portPage()->stateLabel()->text();
    };
    m_archive->setLinkText(linkText);
    m_calibration->setLinkText(linkText);
    // The configuration grid shows in the state grid of the first page.
    auto showConfigGrid = [this](const QList<QStringList> &cells) {
        ArchiveView::Grid g;
        g.cells = cells;
        m_device->showFileGrid(g);
    };
    connect(m_config->editor(), &ParamEditor::gridChanged, this, showConfigGrid);
    connect(m_calibration->editor(), &ParamEditor::gridChanged, this, showConfigGrid);

    m_status->bind(StatusLabel::LPState, links->portPage()->stateLabel());
    m_status->bind(StatusLabel::LMstate, links->modemStateLabel());
    m_status->bind(StatusLabel::LNstate, links->networkStateLabel());
    m_status->bind(StatusLabel::LDstate, debug->stateLabel());
    // "SBSPC" reddens every splitter of the window.
    connect(links->portPage(), &PortPage::splittersHighlighted, this, [this](bool down) {
        const QString css = down ? QStringLiteral("QSplitter::handle { background: red; }") : QString();
        for (QSplitter *sp : findChildren<QSplitter *>())
            sp->setStyleSheet(css);
    });

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
            m_device->AreadstateRefused(on);
            return;
        }
        m_device->AreadstateExecute(on);
        m_device->linkPages()->refreshMemo();
    });
    connect(m_commands->action(QStringLiteral("AreadArh")), &QAction::triggered, this, [this] {
        m_archive->readArchive();
        m_device->linkPages()->refreshMemo();
    });
    connect(m_commands->action(QStringLiteral("AstopArhRead")), &QAction::triggered, this, [this] {
        m_archive->stopReading();
        m_commands->action(QStringLiteral("AstopArhRead"))->setEnabled(false);
    });
    connect(m_commands->action(QStringLiteral("Asavearh")), &QAction::triggered, this, [this] {
        m_archive->saveArchive();
    });
    connect(m_commands->action(QStringLiteral("AreadFileArh")), &QAction::triggered, this,
            &MainWindow::AreadFileArhExecute);
    // Data carrier: the carrier window, then the import of its file.
    connect(m_commands->action(QStringLiteral("AGetDataLogger")), &QAction::triggered, this,
            &MainWindow::AGetDataLoggerExecute);
    // The commands that change the device, each after its question.
    const std::pair<const char *, int> changes[] = {
        {"ASetNO", 3}, {"ASetDevice", 2}, {"AsetWorkTime", 2}, {"ASetArh", 2}, {"ASaveDateTime", 2},
        {"ASetPar", -1}};
    for (const auto &[name, page] : changes) {
        const QString command = QString::fromLatin1(name);
        const int shown = page;
        connect(m_commands->action(command), &QAction::triggered, this,
                [this, command, shown] { maintenanceCommand(command, shown); });
    }
    connect(m_commands->action(QStringLiteral("AreadParam")), &QAction::triggered, this, [this] {
        // The configuration shows on its page, or on the calibration page
        // when that one is up.
        if (m_pcw->currentIndex() != 2 && m_pcw->currentIndex() != 3) {
            const QSignalBlocker block(m_pcw);
            m_pcw->setCurrentIndex(2);
        }
        ConfigReading reading(*m_road, *this, m_session);
        const ConfigReading::Result r = reading.read();
        if (r.ok) {
            if (m_pcw->currentIndex() == 2)
                m_config->pageShown();
            else
                m_calibration->pageShown();
            m_statusLine->statusOk(QStringLiteral("Конфигурация успешно прочитана"));
        }
        m_device->linkPages()->refreshMemo();
    });
    connect(m_commands->action(QStringLiteral("Acal")), &QAction::triggered, this, [this] {
        m_calibration->calibrate();
        m_device->linkPages()->refreshMemo();
    });
    connect(m_calibration->newNumber(), &QSpinBox::valueChanged, this, [this](int n) {
        if (!m_events->on())
            return;
        const int type = m_session.type();
        if (n >= 1 && n <= 65535 && type >= kMinTypeCode && type <= kMaxTypeCode)
            m_statusLine->statusOk(QStringLiteral("новый номер правильный"));
        else
            m_statusLine->statusFail(QStringLiteral("новый номер должен быть от 1 до 65535"));
    });
    connect(m_commands->action(QStringLiteral("Aimit")), &QAction::triggered, this, [this](bool on) {
        // Each use starts the imitation's random values afresh.
        auto gen = std::make_shared<std::mt19937>(QRandomGenerator::global()->generate());
        imitator().setUniform([gen] { return std::uniform_real_distribution<double>(0.0, 1.0)(*gen); });
        m_engine->setImitation(on);
    });
    // The change log, state polling and the state file.
    m_commands->action(QStringLiteral("AReadChang"))->setEnabled(false); // until a device that keeps one answers
    connect(m_commands->action(QStringLiteral("AReadChang")), &QAction::triggered, this, [this](bool on) {
        LinkCommand cmd(*m_engine);
        if (!cmd) {
            reportRefused();
            const QSignalBlocker block(m_commands->action(QStringLiteral("AReadChang")));
            m_commands->action(QStringLiteral("AReadChang"))->setChecked(!on);
            return;
        }
        m_device->AReadChangExecute(on);
        m_device->linkPages()->refreshMemo();
    });
    connect(m_device, &DevicePage::pollRequested, this, [this] {
        LinkCommand cmd(*m_engine);
        if (!cmd) {
            m_device->pollRefused();
            return;
        }
        m_device->pollReading();
        m_device->linkPages()->refreshMemo();
    });
    m_device->setAsk([this](const QString &text) { return m_fmd->ask(text); });
    // The network page's check, from the command as from the page itself.
    QAction *ping = m_commands->action(QStringLiteral("Aping"));
    ping->setEnabled(true);
    connect(ping, &QAction::triggered, this, [this] { m_device->linkPages()->networkPage()->check(); });
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
    if (!m_events->on() || m_prepared)
        return;
    m_prepared = true;
    PortPage *port = m_device->linkPages()->portPage();
    LinkPages *links = m_device->linkPages();

    setWindowTitle(captionFor(productVersion()));
    port->fillPorts();
    {
        EventsOff off(*m_events);
        m_device->setStateFileName(QStringLiteral("СОСТОЯНИЕ.TXT"));
        port->fillLists();
    }
    port->openFirstUsable();
    {
        EventsOff off(*m_events);
        m_device->fillTypeList();
        m_strip->clockLabel()->setText(formatDateTime(u"dd mmmm yyyy  hh:nn", QDateTime::currentDateTime()));
        m_archive->resetRange();
        m_archive->rangeChoice();
        m_commands->action(QStringLiteral("AstopArhRead"))->setEnabled(false);

        RestoreSettings();
        // The lists and "sed" came back with their change handlers held
        // off; the port must use the line settings and the reply time-out
        // they show, not the defaults of step one.
        port->takeLineSettings();

        // The previous run's device stays on show, though it is not known.
        const QString eno = m_device->enoText(), etype = m_device->etypeText(), enok = m_device->enokText();
        m_device->deviceGroupMode();
        m_device->setIdentityTexts(eno, etype, enok);
        m_session.resetIdentity();
    }
    // The restored precision is the one the values are shown with; its
    // change handler was held off while it came back.
    m_archive->takePrecision();
    m_commands->action(QStringLiteral("ASetPar"))->setEnabled(false);
    m_commands->action(QStringLiteral("ASaveDateTime"))->setEnabled(false);
    m_config->setEnabled(false);
    {
        const QSignalBlocker block(m_pcw);
        m_pcw->setCurrentIndex(0);
    }
    if (links->currentIndex() >= 0)
        links->showActivePage();
    m_commands->action(QStringLiteral("AArhPrint"))->setEnabled(false);
    m_commands->action(QStringLiteral("Asavearh"))->setEnabled(false);
    m_archive->limitToToday();
    links->selectRememberedPhoneBookEntry();
    links->CBgtClick();
    port->CBPortSetClick();
}

void MainWindow::RestoreSettings()
{
    QList<SettingsEntry> entries;
    QString error;
    if (!SettingsFile::load(settingsPath(), entries, &error) || entries.isEmpty())
        return;
    EventsOff off(*m_events);
    int cbcon = -1;
    applySettings(this, entries, &cbcon);
    m_device->linkPages()->rememberPhoneBookIndex(cbcon);
}

bool MainWindow::SaveSettings(QString *error)
{
    if (!m_prepared)
        return false;
    m_engine->port().ClosePort();
    QString why;
    const bool ok = SettingsFile::save(settingsPath(), collectSettings(this), &why);
    if (!ok) {
        // The operator learns which file kept its old settings (the texts
        // of the file layer name it).
        QString text = why.isEmpty() ? QStringLiteral("не удалось записать файл ") + settingsPath() : why;
        if (why == QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР"))
            text += QLatin1Char('\n') + QFileInfo(settingsPath()).absolutePath();
        message(text);
    }
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
    IdentityCommand &id = *m_identity;
    id.ImitType = m_device->imitationType();
    id.eventsOn = m_events->on();
    // A port that went away since its check is no line to ask.
    id.portChecked = m_device->linkPages()->portPage()->portIsFree() && !m_engine->port().lost();
    id.setOnChange([&] {
        const IdentityView &v = id.view();
        if (v.enoNormalColour)
            m_device->resetEnoColour();
        m_device->setIdentityTexts(v.ENo, v.Etype, v.Enok);
        if (m_pcw->currentIndex() != v.activePage) {
            const QSignalBlocker block(m_pcw);
            m_pcw->setCurrentIndex(v.activePage);
        }
        if (m_device->changeLogAvailable())
            m_commands->action(QStringLiteral("AReadChang"))->setEnabled(v.changeLogEnabled);
    });
    // The fields keep their texts until the command changes them.
    id.view().ENo = m_device->enoText();
    id.view().Etype = m_device->etypeText();
    id.view().Enok = m_device->enokText();
    id.AreadNoTuExecute(m_pcw->currentIndex());
    id.setOnChange({});
    m_device->linkPages()->refreshMemo();
}

void MainWindow::maintenanceCommand(const QString &command, int page)
{
    Maintenance m(*m_road, *this, m_session, [this, page](const QString &question) {
        if (page >= 0)
            m_pcw->setCurrentIndex(page);
        return m_fmd->askWhole(question);
    });
    if (command == QLatin1String("ASetNO")) {
        const int number = m_calibration->newNumber()->value();
        const Maintenance::Result r = m.setNumber(number);
        if (r.ok) {
            // The identity fields follow the device's new number.
            m_device->setIdentityTexts(QString::number(number), m_device->etypeText(), QString::number(number));
        }
    } else if (command == QLatin1String("ASetDevice")) {
        m.init();
    } else if (command == QLatin1String("AsetWorkTime")) {
        m.zeroTime();
    } else if (command == QLatin1String("ASetArh")) {
        m.clearArchives();
    } else if (command == QLatin1String("ASetPar")) {
        m.writeConfig();
    } else if (command == QLatin1String("ASaveDateTime")) {
        m.setTime([] { return QDateTime::currentDateTime(); }, m_strip->clockLabel()->text());
    }
    m_device->linkPages()->refreshMemo();
}

void MainWindow::AreadFileArhExecute(bool on)
{
    QAction *toggle = m_commands->action(QStringLiteral("AreadFileArh"));
    if (!on) {
        m_device->hideFileGrid();
        return;
    }
    // The file takes the state grid: the state command and the change log
    // stop showing theirs.
    QAction *state = m_commands->action(QStringLiteral("Areadstate"));
    if (state->isChecked()) {
        state->setChecked(false);
        m_device->AreadstateExecute(false);
    }
    m_commands->action(QStringLiteral("AReadChang"))->setChecked(false);
    bool cancelled = false;
    const ArchiveView::Grid g = m_archive->loadArchive(&cancelled);
    if (cancelled) {
        toggle->setChecked(false);
        return;
    }
    {
        const QSignalBlocker block(m_pcw);
        m_pcw->setCurrentIndex(0);
    }
    // A file without a whole record still shows its header rows and
    // "нет данных"; nothing of it can be printed.
    m_device->showFileGrid(g);
    m_commands->action(QStringLiteral("AArhPrint"))->setEnabled(g.ok && g.printable);
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

void MainWindow::progressShow(int maximum)
{
    if (!m_progress) {
        m_progress = new QProgressBar(this);
        m_progress->setObjectName(QStringLiteral("PBarh"));
        m_progress->setTextVisible(false);
        statusBar()->addPermanentWidget(m_progress, 1);
    }
    m_progress->setRange(0, qMax(0, maximum));
    m_progress->setValue(qMax(0, maximum));
    statusBar()->show();
}

void MainWindow::progressSet(int position)
{
    if (m_progress)
        m_progress->setValue(position);
}

void MainWindow::progressRemove()
{
    if (m_progress)
        statusBar()->hide();
}

void MainWindow::readingChanged(bool reading)
{
    m_commands->action(QStringLiteral("AstopArhRead"))->setEnabled(reading);
    m_commands->action(QStringLiteral("AreadArh"))->setEnabled(!reading);
}

bool MainWindow::liveUpdate() const
{
    return m_archive->liveUpdate();
}

void MainWindow::archiveGrown(int kind)
{
    m_archive->archiveGrown(kind);
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

#include "ui/DevicePage.h"

#include "devices/DeviceSession.h"
#include "ui/ArchivePage.h"
#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "protocol/Frame.h"
#include "ui/CommandMap.h"
#include "workflows/ErrorDecoder.h"
#include "ui/LinkPages.h"
#include "ui/PortPage.h"
#include "ui/Events.h"
#include "ui/StatePoller.h"
#include "workflows/ChangeLog.h"
#include "workflows/StateFile.h"
#include "workflows/WorkflowUi.h"
#include "workflows/IdentityCheck.h"
#include "workflows/StateReading.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace pim::ui {

namespace {
bool &messagesShown()
{
    static bool on = true;
    return on;
}
const QString kNoTabs = QStringLiteral("настроить связь и щелкнуть по устройству");
} // namespace

void DevicePage::setMessagesShown(bool on)
{
    messagesShown() = on;
}

DevicePage::DevicePage(Events &events, CommandMap &commands, DeviceRoad &road, WorkflowUi &ui, DeviceSession &session, LinkPages *links,
                       QWidget *parent)
    : QWidget(parent), m_events(events), m_commands(commands), m_road(road), m_ui(ui), m_session(session), m_links(links)
{
    setObjectName(QStringLiteral("TSW"));
    m_links->setParent(this);

    // ---- device group box
    m_group = new QGroupBox(QStringLiteral("         УСТРОЙСТВО"), this);
    m_group->setObjectName(QStringLiteral("GBdevice"));
    m_group->setToolTip(QStringLiteral("для связи с устройством щелкнуть здесь один раз"));
    m_group->installEventFilter(this);
    m_eno = new QLineEdit(m_group);
    m_eno->setObjectName(QStringLiteral("ENo"));
    m_eno->setReadOnly(true);
    m_eno->setToolTip(QStringLiteral("Серийный номер дв.щ-очистить"));
    m_eno->installEventFilter(this);
    m_etype = new QLineEdit(m_group);
    m_etype->setObjectName(QStringLiteral("Etype"));
    m_etype->setReadOnly(true);
    m_etype->setToolTip(QStringLiteral("тип прибора дв.щ-очистить"));
    m_etype->installEventFilter(this);
    m_rbu = new QRadioButton(QStringLiteral("одно устройство"), m_group);
    m_rbu->setObjectName(QStringLiteral("rbu"));
    m_rbu->setChecked(true);
    m_rbs = new QRadioButton(QStringLiteral("система"), m_group);
    m_rbs->setObjectName(QStringLiteral("rbs"));
    m_seno = new QSpinBox(m_group);
    m_seno->setObjectName(QStringLiteral("SEno"));
    m_seno->setRange(1, 65535);
    m_seno->setValue(1);
    m_seno->setToolTip(QStringLiteral("№ для связи по сети"));
    m_cbtu = new QComboBox(m_group);
    m_cbtu->setObjectName(QStringLiteral("CBTu"));
    m_cbtu->setPlaceholderText(QStringLiteral("тип прибора"));
    m_cbtu->setMinimumContentsLength(16);
    auto *gl = new QGridLayout(m_group);
    gl->addWidget(m_rbu, 0, 0);
    gl->addWidget(m_rbs, 0, 1);
    gl->addWidget(m_eno, 1, 0);
    gl->addWidget(m_seno, 1, 1);
    gl->addWidget(m_etype, 2, 0);
    gl->addWidget(m_cbtu, 2, 1);

    // ---- state tabs, polling panel, values and grid
    m_tcsp = new QTabBar(this);
    m_tcsp->setObjectName(QStringLiteral("TCSP"));
    m_tcsp->addTab(kNoTabs);

    m_poi = new QWidget;
    m_poi->setObjectName(QStringLiteral("POi"));
    m_poi->setMinimumSize(10, 10);
    m_pacst = new QWidget(m_poi);
    m_pacst->setObjectName(QStringLiteral("PAcSt"));
    m_pacst->setToolTip(QStringLiteral("панель управления чтением состояния"));
    m_fire = new QCheckBox(QStringLiteral("очередями"), m_pacst);
    m_fire->setObjectName(QStringLiteral("CBfire"));
    m_fire->setToolTip(QStringLiteral("периодический запрос состояния"));
    auto *fireSec = m_fireSec = new QSpinBox(m_pacst);
    fireSec->setObjectName(QStringLiteral("SEfire"));
    fireSec->setRange(1, 60);
    fireSec->setValue(1);
    fireSec->setToolTip(QStringLiteral("период опроса, сек"));
    m_stinf = new QCheckBox(QStringLiteral("писать в файл"), m_pacst);
    m_stinf->setObjectName(QStringLiteral("CBstinf"));
    m_stinf->setToolTip(QStringLiteral("писать информацию в файл"));
    auto *efst = m_efst = new QLineEdit(m_pacst);
    efst->setObjectName(QStringLiteral("EFst"));
    efst->setToolTip(QStringLiteral("имя файла для записи состояния"));
    auto *del = new QPushButton(QStringLiteral("X"), m_pacst);
    del->setObjectName(QStringLiteral("BitBtn3"));
    del->setToolTip(QStringLiteral("уничтожить файл"));
    auto *pl = new QHBoxLayout(m_pacst);
    pl->setContentsMargins(2, 2, 2, 2);
    for (QWidget *w : std::initializer_list<QWidget *>{m_fire, fireSec, m_stinf, efst, del})
        pl->addWidget(w);
    pl->addStretch();
    m_pacst->adjustSize();
    m_pacst->setVisible(false);

    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("SBpoi"));
    scroll->setWidget(m_poi);
    scroll->setWidgetResizable(false);

    m_sgsp = new QTableWidget(this);
    m_sgsp->setObjectName(QStringLiteral("sgsp"));
    m_sgsp->horizontalHeader()->setVisible(false);
    m_sgsp->verticalHeader()->setVisible(false);
    m_sgsp->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sgsp->setVisible(false);
    connect(m_sgsp, &QTableWidget::cellDoubleClicked, this, &DevicePage::gridDoubleClick);

    m_split = new QSplitter(Qt::Vertical, this);
    m_split->setObjectName(QStringLiteral("Splitter1"));
    m_split->addWidget(scroll);
    m_split->addWidget(m_sgsp);
    m_split->setChildrenCollapsible(false);
    // Neither side can be squeezed to a sliver the operator cannot grab.
    scroll->setMinimumHeight(11);
    m_sgsp->setMinimumHeight(11);
    m_split->setStretchFactor(0, 3);
    m_split->setStretchFactor(1, 1);

    auto *top = new QHBoxLayout;
    top->addWidget(m_links, 3);
    top->addWidget(m_group, 2);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(m_tcsp);
    lay->addWidget(m_split, 1);

    // ---- pop-up menu of the state panel
    m_pmr = commands.buildMenu(QStringLiteral("PMr"), this);
    scroll->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(scroll, &QWidget::customContextMenuRequested, this,
            [this, scroll](const QPoint &p) { m_pmr->popup(scroll->mapToGlobal(p)); });

    // ---- handlers
    // The radio buttons are not held off by EventsOn: a restored choice
    // shows its fields at once.
    connect(m_rbu, &QRadioButton::toggled, this, &DevicePage::deviceGroupMode);
    connect(m_seno, &QSpinBox::valueChanged, this, &DevicePage::handIdentity);
    connect(m_cbtu, &QComboBox::currentIndexChanged, this, &DevicePage::handIdentity);
    connect(m_tcsp, &QTabBar::currentChanged, this, &DevicePage::stateDisplay);
    m_seno->setVisible(false);
    m_cbtu->setVisible(false);
    // Polling and the state file.
    m_poller = new StatePoller(m_events, m_fire, m_fireSec, [this] {
        QAction *a = m_commands.action(QStringLiteral("Areadstate"));
        return a && a->isChecked();
    }, this);
    connect(m_poller, &StatePoller::tick, this, &DevicePage::pollRequested);
    connect(m_stinf, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_events.on())
            return;
        m_sgsp->setVisible(on);
        if (on)
            stateDisplay();
    });
    connect(del, &QPushButton::clicked, this, [this] {
        if (m_events.on())
            deleteStateFile();
    });
    m_changeLogAvailable = true;

    // A port check forgets the device.
    connect(m_links->portPage(), &PortPage::identityLost, this, [this] {
        m_eno->clear();
        m_etype->clear();
    });
}

void DevicePage::setCalibrationIdentityField(QLineEdit *enok)
{
    m_enok = enok;
    if (m_enok)
        m_enok->installEventFilter(this);
}

void DevicePage::setIdentityTexts(const QString &eno, const QString &etype, const QString &enok)
{
    m_eno->setText(eno);
    m_etype->setText(etype);
    if (m_enok)
        m_enok->setText(enok);
}

QString DevicePage::enoText() const
{
    return m_eno->text();
}

QString DevicePage::etypeText() const
{
    return m_etype->text();
}

QString DevicePage::enokText() const
{
    return m_enok ? m_enok->text() : QString();
}

void DevicePage::resetEnoColour()
{
    m_eno->setPalette(QPalette());
}

void DevicePage::setStateFileName(const QString &name)
{
    m_efst->setText(name);
}

void DevicePage::fillTypeList()
{
    m_cbtu->clear();
    for (int t : ServedTypes())
        m_cbtu->addItem(ModelName(t), t);
    m_cbtu->setCurrentIndex(-1);
}

void DevicePage::deviceGroupMode()
{
    const bool single = m_rbu->isChecked();
    m_eno->setVisible(single);
    m_etype->setVisible(single);
    m_seno->setVisible(!single);
    m_cbtu->setVisible(!single);
    handIdentity();
}

void DevicePage::handIdentity()
{
    if (!m_events.on())
        return;
    const QString model = m_cbtu->currentIndex() >= 0 ? m_cbtu->currentText() : QString();
    const IdentityCheck::Hand h = IdentityCheck::setByHand(m_session, m_seno->value(), model);
    m_eno->setText(h.eno);
    if (h.typeChosen) {
        m_etype->setText(h.etype);
        if (h.imitationType >= 0)
            m_imitType = h.imitationType;
    }
    if (h.ok)
        m_ui.statusOk(h.status);
    else
        m_ui.statusFail(h.status);
    discardFields();
    if (QAction *a = m_commands.action(QStringLiteral("AReadChang")); a && m_changeLogAvailable)
        a->setEnabled(h.changeLog);
}

int DevicePage::imitationType() const
{
    // The restored choice never ran the hand identity: read it here.
    if (m_cbtu->currentIndex() >= 0) {
        const int chosen = typeByModelName(m_cbtu->currentText());
        if (chosen >= 0)
            return chosen;
    }
    return m_imitType;
}

void DevicePage::clearIdentity()
{
    m_session.resetIdentity();
    m_eno->clear();
    m_etype->clear();
    if (m_enok)
        m_enok->clear();
    if (m_links->currentIndex() != LinkPages::Modem)
        m_links->portPage()->PortCheck(m_links->portPage()->portList());
    if (m_links->currentIndex() == LinkPages::Network)
        m_ui.statusOk(QStringLiteral("Соединение по сети"));
}

void DevicePage::discardFields()
{
    qDeleteAll(m_labels);
    qDeleteAll(m_fields);
    m_labels.clear();
    m_fields.clear();
    m_fieldTags.clear();
}

void DevicePage::resetTabs()
{
    const QSignalBlocker block(m_tcsp);
    while (m_tcsp->count() > 1)
        m_tcsp->removeTab(m_tcsp->count() - 1);
}

void DevicePage::buildTabs()
{
    const TypeInfo *info = typeInfo(m_session.type());
    if (!info) {
        showMessage(QStringLiteral("TFpim.AreadstateExecute.GetTab: Неправильный тип прибора"));
        return;
    }
    const QSignalBlocker block(m_tcsp);
    for (int i = 0; i < info->stateTabs.size(); ++i) {
        if (i == 0)
            m_tcsp->setTabText(0, info->stateTabs[0].caption);
        else
            m_tcsp->addTab(info->stateTabs[i].caption);
        m_tcsp->setTabData(i, info->stateTabs[i].system);
    }
    if (m_tcsp->currentIndex() < 0)
        m_tcsp->setCurrentIndex(0);
    m_tcsp->setVisible(true);
}

int DevicePage::selectedSystem() const
{
    const int i = m_tcsp->currentIndex();
    const QVariant v = i >= 0 ? m_tcsp->tabData(i) : QVariant();
    return v.isValid() ? v.toInt() : 0;
}

void DevicePage::AreadstateRefused(bool on)
{
    if (QAction *a = m_commands.action(QStringLiteral("Areadstate"))) {
        const QSignalBlocker block(a);
        a->setChecked(!on);
    }
}

void DevicePage::fitValuePanel(int right, int bottom)
{
    if (!m_pacst->isHidden()) {
        m_pacst->resize(m_pacst->sizeHint());
        m_pacst->resize(qMax(right, m_pacst->sizeHint().width()), m_pacst->height());
        right = qMax(right, m_pacst->width());
        bottom = qMax(bottom, m_pacst->height());
    }
    m_poi->resize(qMax(right, 10), qMax(bottom, 10));
}

void DevicePage::AreadstateExecute(bool on)
{
    m_pacst->setVisible(on);
    // The polling panel is whole from the first click, whether or not a
    // reading follows.
    fitValuePanel(m_poi->width(), m_poi->height());
    if (!on) {
        const QSignalBlocker block(m_fire);
        m_fire->setChecked(false);
        m_poller->stop();
    }
    m_sgsp->setVisible(on && m_stinf->isChecked());
    resetTabs();
    if (!on) {
        discardFields();
        const QSignalBlocker block(m_tcsp);
        m_tcsp->setTabText(0, kNoTabs);
        m_tcsp->setTabData(0, QVariant());
        return;
    }
    for (const char *n : {"AReadChang", "AreadFileArh"})
        if (QAction *a = m_commands.action(QString::fromUtf8(n)); a && a->isChecked()) {
            const QSignalBlocker block(a);
            a->setChecked(false);
        }
    emit showRequested();
    readState();
}

void DevicePage::ensureTabs()
{
    const TypeInfo *info = typeInfo(m_session.type());
    if (info && m_tcsp->count() == info->stateTabs.size() && m_tcsp->tabData(0).isValid()
        && m_tcsp->tabText(0) == info->stateTabs[0].caption)
        return;
    resetTabs();
    buildTabs();
}

bool DevicePage::readState()
{
    m_poller->readingStarted();
    bool ok = false;
    if (IdentityCheck::ensure(m_road, m_session)) {
        ensureTabs();
        if (typeInfo(m_session.type())) {
            StateReading reading(m_road, m_ui, m_session);
            const StateReading::Result r = reading.read(selectedSystem());
            ok = r.ok;
            if (ok) {
                if (!r.dumpError.isEmpty())
                    m_ui.message(r.dumpError);
                QAction *a = m_commands.action(QStringLiteral("Areadstate"));
                if (!a || a->isChecked())
                    stateDisplay();
            }
        }
    }
    // The next period starts now, and only after a reading that worked.
    m_poller->readingEnded(ok);
    return ok;
}

void DevicePage::pollReading()
{
    for (QLineEdit *f : std::as_const(m_fields))
        f->clear();
    QAction *a = m_commands.action(QStringLiteral("Areadstate"));
    if (!a || !a->isChecked())
        return;
    readState();
}

void DevicePage::pollRefused()
{
    m_poller->retry();
}

void DevicePage::stateDisplay()
{
    if (!m_events.on() || m_tcsp->currentIndex() < 0 || m_session.number() < 0 || !m_session.stateRead)
        return;
    DeviceModule *module = m_session.module();
    if (!module) {
        showMessage(QStringLiteral("TFpim.TCSPChange: неправильный тип прибора: ") + QString::number(m_session.type()));
        return;
    }
    const StateCodec &codec = module->state();
    const int system = selectedSystem();
    const QStringList values = codec.SLfromState(system);
    const StateView &view = codec.view();

    m_poi->setVisible(false);
    // The polling panel lies over the top of the value panel.
    if (!m_pacst->isHidden())
        m_pacst->resize(m_pacst->sizeHint());
    const int offset = m_pacst->isHidden() ? 0 : m_pacst->height();
    // Every module captions its values in blue.
    const QColor labelColour(Qt::blue);
    int channels = 4;
    if (module->id() == ModuleId::U128) {
        if (auto *c128 = dynamic_cast<const StateCodec128 *>(&codec))
            channels = c128->rec().modification;
    }
    int fieldNo = 0;
    int right = 10, bottom = 10;
    for (int i = 0; i < view.items.size(); ++i) {
        const StateViewItem &item = view.items[i];
        if (item.label.isEmpty())
            continue;
        if (fieldNo >= m_fields.size()) {
            auto *l = new QLabel(m_poi);
            auto *f = new QLineEdit(m_poi);
            f->setReadOnly(true);
            f->setFrame(false);
            f->installEventFilter(this);
            m_labels.append(l);
            m_fields.append(f);
            m_fieldTags.append(0);
        }
        QLabel *l = m_labels[fieldNo];
        QLineEdit *f = m_fields[fieldNo];
        m_fieldTags[fieldNo] = view.errorDecoderOnDoubleClick ? item.tag : 0;
        ++fieldNo;
        l->setText(item.label);
        l->setAutoFillBackground(true);
        QPalette lp = l->palette();
        lp.setColor(QPalette::WindowText, labelColour);
        l->setPalette(lp);
        l->adjustSize();
        f->setText(i < values.size() ? values[i] : QString());
        f->setToolTip(m_fieldTags[fieldNo - 1] ? StateView::errorHint() : QString());
        const int w = f->fontMetrics().horizontalAdvance(f->text()) + 15;
        f->setGeometry(item.left, item.top + offset, w, f->sizeHint().height());
        l->move(item.left - 5 - l->width(), item.top + offset + (f->height() - l->height()) / 2);
        // Type 128 shows only the channels its modification has.
        const bool shown = module->id() != ModuleId::U128 || i == 0 || (i - 1) % 4 < channels;
        l->setVisible(shown);
        f->setVisible(shown);
        if (shown) {
            right = qMax(right, f->geometry().right() + 10);
            bottom = qMax(bottom, f->geometry().bottom() + 10);
        }
    }
    while (m_fields.size() > fieldNo) {
        delete m_labels.takeLast();
        delete m_fields.takeLast();
        m_fieldTags.removeLast();
    }
    fitValuePanel(right, bottom);
    m_poi->setVisible(true);

    // The grid: header rows 1 and 2, then the values, in column order;
    // with "писать в файл" the whole state file.
    const QList<QStringList> rows = StateFile::gridRows(codec, system);
    if (m_stinf->isChecked())
        writeStateFile(rows);
    else
        fillGrid(rows);
    const bool first = !m_sgsp->isVisibleTo(this);
    m_sgsp->setVisible(true);
    if (first) {
        // The values take the room they need; the grid the rest.
        const int total = qMax(m_split->height(), 200);
        const int values = qMin(bottom + 20, total * 2 / 3);
        m_split->setSizes({values, total - values});
    }
}

void DevicePage::fillGrid(const QList<QStringList> &rows)
{
    m_gridFile.clear();
    m_sgsp->clear();
    int columns = 0;
    for (const QStringList &r : rows)
        columns = qMax(columns, int(r.size()));
    m_sgsp->setRowCount(int(rows.size()));
    m_sgsp->setColumnCount(columns);
    const QFontMetrics fm = m_sgsp->fontMetrics();
    QList<int> widths(columns, 0);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            m_sgsp->setItem(r, c, new QTableWidgetItem(rows[r][c]));
            widths[c] = qMax(widths[c], fm.horizontalAdvance(rows[r][c]));
        }
    for (int c = 0; c < columns; ++c)
        m_sgsp->setColumnWidth(c, widths[c] + 5 + 8);
}

QString DevicePage::stateFilePath() const
{
    return StateFile::resolve(m_efst->text().trimmed());
}

void DevicePage::writeStateFile(const QList<QStringList> &rows)
{
    const QString path = stateFilePath();
    QString error;
    bool created = false;
    const bool written = !m_efst->text().trimmed().isEmpty()
        && StateFile::append(path, rows[0], rows[1], rows[2], &error, &created);
    if (!written) {
        // The file stays as it was; the grid still shows the reading.
        m_ui.statusFail(error.isEmpty() ? QStringLiteral("не задано имя файла состояния") : error);
        fillGrid(rows);
        return;
    }
    // The grid shows the whole file: one row more when it shows it
    // already, else the file read afresh.
    if (!created && m_gridFile == path) {
        const int r = m_sgsp->rowCount();
        m_sgsp->insertRow(r);
        for (int c = 0; c < rows[2].size() && c < m_sgsp->columnCount(); ++c)
            m_sgsp->setItem(r, c, new QTableWidgetItem(rows[2][c]));
        m_sgsp->scrollToBottom();
        return;
    }
    QList<QStringList> file;
    if (!StateFile::load(path, file) || file.isEmpty()) {
        fillGrid(rows);
        return;
    }
    fillGrid(file);
    m_gridFile = path;
    m_sgsp->scrollToBottom();
}

void DevicePage::deleteStateFile()
{
    const QString name = m_efst->text().trimmed();
    if (!m_ask || !m_ask(QStringLiteral("УНИЧТОЖИТЬ ФАЙЛ ") + name + QStringLiteral(" ???")))
        return;
    const QString path = stateFilePath();
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        showMessage(QStringLiteral("файл не уничтожен: ") + name);
        return;
    }
    m_gridFile.clear();
    showMessage(QStringLiteral("нет больше файла: ") + name);
}

void DevicePage::AReadChangExecute(bool on)
{
    if (!m_events.on())
        return;
    // The state display and a loaded archive file give up the grid.
    if (QAction *state = m_commands.action(QStringLiteral("Areadstate")); state && state->isChecked()) {
        {
            const QSignalBlocker block(state);
            state->setChecked(false);
        }
        AreadstateExecute(false);
    }
    if (QAction *file = m_commands.action(QStringLiteral("AreadFileArh")); file && file->isChecked()) {
        const QSignalBlocker block(file);
        file->setChecked(false);
    }
    m_sgsp->setVisible(on);
    if (!on)
        return;
    if (m_session.identified() && !ChangeLog::served(m_session.type())) {
        QAction *a = m_commands.action(QStringLiteral("AReadChang"));
        const QSignalBlocker block(a);
        a->setChecked(false);
        m_sgsp->setVisible(false);
        return;
    }
    emit showRequested();
    QList<QStringList> rows = ChangeLog::header();
    rows << ChangeLog::noDataRow();
    fillGrid(rows);
    bool first = true;
    ChangeLog log(m_road, m_ui, m_session);
    const ChangeLog::Result r = log.read([this, &first](const QList<QStringList> &recordRows) {
        for (const QStringList &row : recordRows) {
            const int r = first ? 2 : m_sgsp->rowCount();
            if (!first)
                m_sgsp->insertRow(r);
            first = false;
            for (int c = 0; c < row.size() && c < m_sgsp->columnCount(); ++c)
                m_sgsp->setItem(r, c, new QTableWidgetItem(row[c]));
        }
    });
    if (!r.served) {
        // The device turned out to keep no change log.
        QAction *a = m_commands.action(QStringLiteral("AReadChang"));
        const QSignalBlocker block(a);
        a->setChecked(false);
        m_sgsp->setVisible(false);
        return;
    }
    m_sgsp->resizeColumnsToContents();
}

void DevicePage::showMessage(const QString &text)
{
    m_lastMessage = text;
    if (messagesShown())
        QMessageBox::information(window(), QString(), text);
}

void DevicePage::AErrDecExecute(int tag)
{
    if (tag != ErrorDecoder::Device && tag != ErrorDecoder::System)
        return;
    showMessage(ErrorDecoder::decode(m_session, tag, selectedSystem()));
}

void DevicePage::gridDoubleClick(int row, int column)
{
    if (const std::optional<QString> text = ArchivePage::errorCellText(m_sgsp, row, column, m_session))
        showMessage(*text);
}

void DevicePage::showFileGrid(const ArchiveView::Grid &g)
{
    if (g.cells.isEmpty())
        return;
    m_gridFile.clear();
    ArchivePage::fillGrid(m_sgsp, g);
    m_sgsp->setVisible(true);
}

void DevicePage::hideFileGrid()
{
    QAction *state = m_commands.action(QStringLiteral("Areadstate"));
    if (!(state && state->isChecked() && m_stinf->isChecked()))
        m_sgsp->setVisible(false);
}

void DevicePage::pageShown()
{
    const int type = m_session.type(), number = m_session.number();
    if (number >= 1 && number <= 65535 && type >= kMinTypeCode && type <= kMaxTypeCode)
        m_ui.statusOk(QStringLiteral("НА СВЯЗИ!"));
    else
        m_links->showActivePage();
}

bool DevicePage::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::MouseButtonDblClick) {
        if (o == m_eno || o == m_etype || (m_enok && o == m_enok)) {
            clearIdentity();
            return true;
        }
        const int i = m_fields.indexOf(qobject_cast<QLineEdit *>(o));
        if (i >= 0 && m_fieldTags[i]) {
            AErrDecExecute(m_fieldTags[i]);
            return true;
        }
    } else if (e->type() == QEvent::MouseButtonRelease && o == m_group) {
        // One click on the group box asks the device who it is.
        QAction *a = m_commands.action(QStringLiteral("AreadNoTu"));
        if (a && a->isEnabled() && a->isVisible())
            a->trigger();
    } else if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) {
        const int i = m_fields.indexOf(qobject_cast<QLineEdit *>(o));
        if (i >= 0) {
            QPalette p = m_labels[i]->palette();
            p.setColor(QPalette::Window, e->type() == QEvent::FocusIn ? palette().color(QPalette::ToolTipBase)
                                                                       : palette().color(QPalette::Button));
            m_labels[i]->setPalette(p);
        }
    }
    return QWidget::eventFilter(o, e);
}

} // namespace pim::ui

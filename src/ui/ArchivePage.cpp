#include "ui/ArchivePage.h"

#include "base/DataPath.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "protocol/Frame.h"
#include "devices/ArhCodec.h"
#include "ui/ArchivePlotWidget.h"
#include "ui/CommandMap.h"
#include "ui/Events.h"
#include "ui/PageKit.h"
#include "ui/RadioGroup.h"
#include "workflows/ArchiveFiles.h"
#include "workflows/DeviceRoad.h"
#include "workflows/ErrorDecoder.h"
#include "workflows/WorkflowUi.h"

#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPrintDialog>
#include "reports/ArchiveReport.h"
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabBar>
#include <QTimer>
#include <QTableWidget>
#include <QVBoxLayout>

namespace pim::ui {

namespace {
ArchivePage::FileChooser &fileChooser()
{
    static ArchivePage::FileChooser chooser;
    return chooser;
}

const QString kNoData = QStringLiteral("нет данных");

// The grid's column widths follow its texts: the widest + 5 px, and a
// column never gets narrower than it was (the operator's eye keeps its
// place while rows come and go).
void widen(QTableWidget *grid, int column, const QString &text)
{
    const int w = grid->fontMetrics().horizontalAdvance(text) + 5 + 8;
    if (w > grid->columnWidth(column))
        grid->setColumnWidth(column, w);
}
} // namespace

void ArchivePage::setFileChooser(FileChooser chooser)
{
    fileChooser() = std::move(chooser);
}

ArchivePage::ArchivePage(Events &events, CommandMap &commands, WorkflowUi &ui, DeviceSession &session,
                         DeviceRoad &road, QWidget *parent)
    : QWidget(parent), m_events(events), m_commands(commands), m_ui(ui), m_session(session), m_road(road),
      m_view(ui, m_range, session)
{
    setObjectName(QStringLiteral("TSa"));
    m_lot = kit::label("Lot", "ОТ", "Дв.Щелк- весь архив", this);
    m_begin = kit::date("DTPb", this);
    m_ldo = kit::label("Ldo", "ДО", "Дв.Щелк- весь архив", this);
    m_end = kit::date("DTPe", this);
    m_lot->installEventFilter(this);
    // A record every few milliseconds (a fast line) would repaint the grid
    // for each; its rows go in together, a tenth of a second apart at most.
    // On a slow line every record still shows as it comes.
    m_liveTimer = new QTimer(this);
    m_liveTimer->setSingleShot(true);
    m_liveTimer->setInterval(100);
    connect(m_liveTimer, &QTimer::timeout, this, &ArchivePage::flushLive);
    m_ldo->installEventFilter(this);
    QStringList items;
    for (int i = 0; i < ArchiveRange::ItemCount; ++i)
        items << ArchiveRange::itemCaption(i);
    m_rgdtp = new RadioGroup(QStringLiteral("RGdtp"), QString(), items, 4, this);
    m_rgdtp->setToolTip(QStringLiteral("установка дат чтения/индикации архива"));
    {
        const QSignalBlocker block(m_rgdtp);
        m_rgdtp->setItemIndex(ArchiveRange::WholeArchive);
    }
    m_prec = kit::spin("SEprec", 2, 9, 2, "кол-во отображаемых знаков после запятой", this);
    m_live = kit::check("EnUpdate", "отображать архив при чтении", "", true, this);
    m_bint = kit::button("Bint", "0", "межстрочный интервал при печати архива", this);
    auto *printerButton = kit::button("BBspa", "выбор принтера", "", this);
    m_plotButton = kit::button("BPlot", "график", "график архива выбранной вкладки", this);
    m_plotButton->setCheckable(true);
    auto *savePlot = kit::button("BSavePlot", "сохранить график", "записать график в файл PNG", this);
    m_prec->setMaximumWidth(m_prec->sizeHint().width() + 10);
    m_bint->setMaximumWidth(m_bint->fontMetrics().horizontalAdvance(QStringLiteral("-1")) + 40);
    m_tca = new QTabBar(this);
    m_tca->setObjectName(QStringLiteral("TCa"));
    m_tca->addTab(QStringLiteral("суточный"));
    m_tca->addTab(QStringLiteral("часовой"));
    m_sga = new QTableWidget(2, 1, this);
    m_sga->setObjectName(QStringLiteral("SGa"));
    m_sga->horizontalHeader()->setVisible(false);
    m_sga->verticalHeader()->setVisible(false);
    m_sga->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sga->verticalHeader()->setDefaultSectionSize(m_sga->fontMetrics().height() + 6);
    m_pma = commands.buildMenu(QStringLiteral("PMa"), this);
    // Beyond the three commands: the grid as a spreadsheet file.
    m_pma->addSeparator();
    QAction *csv = m_pma->addAction(QStringLiteral("в CSV"));
    csv->setObjectName(QStringLiteral("ACsv"));
    connect(csv, &QAction::triggered, this, [this] { exportCsv(); });
    m_sga->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_sga, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { m_pma->popup(m_sga->viewport()->mapToGlobal(p)); });
    connect(m_sga, &QTableWidget::cellDoubleClicked, this, &ArchivePage::gridDoubleClick);

    auto *g = new QGridLayout;
    g->addWidget(m_lot, 0, 0);
    g->addWidget(m_begin, 0, 1);
    g->addWidget(m_ldo, 1, 0);
    g->addWidget(m_end, 1, 1);
    g->addWidget(m_rgdtp, 0, 2, 2, 1);
    g->addWidget(m_prec, 0, 3);
    g->addWidget(m_live, 1, 3);
    g->addWidget(m_bint, 0, 4);
    g->addWidget(printerButton, 1, 4);
    g->addWidget(m_plotButton, 0, 5);
    g->addWidget(savePlot, 1, 5);
    g->setColumnStretch(6, 1);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(g);
    lay->addWidget(m_tca);
    m_gridSplit = new QSplitter(Qt::Horizontal, this);
    m_gridSplit->setObjectName(QStringLiteral("SPgrid"));
    m_plot = new ArchivePlotWidget(m_gridSplit);
    m_gridSplit->addWidget(m_sga);
    m_gridSplit->addWidget(m_plot);
    m_plot->setVisible(false);
    lay->addWidget(m_gridSplit, 1);

    connect(m_rgdtp, &RadioGroup::clicked, this, [this] {
        rangeChoice();
        refreshView();
    });
    connect(m_prec, &QSpinBox::valueChanged, this, [this](int n) {
        if (!m_events.on())
            return;
        m_view.setPrecision(n);
        refreshView();
        emit precisionChanged();
    });
    connect(m_begin, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (!m_events.on())
            return;
        m_range.setBegin(d);
        refreshView();
    });
    connect(m_end, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (!m_events.on())
            return;
        m_range.setEnd(d);
        refreshView();
    });
    connect(m_tca, &QTabBar::currentChanged, this, [this] {
        if (!m_events.on())
            return;
        rebuildTabs();
        refreshView();
    });
    connect(m_bint, &QPushButton::clicked, this, &ArchivePage::stepPrintSpacing);
    connect(m_plotButton, &QPushButton::toggled, this, &ArchivePage::showPlot);
    connect(savePlot, &QPushButton::clicked, this, [this] { savePlotPng(); });
    connect(printerButton, &QPushButton::clicked, this, [this] {
        QPrintDialog dialog(printer(), this);
        dialog.setWindowTitle(QStringLiteral("выбор принтера"));
        dialog.exec();
    });
}

ArchivePage::~ArchivePage() = default;

void ArchivePage::rangeChoice()
{
    // The pickers may have come back from the settings with their handlers
    // held off: "все записи" and an unselected choice keep what they show.
    m_range.setDates(m_begin->date(), m_end->date());
    const int item = m_rgdtp->itemIndex();
    const ArhTab *tab = nullptr;
    if (const TypeInfo *info = typeInfo(m_session.type()); info && tabIndex() >= 0 && tabIndex() < info->arhTabs.size())
        tab = &info->arhTabs[tabIndex()];
    const ArchiveRange::Outcome out = m_range.choose(item, QDate::currentDate(), tab ? tab->kind : 0, m_session.type());
    {
        EventsOff off(m_events);
        m_begin->setDate(m_range.begin());
        m_end->setDate(m_range.end());
    }
    if (!out.statusFail.isEmpty())
        m_ui.statusFail(out.statusFail);
    if (!out.message.isEmpty())
        m_ui.message(out.message);
}

void ArchivePage::chooseAllRecords()
{
    {
        const QSignalBlocker block(m_rgdtp);
        m_rgdtp->setItemIndex(ArchiveRange::AllRecords);
    }
    rangeChoice();
    refreshView();
}

void ArchivePage::selectCarrierTab(bool daily)
{
    const TypeInfo *info = typeInfo(m_session.type());
    if (!info)
        return;
    int tab = 0;
    if (!daily)
        for (int i = int(info->arhTabs.size()) - 1; i >= 0; --i)
            if (info->arhTabs[i].kind == ArhHourly)
                tab = i;
    rebuildTabs();
    if (m_tca->currentIndex() != tab)
        m_tca->setCurrentIndex(tab); // the tab's handler runs
    else {
        rebuildTabs();
        refreshView();
    }
}

void ArchivePage::resetRange()
{
    EventsOff off(m_events);
    m_begin->setDate(QDate::currentDate());
    m_end->setDate(QDate::currentDate());
    m_range.setDates(QDate::currentDate(), QDate::currentDate());
}

void ArchivePage::limitToToday()
{
    EventsOff off(m_events);
    m_begin->setMaximumDate(QDate::currentDate());
    m_end->setMaximumDate(QDate::currentDate());
}

void ArchivePage::takePrecision()
{
    if (m_prec->value() != 2)
        m_view.setPrecision(m_prec->value());
}

int ArchivePage::tabIndex() const
{
    return m_tca->currentIndex();
}

void ArchivePage::rebuildTabs()
{
    const TypeInfo *info = typeInfo(m_session.type());
    if (!info || info->arhTabs.isEmpty())
        return;
    const int keep = qMax(0, m_tca->currentIndex());
    {
        EventsOff off(m_events);
        const QSignalBlocker block(m_tca);
        while (m_tca->count() > info->arhTabs.size())
            m_tca->removeTab(m_tca->count() - 1);
        for (int i = 0; i < info->arhTabs.size(); ++i) {
            if (i < m_tca->count())
                m_tca->setTabText(i, info->arhTabs[i].caption);
            else
                m_tca->addTab(info->arhTabs[i].caption);
        }
        m_tca->setCurrentIndex(qMin(keep, m_tca->count() - 1));
    }
    // The read command names the archive of the selected tab.
    const ArhTab &tab = info->arhTabs[m_tca->currentIndex()];
    if (QAction *a = m_commands.action(QStringLiteral("AreadArh"))) {
        a->setToolTip(tab.readHint());
        a->setStatusTip(tab.readHint());
        a->setIcon(CommandMap::icon(tab.imageIndex));
    }
    emit printSetChanged(m_session.type(), tab.kind);
}

void ArchivePage::pageShown()
{
    if (!m_events.on())
        return;
    const int type = m_session.type();
    // With a device the line says so; without one it says which port is
    // chosen and how it stands.
    const bool connected = m_session.identified() && type >= kMinTypeCode && type <= kMaxTypeCode;
    if (connected)
        m_ui.statusOk(QStringLiteral("НА СВЯЗИ!"));
    else
        m_ui.statusBusy(m_linkText ? m_linkText() : QString());
    if (tabIndex() < 0 || type < 0)
        return;
    const TypeInfo *info = typeInfo(type);
    if (!info || info->arhTabs.isEmpty()) {
        m_ui.message(QStringLiteral("TFpim.TSaShow:НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        return;
    }
    // A read running keeps its own progress on the line.
    if (connected && !reading())
        m_ui.statusOk(QStringLiteral("На связи"));
    if (!reading())
        rebuildTabs();
    if (showingFile()) {
        // While "чтение архива" is on, the file read stays in view here
        // too, grid and plot, until a tab or a date asks for the device's.
        showGrid(m_loadedGrid);
        refreshPlot();
        return;
    }
    rangeChoice();
    refreshView();
}

void ArchivePage::refreshView()
{
    if (reading()) {
        // Rows come as the read goes; the whole view is built at its end.
        return;
    }
    {
        EventsOff off(m_events);
        if (m_end->date() < m_begin->date())
            m_begin->setDate(m_end->date());
    }
    m_range.setDates(m_begin->date(), m_end->date());
    const int type = m_session.type();
    if (tabIndex() < 0 || type < 0)
        return;
    const TypeInfo *info = typeInfo(type);
    if (!info || info->arhTabs.isEmpty()) {
        m_ui.message(QStringLiteral("TFpim.TCaChange:НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА:") + QString::number(type));
        return;
    }
    if (tabIndex() >= info->arhTabs.size())
        rebuildTabs();
    const ArchiveView::Grid g = m_view.build(type, tabIndex());
    m_loadedFile.clear();
    if (g.ok)
        showGrid(g);
    refreshPlot();
}

bool ArchivePage::showingFile() const
{
    const QAction *toggle = m_commands.action(QStringLiteral("AreadFileArh"));
    return !m_loadedFile.isEmpty() && toggle && toggle->isChecked() && !reading();
}

PlotData ArchivePage::currentPlot() const
{
    const TypeInfo *info = typeInfo(m_session.type());
    DeviceModule *module = m_session.moduleFor(m_session.type());
    if (!info || !module || !module->arh() || tabIndex() < 0 || tabIndex() >= info->arhTabs.size())
        return {};
    const QString device = ModelName(m_session.type()) + QStringLiteral(" № ") + QString::number(m_session.number());
    // A file just read is what the displayed archive holds.
    if (!m_loadedFile.isEmpty())
        return ArchivePlot::fromLoaded(*module->arh(),
                                       QStringLiteral("Файл: ") + QFileInfo(m_loadedFile).fileName());
    const ArhTab &tab = info->arhTabs[tabIndex()];
    return ArchivePlot::fromDisplayed(*module->arh(), tab.kind, tab.system - 1, device + QStringLiteral(", ") + tab.caption);
}

void ArchivePage::refreshPlot()
{
    if (m_plot->isVisibleTo(this))
        m_plot->setPlot(currentPlot());
}

void ArchivePage::showPlot(bool on)
{
    m_plot->setVisible(on);
    if (on) {
        m_plot->setPlot(currentPlot());
        const int total = qMax(m_gridSplit->width(), 400);
        m_gridSplit->setSizes({total / 2, total - total / 2});
    }
}

bool ArchivePage::savePlotPng()
{
    const int type = m_session.type();
    if (tabIndex() < 0 || !typeInfo(type)) {
        m_ui.message(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        return false;
    }
    QString proposed = m_view.proposedPath(type, m_session.number(), tabIndex(), QDateTime::currentDateTime());
    proposed = proposed.left(proposed.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".png");
    const QString path = choose(true, proposed, QStringLiteral("PNG (*.png)"));
    if (path.isEmpty())
        return false;
    QString err;
    const QSize size = m_plot->isVisibleTo(this) && m_plot->width() > 300 ? m_plot->size() : QSize(1200, 800);
    if (!ArchivePlot::savePng(currentPlot(), path, size, &err)) {
        m_ui.statusFail(err);
        m_ui.message(QStringLiteral("файл ") + path + QStringLiteral(" не записан: ") + err);
        return false;
    }
    m_ui.statusOk(QStringLiteral("график записан в файл: ") + QFileInfo(path).fileName());
    return true;
}

void ArchivePage::showGrid(const ArchiveView::Grid &g)
{
    m_liveRows = false;
    fillGrid(m_sga, g);
    // The newest record first, as the operator reads the archive.
    m_sga->scrollToTop();
    setPrintable(g.printable);
}

void ArchivePage::fillGrid(QTableWidget *grid, const ArchiveView::Grid &g)
{
    grid->clearContents();
    grid->setRowCount(int(g.cells.size()));
    int columns = 1;
    for (const QStringList &row : g.cells)
        columns = qMax(columns, int(row.size()));
    grid->setColumnCount(columns);
    // The two header rows stay in place while the records scroll: the
    // grid's own header shows them; the rows themselves stay (hidden) so
    // that a cell's column is still known by its header texts.
    QStringList labels;
    for (int c = 0; c < columns; ++c)
        labels << g.cells.value(0).value(c) + QLatin1Char('\n') + g.cells.value(1).value(c);
    grid->setHorizontalHeaderLabels(labels);
    grid->horizontalHeader()->setVisible(g.cells.size() >= 2);
    for (int r = 0; r < g.cells.size(); ++r) {
        grid->setRowHidden(r, r < 2);
        const bool gap = g.gap(r);
        for (int c = 0; c < g.cells[r].size(); ++c) {
            QString text = g.cells[r][c];
            if (gap && c == 0)
                text += QLatin1Char('*');
            auto *item = new QTableWidgetItem(text);
            if (r < 2)
                item->setBackground(grid->palette().color(QPalette::Button));
            if (gap) {
                item->setBackground(QColor(255, 224, 160));
                item->setToolTip(gapHint());
            }
            grid->setItem(r, c, item);
            widen(grid, c, text);
        }
    }
}

void ArchivePage::appendRows(const QList<QStringList> &rows)
{
    if (rows.isEmpty())
        return;
    if (!m_liveRows) {
        // The first row of a read replaces what the grid showed, keeping
        // the two header rows.
        m_sga->setRowCount(2);
        m_liveRows = true;
    }
    m_sga->setUpdatesEnabled(false);
    int r = m_sga->rowCount();
    m_sga->setRowCount(r + int(rows.size()));
    for (const QStringList &cells : rows) {
        if (m_sga->columnCount() < cells.size())
            m_sga->setColumnCount(int(cells.size()));
        for (int c = 0; c < cells.size(); ++c) {
            m_sga->setItem(r, c, new QTableWidgetItem(cells[c]));
            widen(m_sga, c, cells[c]);
        }
        ++r;
    }
    m_sga->setUpdatesEnabled(true);
    const int last = m_sga->rowCount() - 1;
    m_sga->setCurrentCell(last, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_sga->scrollToBottom();
}

void ArchivePage::setPrintable(bool on)
{
    m_printable = on;
    emit printableChanged(on);
}

QString ArchivePage::gapHint()
{
    return QStringLiteral("разность за несколько периодов: между записями нет прочитанных");
}

ArchiveReading::Result ArchivePage::readArchive()
{
    ArchiveReading::Result none;
    if (reading())
        return none;
    {
        EventsOff off(m_events);
        if (m_begin->date() > m_end->date())
            m_begin->setDate(m_end->date());
    }
    m_range.setDates(m_begin->date(), m_end->date());
    emit showRequested();
    const TypeInfo *info = typeInfo(m_session.type());
    int kind = 0;
    if (info && tabIndex() >= 0 && tabIndex() < info->arhTabs.size())
        kind = info->arhTabs[tabIndex()].kind;
    ArchiveReading reader(m_road, m_ui, m_range, m_session);
    reader.setTraceFolder(QDir::currentPath());
    m_reader = &reader;
    m_liveShown = 0;
    m_liveRows = false;
    ArchiveReading::Result r;
    // The identity may be asked first: the tab's kind is taken again once
    // the type is known (a first read picks the tab of the new type).
    r = reader.read(kind);
    m_liveTimer->stop();
    m_reader = nullptr;
    {
        EventsOff off(m_events);
        m_begin->setDate(m_range.begin());
        m_end->setDate(m_range.end());
    }
    if (r.ran) {
        rebuildTabs();
        refreshView();
        // What was read can be stored now.
        if (QAction *a = m_commands.action(QStringLiteral("Asavearh")))
            a->setEnabled(true);
    }
    return r;
}

void ArchivePage::stopReading()
{
    if (m_reader)
        m_reader->stop();
}

bool ArchivePage::liveUpdate() const
{
    return m_live->isChecked();
}

void ArchivePage::archiveGrown(int kind)
{
    Q_UNUSED(kind);
    if (!m_reader || tabIndex() < 0)
        return;
    if (!m_liveTimer->isActive())
        m_liveTimer->start();
}

void ArchivePage::flushLive()
{
    if (!m_reader || tabIndex() < 0)
        return;
    appendRows(m_view.liveRows(m_session.type(), tabIndex(), m_liveShown));
}

void ArchivePage::wholeArchive()
{
    if (!m_events.on() || tabIndex() < 0)
        return;
    if (!m_view.wholeArchive(m_session.type(), tabIndex()))
        return; // nothing read in that archive: the range stays
    {
        EventsOff off(m_events);
        m_begin->setDate(m_range.begin());
        m_end->setDate(m_range.end());
    }
    refreshView();
}

std::optional<QString> ArchivePage::errorCellText(const QTableWidget *grid, int row, int column,
                                                  DeviceSession &session)
{
    if (row < 2 || column < 0)
        return std::nullopt;
    const QTableWidgetItem *h1 = grid->item(0, column);
    const QTableWidgetItem *h2 = grid->item(1, column);
    const int tag = ErrorDecoder::columnTag(h1 ? h1->text() : QString(), h2 ? h2->text() : QString());
    if (tag == ErrorDecoder::None)
        return std::nullopt;
    // The code is the clicked cell's; no record is written behind the page.
    const QTableWidgetItem *cell = grid->item(row, column);
    const QString text = ErrorDecoder::decodeCell(session, tag, cell ? cell->text() : QString());
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

void ArchivePage::gridDoubleClick(int row, int column)
{
    if (const std::optional<QString> text = errorCellText(m_sga, row, column, m_session))
        m_ui.message(*text);
}

QString ArchivePage::choose(bool save, const QString &proposed, const QString &filter)
{
    if (fileChooser())
        return fileChooser()(save, proposed, filter);
    if (save)
        return QFileDialog::getSaveFileName(this, QString(), proposed, filter);
    return QFileDialog::getOpenFileName(this, QString(), proposed, filter);
}

bool ArchivePage::saveArchive()
{
    emit showRequested();
    const int type = m_session.type();
    if (tabIndex() < 0 || !typeInfo(type)) {
        m_ui.message(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        return false;
    }
    // The folders first, so that the dialog opens in the device folder.
    for (const QString &m : ArchiveFiles::makeDeviceFolder(type, m_session.number()))
        m_ui.message(m);
    const QString proposed = m_view.proposedPath(type, m_session.number(), tabIndex(), QDateTime::currentDateTime());
    const QString path = choose(true, proposed, QStringLiteral("Архивы (*.Arh)"));
    if (path.isEmpty())
        return false;
    const ArchiveView::Saved s = m_view.save(type, m_session.number(), tabIndex(), path);
    refreshView();
    if (!s.ok) {
        m_ui.statusFail(s.error);
        m_ui.message(s.nothing ? s.error : QStringLiteral("файл ") + path + QStringLiteral(" не записан: ") + s.error);
        return false;
    }
    m_ui.statusOk(QStringLiteral("архив записан в файл: ") + QFileInfo(path).fileName());
    return true;
}

ArchiveView::Grid ArchivePage::loadArchive(bool *cancelled)
{
    if (cancelled)
        *cancelled = false;
    const QString folder = m_session.identified() && typeInfo(m_session.type())
        ? ArchiveFiles::deviceFolder(m_session.type(), m_session.number())
        : DataPath({QStringLiteral("ДАННЫЕ"), QStringLiteral("АРХИВЫ")});
    // The "B" of "Bсе" is a Latin letter in the operator's filter.
    const QString path = choose(false, folder, QStringLiteral("Архивы (*.arh);;Bсе файлы (*.*)"));
    if (path.isEmpty()) {
        if (cancelled)
            *cancelled = true;
        return {};
    }
    const ArchiveView::Grid g = m_view.load(m_session.type(), path);
    if (g.ok) {
        m_loadedFile = QFileInfo(path).absoluteFilePath();
        m_loadedGrid = g;
        // The plot beside the grid shows the file at once.
        refreshPlot();
        if (const TypeInfo *info = typeInfo(m_session.type()); info && tabIndex() >= 0 && tabIndex() < info->arhTabs.size())
            emit printSetChanged(m_session.type(), info->arhTabs[tabIndex()].kind);
    }
    return g;
}

ReportSource ArchivePage::reportSource() const
{
    ReportSource s;
    s.type = m_session.type();
    s.tabIndex = tabIndex();
    s.fromFile = !m_loadedFile.isEmpty();
    s.filePath = m_loadedFile;
    s.begin = m_range.begin();
    s.end = m_range.end();
    s.today = QDate::currentDate();
    s.number = m_session.number();
    return s;
}

bool ArchivePage::exportCsv()
{
    const int type = m_session.type();
    if (tabIndex() < 0 || !typeInfo(type)) {
        m_ui.message(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        return false;
    }
    const ArchiveView::Grid g = m_view.build(type, tabIndex());
    QString proposed = m_view.proposedPath(type, m_session.number(), tabIndex(), QDateTime::currentDateTime());
    proposed = proposed.left(proposed.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".csv");
    const QString path = choose(true, proposed, QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return false;
    const QString err = m_view.saveCsv(type, g, path);
    if (!err.isEmpty()) {
        m_ui.statusFail(err);
        m_ui.message(QStringLiteral("файл ") + path + QStringLiteral(" не записан: ") + err);
        return false;
    }
    m_ui.statusOk(QStringLiteral("архив записан в файл: ") + QFileInfo(path).fileName());
    return true;
}

void ArchivePage::stepPrintSpacing()
{
    // 0 → 1 → 2 → −1 → 0 …
    m_spacing = m_spacing == 2 ? -1 : m_spacing + 1;
    m_bint->setText(QString::number(m_spacing));
    emit printSpacingChanged(m_spacing);
}

QPrinter *ArchivePage::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printer.get();
}

bool ArchivePage::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::MouseButtonDblClick && (o == m_lot || o == m_ldo)) {
        wholeArchive();
        return true;
    }
    return QWidget::eventFilter(o, e);
}

} // namespace pim::ui

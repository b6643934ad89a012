#include "ui/DebugPage.h"

#include "console/ExampleTables.h"
#include "console/Expr.h"
#include "console/TableCodec.h"
#include "links/ExchangeEngine.h"
#include "ui/Events.h"
#include "ui/PageKit.h"
#include "ui/PortPage.h"
#include "workflows/WorkflowUi.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

namespace pim::ui {

using namespace pim::console;

namespace {
// What a drag carries: the object name of the combo box it started from.
const QString kDragMime = QStringLiteral("application/x-pim-combo");
const QString kNoTables = QStringLiteral("НЕТ ДЛЯ ЭТОГО ТИПА");
const QString kUndefined = QStringLiteral("НЕ ОПРЕДЕЛЕНО");
} // namespace

DebugPage::DebugPage(Events &events, WorkflowUi &ui, ExchangeEngine &engine, AsyncReceiver &rx, PortPage *portPage,
                     QWidget *parent)
    : QWidget(parent), m_events(events), m_ui(ui), m_engine(engine), m_rx(rx), m_portPage(portPage)
{
    setObjectName(QStringLiteral("TSdeb"));
    auto *g = new QGridLayout(this);
    m_ldstate = kit::label("LDstate", "НЕ ВЫБРАН", "Состояние порта", this);
    m_cbcd = kit::combo("CBCd", "COM-порт", this);
    m_cbbd = kit::combo("CBBd", "СКОРОСТЬ ОБМЕНА", this);
    m_cbbd->addItems({"300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600",
                      "115200"});
    m_cbbd->setCurrentIndex(m_cbbd->findText(QStringLiteral("9600")));
    m_setu = kit::spin("SEtu", 0, 255, 225, "Тип устройства", this);
    m_senou = kit::spin("SEnou", 0, 65535, 22, "№ устройства", this);
    m_cbcmd = kit::combo("CBcmd", "cписок таблиц тащи на метку", this);
    m_cbfmt = kit::combo("CBfmt", "Форматы значений тащи на таблицу", this);
    m_cbfmt->addItems(formatItems());
    m_cbv = kit::combo("CBv", "предопределенные значения тащи на таблицу", this);
    m_cbv->addItems(predefinedValues());
    m_cbv->setCurrentIndex(-1);
    m_label1 = kit::label("Label1", "КОДИРОВКА:", "дв.щ-закодировать и послать", this);
    m_lcod = kit::label("Lcod", "НЕ ОПРЕДЕЛЕНО", "дв.щ-закодировать и послать", this);
    m_label2 = kit::label("Label2", "РАСКОДИРОВКА:", "", this);
    m_ldec = kit::label("Ldec", "НЕ ОПРЕДЕЛЕНО", "", this);
    m_cbp = kit::check("CBp", "посылать", "послать конкретно", false, this);
    m_cbdec = kit::check("CBdec", "только значения", "Не выдавать по байтам", false, this);
    m_cbant = kit::check("CBant", "только ответ", "Выдать только ответ устройства", false, this);
    m_ascii = kit::check("cbASCII", "табл ASCII", "выдать таблицу ASCII в обл просмотра", false, this);
    auto *send = kit::button("Button2", "послать...", "Послать комаду в устройство", this);

    // The line: port, rate, its state; the device the tables address.
    auto *line = new QHBoxLayout;
    line->addWidget(m_cbcd, 2);
    line->addWidget(m_cbbd, 1);
    line->addWidget(new QLabel(QStringLiteral("Тип устройства"), this));
    line->addWidget(m_setu);
    line->addWidget(new QLabel(QStringLiteral("№ устройства"), this));
    line->addWidget(m_senou);
    line->addWidget(m_ldstate, 3);
    g->addLayout(line, 0, 0, 1, 4);
    // The tables and what is dragged onto them.
    g->addWidget(m_cbcmd, 1, 0, 1, 2);
    g->addWidget(m_cbfmt, 1, 2);
    g->addWidget(m_cbv, 1, 3);
    g->addWidget(m_label1, 2, 0);
    g->addWidget(m_lcod, 2, 1);
    g->addWidget(m_label2, 2, 2);
    g->addWidget(m_ldec, 2, 3);
    auto *options = new QHBoxLayout;
    options->addWidget(send);
    for (QWidget *w : {m_cbp, m_cbdec, m_cbant, m_ascii})
        options->addWidget(w);
    options->addStretch();
    g->addLayout(options, 3, 0, 1, 4);
    m_sgcmd = new QTableWidget(this);
    m_sgcmd->setObjectName(QStringLiteral("SGcmd"));
    m_sgcmd->setAcceptDrops(true);
    m_sgcmd->viewport()->setAcceptDrops(true);
    m_sgcmd->viewport()->installEventFilter(this);
    m_sgcmd->installEventFilter(this);
    m_sgcmd->horizontalHeader()->setVisible(false);
    m_sgcmd->verticalHeader()->setVisible(false);
    g->addWidget(m_sgcmd, 4, 0, 1, 2);
    m_lbq = new QListWidget(this);
    m_lbq->setObjectName(QStringLiteral("LBq"));
    m_lbq->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_lbq->installEventFilter(this);
    m_lbq->viewport()->installEventFilter(this);
    g->addWidget(m_lbq, 4, 2, 1, 2);
    m_memod = new QPlainTextEdit(QStringLiteral("гипертерминал"), this);
    m_memod->setObjectName(QStringLiteral("MEMOD"));
    m_memod->setReadOnly(true);
    m_memod->setToolTip(QStringLiteral("дв.щ.-очистить"));
    m_memod->viewport()->installEventFilter(this);
    m_memod->setMaximumHeight(120);
    g->addWidget(m_memod, 5, 0, 1, 4);
    g->setRowStretch(4, 1);

    // Sources of drags; targets of the table list.
    for (QWidget *w : {static_cast<QWidget *>(m_cbcmd), static_cast<QWidget *>(m_cbfmt), static_cast<QWidget *>(m_cbv)})
        w->installEventFilter(this);
    for (QLabel *l : {m_label1, m_lcod, m_label2, m_ldec}) {
        l->setAcceptDrops(true);
        l->installEventFilter(this);
    }
    // The operator's choices are settings; the table and the listings are not.
    for (QWidget *w : {static_cast<QWidget *>(m_sgcmd), static_cast<QWidget *>(m_lbq), static_cast<QWidget *>(m_memod)})
        w->setProperty("noSetting", true);

    m_rx.setServiceHandler(this);
    connect(send, &QPushButton::clicked, this, &DebugPage::encodeAndSend);
    connect(m_cbcd, &QComboBox::activated, this, [this] {
        if (m_events.on())
            portCheck();
    });
    connect(m_cbbd, &QComboBox::activated, this, [this] {
        if (m_events.on())
            portCheck();
    });
    connect(m_setu, &QSpinBox::valueChanged, this, [this] {
        if (m_events.on())
            fillTables();
    });
    connect(m_cbcmd, &QComboBox::currentIndexChanged, this, [this] {
        if (m_events.on())
            loadTable(currentTablePath());
    });
    connect(m_ascii, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            list(asciiTable());
    });
}

QString DebugPage::currentTablePath() const
{
    const QString t = m_cbcmd->currentText();
    return t == kNoTables ? QString() : t;
}

ListingOptions DebugPage::options() const
{
    ListingOptions o;
    o.onlyValues = m_cbdec->isChecked();
    o.onlyReply = m_cbant->isChecked();
    return o;
}

void DebugPage::pageShown()
{
    if (m_portPage) {
        // The connection page's choices, the same entries selected.
        const EventsOff off(m_events);
        for (auto [from, to] : {std::pair{m_portPage->portList(), m_cbcd}, std::pair{m_portPage->rateList(), m_cbbd}}) {
            to->clear();
            for (int i = 0; i < from->count(); ++i)
                to->addItem(from->itemText(i));
            to->setCurrentIndex(from->currentIndex());
        }
    }
    m_shown = true;
    m_rx.setRxSuppressed(false);
    m_rx.setServicePageActive(true);
    // Something to start from, never over a table of the same name.
    QString error;
    installExampleTables(&error);
    if (m_events.on())
        portCheck();
    fillTables();
}

void DebugPage::pageHidden()
{
    if (!m_shown)
        return;
    m_shown = false;
    m_rx.setRxSuppressed(true);
    m_rx.setServicePageActive(false);
}

bool DebugPage::portCheck()
{
    const QString name = m_cbcd->currentText();
    const QString busy = QStringLiteral("определение состояния порта ") + name;
    m_ui.StatusBusy(StatusLabel::LDstate, busy);
    m_ui.statusBusy(busy);
    TCommPortDriver &port = m_engine.port();
    port.ClosePort();
    port.setPortName(name);
    port.setBaudRate(brCustom);
    port.setBaudRateValue(m_cbbd->currentText().toUInt());
    const bool opened = !name.isEmpty() && port.OpenPort();
    if (opened) {
        m_ui.StatusOk(StatusLabel::LPState, QStringLiteral("свободен (подключен)"));
        m_ui.StatusOk(StatusLabel::LDstate, QStringLiteral("порт свободен (подключен)"));
        m_ui.statusOk(name + QStringLiteral(" свободен (подключен)"));
    } else {
        m_ui.StatusFail(StatusLabel::LDstate, QStringLiteral("занят (отсутсвует)"));
        m_ui.statusFail(name + QStringLiteral(" занят (отсутсвует)"));
    }
    port.ClosePort();
    return opened;
}

void DebugPage::fillTables()
{
    const QStringList tables = ListTables(tableFolder(m_setu->value()));
    {
        const EventsOff off(m_events);
        m_cbcmd->clear();
        m_cbcmd->addItems(tables.isEmpty() ? QStringList{kNoTables} : tables);
        m_cbcmd->setCurrentIndex(0);
    }
    loadTable(currentTablePath());
}

void DebugPage::loadTable(const QString &path)
{
    CommandTable t;
    if (path.isEmpty() || !LoadTable(path, QLatin1Char('\t'), t).isEmpty()) {
        m_sgcmd->clear();
        m_sgcmd->setRowCount(0);
        m_sgcmd->setColumnCount(0);
        return;
    }
    m_sgcmd->clear();
    m_sgcmd->setRowCount(t.rowCount());
    m_sgcmd->setColumnCount(t.columnCount());
    for (int r = 0; r < t.rowCount(); ++r)
        for (int c = 0; c < t.columnCount(); ++c)
            m_sgcmd->setItem(r, c, new QTableWidgetItem(t.cell(r, c)));
    m_sgcmd->resizeColumnsToContents();
}

CommandTable DebugPage::tableFromGrid() const
{
    CommandTable t;
    for (int r = 0; r < m_sgcmd->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < m_sgcmd->columnCount(); ++c) {
            const QTableWidgetItem *item = m_sgcmd->item(r, c);
            row << (item ? item->text() : QString());
        }
        // Cells past the last filled one are not written as empty cells.
        while (!row.isEmpty() && row.last().isEmpty() && row.size() > 1)
            row.removeLast();
        t.rows << row;
    }
    return t;
}

void DebugPage::saveTable()
{
    const QString path = currentTablePath();
    if (path.isEmpty())
        return;
    const QString error = SaveTable(tableFromGrid(), path, QLatin1Char('\t'));
    if (!error.isEmpty())
        m_ui.statusFail(error);
}

void DebugPage::gridDoubleClick(int row, bool ctrl)
{
    CommandTable t = tableFromGrid();
    if (ctrl)
        t.deleteRow(row);
    else
        t.insertRowAfter(row);
    const QString path = currentTablePath();
    if (path.isEmpty())
        return;
    // Shown as edited; saved with the next Enter, as any edit.
    m_sgcmd->setRowCount(t.rowCount());
    m_sgcmd->setColumnCount(t.columnCount());
    for (int r = 0; r < t.rowCount(); ++r)
        for (int c = 0; c < t.columnCount(); ++c)
            m_sgcmd->setItem(r, c, new QTableWidgetItem(t.cell(r, c)));
}

bool DebugPage::dropOnGrid(int row, const QString &source)
{
    if (source != QLatin1String("CBfmt") && source != QLatin1String("CBv") && source != QLatin1String("CBcmd"))
        return false;
    if (currentTablePath().isEmpty() || row < 1)
        return false;
    const QString fmt = m_cbfmt->currentText();
    if (fmt.isEmpty())
        return false;
    CommandTable t = tableFromGrid();
    t.dropFormat(row, fmt.at(0), m_cbv->currentIndex());
    m_sgcmd->setRowCount(t.rowCount());
    m_sgcmd->setColumnCount(qMax(3, t.columnCount()));
    for (int r = 0; r < t.rowCount(); ++r)
        for (int c = 0; c < t.columnCount(); ++c)
            m_sgcmd->setItem(r, c, new QTableWidgetItem(t.cell(r, c)));
    saveTable();
    return true;
}

bool DebugPage::dropOnLabel(bool encoding, const QString &source)
{
    // Only the table list may be dropped here.
    if (source != QLatin1String("CBcmd") || currentTablePath().isEmpty())
        return false;
    QLabel *l = encoding ? m_lcod : m_ldec;
    l->setText(currentTablePath());
    l->setToolTip(currentTablePath());
    return true;
}

void DebugPage::list(const QStringList &lines)
{
    for (const QString &line : lines)
        m_lbq->addItem(QString(line).replace(QLatin1Char('\r'), QLatin1Char(' ')));
    m_lbq->scrollToBottom();
}

QStringList DebugPage::listing() const
{
    QStringList out;
    for (int i = 0; i < m_lbq->count(); ++i)
        out << m_lbq->item(i)->text();
    return out;
}

void DebugPage::encodeAndSend()
{
    m_lbq->clear();
    CommandTable t;
    const QString path = m_lcod->text() == kUndefined ? QString() : m_lcod->text();
    if (const QString error = LoadTable(path, QLatin1Char('\t'), t); !error.isEmpty()) {
        list({error});
        return;
    }
    const Encoded e = EncodeTable(t, m_setu->value(), m_senou->value());
    const ListingOptions o = options();
    list(requestListing(e, o));
    if (e.refused) {
        // A marked row, or no row: the frame is not what the table means.
        m_ui.statusFail(e.why + QStringLiteral(": не послано"));
        return;
    }
    if (!m_cbp->isChecked()) {
        m_ui.statusBusy(QStringLiteral("КОДИРОВКА БЕЗ ПОСЫЛКИ"));
        return;
    }
    m_ui.statusBusy(QStringLiteral("ПОСЛАЛ... Ждем ответа"));
    m_ui.StatusBusy(StatusLabel::LDstate, QStringLiteral("ПОСЛАЛ"));
    m_rx.setServicePageActive(true);
    if (!m_rx.SendAsync(e.frame.bytes())) {
        m_ui.statusFail(m_cbcd->currentText() + QStringLiteral("НЕТ СВЯЗИ"));
        m_ui.StatusFail(StatusLabel::LDstate, QStringLiteral(" занят (отсутсвует)"));
    }
}

void DebugPage::rxComplete(const QByteArray &buffer)
{
    QTextCursor c = m_memod->textCursor();
    c.insertText(QString::fromLatin1(buffer));
    const Tab reply = Tab::fromBytes(buffer);
    const QString decode = m_ldec->text() == kUndefined ? QString() : m_ldec->text();
    list(replyListing(reply, decode, options()));
}

bool DebugPage::eventFilter(QObject *o, QEvent *e)
{
    auto sourceOf = [](const QMimeData *m) { return m ? QString::fromUtf8(m->data(kDragMime)) : QString(); };
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        auto *me = static_cast<QMouseEvent *>(e);
        if (o == m_cbcmd || o == m_cbfmt || o == m_cbv)
            m_dragStart = me->position().toPoint();
        if (o == m_sgcmd->viewport()) {
            m_pressedRow = m_sgcmd->rowAt(int(me->position().y()));
            m_pressedCtrl = me->modifiers() & Qt::ControlModifier;
        }
        break;
    }
    case QEvent::MouseMove: {
        auto *me = static_cast<QMouseEvent *>(e);
        auto *combo = qobject_cast<QComboBox *>(o);
        if (combo && (me->buttons() & Qt::LeftButton)
            && (me->position().toPoint() - m_dragStart).manhattanLength() >= QApplication::startDragDistance()) {
            auto *drag = new QDrag(combo);
            auto *mime = new QMimeData;
            mime->setData(kDragMime, combo->objectName().toUtf8());
            mime->setText(combo->currentText());
            drag->setMimeData(mime);
            drag->exec(Qt::CopyAction);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (o == m_sgcmd->viewport()) {
            if (m_pressedRow >= 0)
                gridDoubleClick(m_pressedRow, m_pressedCtrl);
            return true;
        }
        if (o == m_label1 || o == m_lcod) {
            encodeAndSend();
            return true;
        }
        if (o == m_lbq || o == m_lbq->viewport()) {
            m_lbq->clear();
            return true;
        }
        if (o == m_memod->viewport()) {
            m_memod->setPlainText(QStringLiteral("Гипертерминал"));
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (o == m_sgcmd) {
            const int key = static_cast<QKeyEvent *>(e)->key();
            // An open cell editor takes its own keys; this is the grid's Enter.
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                saveTable();
                return true;
            }
        }
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *de = static_cast<QDragMoveEvent *>(e);
        const QString source = sourceOf(de->mimeData());
        const bool onGrid = o == m_sgcmd->viewport() && !source.isEmpty();
        const bool onLabel = (o == m_label1 || o == m_lcod || o == m_label2 || o == m_ldec)
            && source == QLatin1String("CBcmd");
        if (onGrid || onLabel)
            de->acceptProposedAction();
        else
            de->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *de = static_cast<QDropEvent *>(e);
        const QString source = sourceOf(de->mimeData());
        bool taken = false;
        if (o == m_sgcmd->viewport())
            taken = dropOnGrid(m_sgcmd->rowAt(int(de->position().y())), source);
        else if (o == m_label1 || o == m_lcod)
            taken = dropOnLabel(true, source);
        else if (o == m_label2 || o == m_ldec)
            taken = dropOnLabel(false, source);
        if (taken)
            de->acceptProposedAction();
        else
            de->ignore();
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(o, e);
}

} // namespace pim::ui

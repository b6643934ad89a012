#include "ui/ArchivePage.h"

#include "devices/DeviceSession.h"
#include "protocol/Frame.h"
#include "ui/CommandMap.h"
#include "ui/PageKit.h"
#include "ui/RadioGroup.h"
#include "ui/Events.h"
#include "workflows/WorkflowUi.h"

#include <QCheckBox>
#include <QColor>
#include <QDateEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace pim::ui {

ArchivePage::ArchivePage(Events &events, CommandMap &commands, WorkflowUi &ui, DeviceSession &session, QWidget *parent)
    : QWidget(parent), m_events(events), m_ui(ui), m_session(session)
{
    setObjectName(QStringLiteral("TSa"));
    auto *lot = kit::label("Lot", "ОТ", "Дв.Щелк- весь архив", this);
    m_begin = kit::date("DTPb", this);
    auto *ldo = kit::label("Ldo", "ДО", "Дв.Щелк- весь архив", this);
    m_end = kit::date("DTPe", this);
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
    auto *live = kit::check("EnUpdate", "отображать архив при чтении", "", true, this);
    auto *bint = kit::button("Bint", "0", "межстрочный интервал при печати архива", this);
    auto *printer = kit::button("BBspa", "выбор принтера", "", this);
    m_tca = new QTabBar(this);
    m_tca->setObjectName(QStringLiteral("TCa"));
    m_tca->addTab(QStringLiteral("суточный"));
    m_tca->addTab(QStringLiteral("часовой"));
    m_sga = new QTableWidget(2, 1, this);
    m_sga->setObjectName(QStringLiteral("SGa"));
    m_sga->horizontalHeader()->setVisible(false);
    m_sga->verticalHeader()->setVisible(false);
    m_sga->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pma = commands.buildMenu(QStringLiteral("PMa"), this);
    m_sga->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_sga, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { m_pma->popup(m_sga->viewport()->mapToGlobal(p)); });

    auto *g = new QGridLayout;
    g->addWidget(lot, 0, 0);
    g->addWidget(m_begin, 0, 1);
    g->addWidget(ldo, 1, 0);
    g->addWidget(m_end, 1, 1);
    g->addWidget(m_rgdtp, 0, 2, 2, 1);
    g->addWidget(m_prec, 0, 3);
    g->addWidget(live, 1, 3);
    g->addWidget(bint, 0, 4);
    g->addWidget(printer, 1, 4);
    g->setColumnStretch(5, 1);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(g);
    lay->addWidget(m_tca);
    lay->addWidget(m_sga, 1);

    // Reading, printing and the print spacing come with the archive workflow;
    // the grid stays enabled so that its menu opens.
    for (QWidget *w : std::initializer_list<QWidget *>{live, bint, printer, m_tca})
        w->setEnabled(false);

    connect(m_rgdtp, &RadioGroup::clicked, this, &ArchivePage::rangeChoice);
    connect(m_prec, &QSpinBox::valueChanged, this, [this](int n) {
        if (m_events.on())
            m_session.valueFormat().setPrecision(n);
    });
    connect(m_begin, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (m_events.on())
            m_range.setBegin(d);
    });
    connect(m_end, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (m_events.on())
            m_range.setEnd(d);
    });
}

void ArchivePage::rangeChoice()
{
    // The pickers may have come back from the settings with their handlers
    // held off: "все записи" and an unselected choice keep what they show.
    m_range.setDates(m_begin->date(), m_end->date());
    const int item = m_rgdtp->itemIndex();
    const ArchiveRange::Outcome out = m_range.choose(item, QDate::currentDate(), 0, m_session.type());
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

void ArchivePage::resetRange()
{
    EventsOff off(m_events);
    m_begin->setDate(QDate::currentDate());
    m_end->setDate(QDate::currentDate());
    m_range.setDates(QDate::currentDate(), QDate::currentDate());
}

QString ArchivePage::gapHint()
{
    return QStringLiteral("разность за несколько периодов: между записями нет прочитанных");
}

void ArchivePage::showGrid(const ArchiveView::Grid &g)
{
    m_sga->clearContents();
    m_sga->setRowCount(int(g.cells.size()));
    int columns = 1;
    for (const QStringList &row : g.cells)
        columns = qMax(columns, int(row.size()));
    m_sga->setColumnCount(columns);
    for (int r = 0; r < g.cells.size(); ++r) {
        const bool gap = g.gap(r);
        for (int c = 0; c < g.cells[r].size(); ++c) {
            QString text = g.cells[r][c];
            if (gap && c == 0)
                text += QLatin1Char('*');
            auto *item = new QTableWidgetItem(text);
            if (gap) {
                item->setBackground(QColor(255, 224, 160));
                item->setToolTip(gapHint());
            }
            m_sga->setItem(r, c, item);
        }
    }
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
        m_session.valueFormat().setPrecision(m_prec->value());
}

} // namespace pim::ui

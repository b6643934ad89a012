#include "ui/PrintPage.h"

#include "base/DataPath.h"
#include "base/TextFile.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "reports/ArchiveReport.h"
#include "reports/PainterCanvas.h"
#include "ui/Events.h"
#include "ui/PageKit.h"
#include "workflows/WorkflowUi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTextBlock>

namespace pim::ui {

namespace {

const char *const kSectionNames[3] = {"Верхний заголовок отчета", "Данные отчета", "Нижний колонтитул отчета"};
const char *const kSectionObjects[3] = {"mH", "mB", "mF"};

QFont qFont(const ReportFont &f)
{
    QFont q(f.name);
    q.setPointSize(f.size);
    q.setBold(f.bold);
    q.setItalic(f.italic);
    return q;
}

QStringList linesOf(const QPlainTextEdit *e)
{
    return e->toPlainText().split(QLatin1Char('\n'));
}

} // namespace

PrintPage::PrintPage(Events &events, WorkflowUi &ui, DeviceSession &session, std::function<QPrinter *()> printer,
                     QWidget *parent)
    : QWidget(parent), m_events(events), m_ui(ui), m_session(session), m_printer(std::move(printer))
{
    setObjectName(QStringLiteral("TSp"));
    auto *g = new QGridLayout(this);
    int r = 0;
    for (int s = 0; s < 3; ++s) {
        g->addWidget(new QLabel(QString::fromUtf8(kSectionNames[s]), this), r++, 0, 1, 4);
        m_sections[s] = new QPlainTextEdit(this);
        m_sections[s]->setObjectName(QString::fromLatin1(kSectionObjects[s]));
        m_sections[s]->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_sections[s]->setMinimumHeight(s == 1 ? 160 : 90);
        m_sections[s]->installEventFilter(this);
        m_sections[s]->viewport()->installEventFilter(this);
        g->addWidget(m_sections[s], r++, 0, 1, 4);
        connect(m_sections[s], &QPlainTextEdit::cursorPositionChanged, this, [this, s] { showCaret(s); });
    }

    auto *side = new QGridLayout;
    int sr = 0;
    side->addWidget(new QLabel(QStringLiteral("переменные значения"), this), sr++, 0, 1, 2);
    m_cbd = kit::combo("cbd", "переменные значения", this);
    m_cbd->setEditable(true);
    m_cbd->setInsertPolicy(QComboBox::NoInsert);
    m_cbd->setMinimumWidth(320);
    side->addWidget(m_cbd, sr++, 0, 1, 2);
    // The whole list at a glance: a click chooses the entry as "cbd" does.
    m_varList = new QListWidget(this);
    m_varList->setObjectName(QStringLiteral("LBvars"));
    m_varList->setToolTip(QStringLiteral("переменные значения"));
    m_varList->setMinimumHeight(160);
    m_varList->setProperty("noSetting", true);
    side->addWidget(m_varList, sr++, 0, 1, 2);
    auto *font = kit::button("Button1", "ШРИФТ", "шрифт раздела, в котором был курсор", this);
    m_help = kit::button("SBhe", "помощь настройки печати", "помощь настройки печати", this);
    m_help->setCheckable(true);
    side->addWidget(font, sr, 0);
    side->addWidget(m_help, sr++, 1);
    const std::tuple<const char *, const char *, int, int, QSpinBox **> spins[] = {
        {"SELeft", "Левое поле, мм", 15, 150, &m_left},
        {"SEtop", "Верхнее поле,мм", 5, 150, &m_top},
        {"SERight", "правое поле,мм", 5, 150, &m_right},
        {"SEbottom", "нижнее поле,мм", 5, 150, &m_bottom},
        {"SEint", "межстрочный интервал=значение+1мм", 0, 50, &m_interval},
    };
    for (const auto &[name, hint, value, max, field] : spins) {
        side->addWidget(new QLabel(QString::fromUtf8(hint), this), sr, 0);
        // The interval may be −1 mm, as "Bint" steps it.
        *field = kit::spin(name, field == &m_interval ? -1 : 0, max, value, hint, this);
        side->addWidget(*field, sr++, 1);
    }
    m_frame = kit::check("cbf", "поля", "показывать поля (будут печататься)", true, this);
    side->addWidget(m_frame, sr++, 1);
    auto *choose = kit::button("BBsp", "выбор принтера", "", this);
    side->addWidget(choose, sr++, 1);
    m_line = kit::label("LPline", "строка=0", "", this);
    m_column = kit::label("LPcolumn", "столбец=0", "", this);
    m_sectionName = kit::label("LPsection", "", "", this);
    // Where the caret is: no setting of the window.
    for (QLabel *l : {m_line, m_column, m_sectionName})
        l->setProperty("noSetting", true);
    side->addWidget(m_line, sr, 0);
    side->addWidget(m_column, sr++, 1);
    side->addWidget(m_sectionName, sr++, 0, 1, 2);
    side->setRowStretch(sr, 1);
    g->addLayout(side, 0, 4, r, 1);
    g->setColumnStretch(0, 1);

    connect(m_cbd, qOverload<int>(&QComboBox::activated), this, &PrintPage::chooseVariable);
    connect(m_varList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != m_cbd->currentIndex())
            chooseVariable(row);
    });
    connect(m_cbd->lineEdit(), &QLineEdit::returnPressed, this, &PrintPage::editVariable);
    connect(font, &QPushButton::clicked, this, &PrintPage::chooseFont);
    connect(m_help, &QPushButton::toggled, this, &PrintPage::showHelp);
    connect(choose, &QPushButton::clicked, this, [this] {
        QPrintDialog dialog(m_printer(), this);
        dialog.setWindowTitle(QStringLiteral("выбор принтера"));
        dialog.exec();
    });
    showForms();
}

void PrintPage::showForms()
{
    EventsOff off(m_events);
    const ReportSection *s[3] = {&m_forms.header, &m_forms.data, &m_forms.footer};
    for (int i = 0; i < 3; ++i) {
        m_sections[i]->setFont(qFont(s[i]->font));
        if (i == 0 && m_helpShown)
            m_keptHeader = s[i]->lines;
        else
            m_sections[i]->setPlainText(s[i]->lines.join(QLatin1Char('\n')));
    }
    // The entry last chosen stays chosen; without one it is entry 0, the
    // one a double click inserts.
    const int keep = qMax(0, m_cbd->currentIndex());
    m_cbd->clear();
    m_cbd->addItems(m_forms.vars);
    m_varList->clear();
    m_varList->addItems(m_forms.vars);
    const int current = qMin(keep, int(m_cbd->count()) - 1);
    m_cbd->setCurrentIndex(current);
    m_varList->setCurrentRow(current);
}

void PrintPage::chooseVariable(int index)
{
    m_cbdIndex = index;
    if (m_cbd->currentIndex() != index)
        m_cbd->setCurrentIndex(index);
    if (m_varList->currentRow() != index)
        m_varList->setCurrentRow(index);
}

void PrintPage::loadForms(int type, int kind)
{
    m_forms = forms(); // the fonts and the list as they are now; loading replaces them
    QString refused;
    m_forms.load(printFolder(), type, kind, &refused);
    showForms();
    // The operator's file was not taken (and will not be saved over): say so.
    if (!refused.isEmpty())
        m_ui.statusFail(refused);
}

PrintForms PrintPage::forms() const
{
    PrintForms f = m_forms;
    f.header.lines = m_helpShown ? m_keptHeader : linesOf(m_sections[0]);
    f.data.lines = linesOf(m_sections[1]);
    f.footer.lines = linesOf(m_sections[2]);
    return f;
}

void PrintPage::setLineInterval(int mm)
{
    m_interval->setValue(mm);
}

PageSettings PrintPage::pageSettings() const
{
    PageSettings p;
    p.left = m_left->value();
    p.top = m_top->value();
    p.right = m_right->value();
    p.bottom = m_bottom->value();
    p.interval = m_interval->value();
    p.frame = m_frame->isChecked();
    return p;
}

QString PrintPage::selectedToken() const
{
    const int i = m_cbd->currentIndex();
    return i < 0 ? QString() : QStringLiteral("@%1").arg(i, 2, 10, QLatin1Char('0'));
}

void PrintPage::insertToken(int section)
{
    if (!m_events.on() || (section == 0 && m_helpShown))
        return;
    const QString token = selectedToken();
    if (token.isEmpty())
        return;
    // At the caret itself: one place to its left would split a token
    // already standing there.
    m_sections[qBound(0, section, 2)]->textCursor().insertText(token);
}

void PrintPage::showHelp(bool on)
{
    if (on == m_helpShown)
        return;
    QPlainTextEdit *header = m_sections[0];
    if (on) {
        m_keptHeader = linesOf(header);
        const QString path = DataPath({QStringLiteral("ДАННЫЕ")}, QStringLiteral("помощь настройки печати"),
                                      QStringLiteral("txt"));
        QStringList help;
        if (!QFileInfo(path).isFile() || !readLines(path, help))
            help = {QStringLiteral("файл справки ") + path + QStringLiteral(" отсутствует или поврежден")};
        m_helpShown = true;
        header->setReadOnly(true);
        header->setPlainText(help.join(QLatin1Char('\n')));
    } else {
        m_helpShown = false;
        header->setReadOnly(false);
        header->setPlainText(m_keptHeader.join(QLatin1Char('\n')));
    }
    if (m_help->isChecked() != on) {
        const QSignalBlocker block(m_help);
        m_help->setChecked(on);
    }
}

void PrintPage::showCaret(int section)
{
    const QTextCursor c = m_sections[section]->textCursor();
    m_line->setText(QStringLiteral("строка=%1").arg(c.blockNumber()));
    m_column->setText(QStringLiteral("столбец=%1").arg(c.positionInBlock()));
}

void PrintPage::chooseFont()
{
    ReportSection *s[3] = {&m_forms.header, &m_forms.data, &m_forms.footer};
    ReportFont &f = s[m_current]->font;
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, qFont(f), this, QStringLiteral("ШРИФТ"));
    if (!ok)
        return;
    f.name = chosen.family();
    f.size = chosen.pointSize() > 0 ? chosen.pointSize() : f.size;
    f.bold = chosen.bold();
    f.italic = chosen.italic();
    m_sections[m_current]->setFont(qFont(f));
}

void PrintPage::editVariable()
{
    if (m_cbdIndex < 0 || m_cbdIndex >= m_forms.vars.size())
        return;
    const QString text = m_cbd->currentText();
    m_forms.vars[m_cbdIndex] = text;
    m_cbd->setItemText(m_cbdIndex, text);
    if (QListWidgetItem *item = m_varList->item(m_cbdIndex))
        item->setText(text);
}

bool PrintPage::eventFilter(QObject *o, QEvent *e)
{
    for (int s = 0; s < 3; ++s) {
        if (e->type() == QEvent::FocusIn && o == m_sections[s] && m_events.on()) {
            m_current = s;
            m_sectionName->setText(QString::fromUtf8(kSectionNames[s]));
        }
        if (e->type() == QEvent::MouseButtonDblClick && o == m_sections[s]->viewport()) {
            if (!m_events.on() || selectedToken().isEmpty())
                return QWidget::eventFilter(o, e);
            auto *me = static_cast<QMouseEvent *>(e);
            m_sections[s]->setTextCursor(m_sections[s]->cursorForPosition(me->position().toPoint()));
            insertToken(s);
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

int PrintPage::printArchive(QPrinter *printer, const ReportSource &source)
{
    printer->setFullPage(true);
    PainterCanvas canvas(printer);
    if (!canvas.active())
        return 0;
    const ArchiveReport::Drawn d = ArchiveReport::render(canvas, forms(), pageSettings(), m_session, source);
    for (const QString &m : d.messages)
        m_ui.message(m);
    canvas.finish();
    return d.pages;
}

void PrintPage::previewArchive(const ReportSource &source)
{
    EventsOff off(m_events);
    const PrintForms f = forms();
    for (const QString &m : ArchiveReport::saveForms(f, source.type, source.tabIndex, printFolder()))
        m_ui.message(m);
    QPrinter *printer = m_printer();
    printer->setDocName(QStringLiteral("ReportPrinter Report"));
    QPrintPreviewDialog dialog(printer, window());
    dialog.setObjectName(QStringLiteral("RvPreview"));
    dialog.setWindowTitle(ArchiveReport::previewTitle(source.type, source.tabIndex));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this, source](QPrinter *p) { printArchive(p, source); });
    if (auto *view = dialog.findChild<QPrintPreviewWidget *>()) {
        view->setZoomMode(QPrintPreviewWidget::CustomZoom);
        view->setZoomFactor(0.98);
    }
    // Without a window manager "maximised" is only a wish: the dialog gets
    // the screen's working area itself.
    if (QScreen *screen = window() && window()->screen() ? window()->screen() : QGuiApplication::primaryScreen())
        dialog.setGeometry(screen->availableGeometry());
    dialog.setWindowState(Qt::WindowMaximized);
    dialog.exec();
}

} // namespace pim::ui

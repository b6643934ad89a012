#include "ui/ParamEditor.h"

#include "devices/DeviceSession.h"
#include "devices/ParamCodec.h"
#include "ui/Events.h"
#include "workflows/ConfigReading.h"
#include "workflows/WorkflowUi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <array>

namespace pim::ui {

namespace {
// The checks report on the window's status line.
class LineStatus final : public ParamStatus {
public:
    LineStatus(StatusSink &sink, bool &ok) : m_sink(sink), m_ok(ok) {}
    void showStatus(Kind kind, const QString &text) override
    {
        m_ok = kind == Kind::Ok;
        if (m_ok)
            m_sink.statusOk(text);
        else
            m_sink.statusFail(text);
    }
    bool lastOk() const override { return m_ok; }

private:
    StatusSink &m_sink;
    bool &m_ok;
};

QColor labelColour(ParamLabelState c)
{
    switch (c) {
    case ParamLabelState::PulsesPerLitre: return QColor(Qt::red);
    case ParamLabelState::LitresPerPulse: return QColor(0, 0, 128);
    default: return {};
    }
}

// Which box of the editor a control goes to, by what it is about.
enum Group { Top, Meters, Accounting, ColdWater, Contract, GroupCount };

Group groupOf(const QString &name)
{
    namespace N = paramname;
    if (name == ParamCodec::kSystemChoice || name == N::kType || name == N::kModification)
        return Top;
    if (name.startsWith(QLatin1String("eVes")) || name.startsWith(QLatin1String("eW")))
        return Meters;
    if (name.startsWith(QLatin1String("eDog")) || name.startsWith(QLatin1String("chDog")))
        return Contract;
    if (name == N::kColdTemp1 || name == N::kColdTemp2 || name == N::kUseSecond || name == N::kStart
        || name == N::kEnd || name == N::kColdTemp || name == N::kUseLimit || name == N::kLimit)
        return ColdWater;
    return Accounting;
}

const char *groupTitle(Group g)
{
    switch (g) {
    case Meters: return "Расходомеры";
    case Accounting: return "Учет";
    case ColdWater: return "Температуры";
    case Contract: return "Договорные значения";
    default: return "";
    }
}
} // namespace

ParamEditor::ParamEditor(Events &events, WorkflowUi &ui, DeviceSession &session, QWidget *parent)
    : QWidget(parent), m_events(events), m_ui(ui), m_session(session)
{
    setObjectName(QStringLiteral("ParamEditor"));
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
}

ParamCodec *ParamEditor::codec() const
{
    DeviceModule *m = m_session.module();
    return m ? &m->param() : nullptr;
}

bool ParamEditor::build()
{
    ParamCodec *c = codec();
    if (!c) {
        delete m_body;
        m_body = nullptr;
        return false;
    }
    c->ShowParam(m_session.type());
    render();
    return true;
}

void ParamEditor::loadDefaults()
{
    ParamCodec *c = codec();
    if (!c)
        return;
    c->loadDefaults();
    build();
    showGrid();
    m_ui.statusOk(QStringLiteral("Конфигурация задана по умолчанию"));
}

void ParamEditor::showGrid()
{
    if (ParamCodec *c = codec())
        emit gridChanged(ConfigReading::gridCells(*c));
}

QWidget *ParamEditor::makeInput(const ParamControl &pc, QWidget *parent)
{
    const QString name = pc.name;
    switch (pc.kind) {
    case ParamControlKind::Edit: {
        auto *e = new QLineEdit(pc.text, parent);
        if (!pc.editMask.isEmpty())
            e->setInputMask(pc.editMask);
        e->setMaximumWidth(120);
        connect(e, &QLineEdit::editingFinished, this, [this, e, name] {
            if (ParamCodec *k = codec(); k && k->form().text(name) != e->text()) {
                k->form().setText(name, e->text());
                changed(name);
            }
        });
        return e;
    }
    case ParamControlKind::Check: {
        auto *b = new QCheckBox(pc.label, parent);
        b->setChecked(pc.checked);
        connect(b, &QCheckBox::toggled, this, [this, name](bool on) {
            if (ParamCodec *k = codec()) {
                k->form().setChecked(name, on);
                changed(name);
            }
        });
        return b;
    }
    case ParamControlKind::List: {
        auto *l = new QComboBox(parent);
        l->addItems(pc.items);
        l->setCurrentIndex(pc.index);
        connect(l, &QComboBox::currentIndexChanged, this, [this, name](int i) {
            if (ParamCodec *k = codec()) {
                k->form().setIndex(name, i);
                changed(name);
            }
        });
        return l;
    }
    case ParamControlKind::Date: {
        auto *d = new QDateEdit(pc.date, parent);
        // Month names as the operator reads them; the current year only.
        d->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
        if (!pc.displayFormat.isEmpty())
            d->setDisplayFormat(pc.displayFormat);
        if (pc.date.isValid())
            d->setDateRange(QDate(pc.date.year(), 1, 1), QDate(pc.date.year(), 12, 31));
        connect(d, &QDateEdit::dateChanged, this, [this, name](QDate v) {
            if (ParamCodec *k = codec()) {
                k->form().setDate(name, v);
                changed(name);
            }
        });
        return d;
    }
    }
    return new QWidget(parent);
}

void ParamEditor::render()
{
    ParamCodec *c = codec();
    // Deleted later, as render() may run from inside one of these widgets'
    // signals; out of the page at once, so only the new controls are found.
    if (m_body) {
        m_body->hide();
        m_body->setParent(nullptr);
        m_body->deleteLater();
    }
    m_body = new QWidget(this);
    layout()->addWidget(m_body);
    if (!c)
        return;
    auto *outer = new QVBoxLayout(m_body);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *top = new QHBoxLayout;
    outer->addLayout(top);
    auto *columns = new QHBoxLayout;
    outer->addLayout(columns);
    auto *left = new QVBoxLayout, *right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    columns->addStretch();

    // The boxes in a fixed order whatever order the form lists its
    // controls in; a box the type has nothing for stays hidden.
    std::array<QGridLayout *, GroupCount> grids{};
    std::array<QGroupBox *, GroupCount> boxes{};
    for (Group g : {Meters, Accounting, ColdWater, Contract}) {
        boxes[g] = new QGroupBox(QString::fromUtf8(groupTitle(g)), m_body);
        grids[g] = new QGridLayout(boxes[g]);
        (g == Meters || g == Accounting ? left : right)->addWidget(boxes[g]);
    }
    auto gridFor = [&](Group g) { return grids[g]; };

    for (const ParamControl &pc : c->form().controls) {
        if (!pc.visible)
            continue;
        QWidget *w = makeInput(pc, m_body);
        // The form's controls are the device's, not settings of the window.
        w->setObjectName(pc.name);
        w->setProperty("noSetting", true);
        w->setToolTip(pc.hint);
        w->setEnabled(pc.enabled);
        QLabel *label = nullptr;
        if (pc.kind != ParamControlKind::Check) {
            label = new QLabel(pc.label, m_body);
            label->setObjectName(pc.labelName);
            label->setProperty("noSetting", true);
            if (const QColor colour = labelColour(pc.labelState); colour.isValid()) {
                QPalette p = label->palette();
                p.setColor(QPalette::WindowText, colour);
                label->setPalette(p);
            }
            // A pulse weight's label switches its unit.
            if (pc.tag > 0 && pc.name.startsWith(QLatin1String("eVes"))) {
                label->setProperty("weightTag", pc.tag);
                label->setCursor(Qt::PointingHandCursor);
                label->installEventFilter(this);
            }
        }
        const Group g = groupOf(pc.name);
        if (g == Top) {
            if (label)
                top->addWidget(label);
            top->addWidget(w);
            continue;
        }
        QGridLayout *grid = gridFor(g);
        if (g == Contract) {
            // A contractual value and its "use" box side by side.
            const int i = pc.name.right(1).toInt();
            if (pc.kind == ParamControlKind::Check) {
                grid->addWidget(w, i, 2);
            } else {
                grid->addWidget(label, i, 0);
                grid->addWidget(w, i, 1);
            }
            continue;
        }
        const int row = grid->rowCount();
        if (label) {
            grid->addWidget(label, row, 0);
            grid->addWidget(w, row, 1);
        } else {
            grid->addWidget(w, row, 0, 1, 2);
        }
    }
    for (Group g : {Meters, Accounting, ColdWater, Contract})
        boxes[g]->setVisible(grids[g]->count() > 0);
    top->addStretch();
    left->addStretch();
    right->addStretch();
}

void ParamEditor::changed(const QString &name)
{
    ParamCodec *c = codec();
    if (!c || !m_events.on())
        return;
    if (name == ParamCodec::kSystemChoice) {
        // The other system's half on the page.
        c->ShowParam(m_session.type());
    } else {
        LineStatus status(m_ui, m_lastOk);
        c->CheckParam(status);
    }
    showGrid();
    // Rebuilt after the edit's own signal has returned.
    QTimer::singleShot(0, this, &ParamEditor::render);
}

bool ParamEditor::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(e)->button() == Qt::LeftButton) {
        const int tag = o->property("weightTag").toInt();
        ParamCodec *c = codec();
        if (tag > 0 && c && m_events.on()) {
            LineStatus status(m_ui, m_lastOk);
            const QString shown = c->VesChange(tag, status);
            if (!shown.isEmpty())
                m_ui.message(shown);
            showGrid();
            QTimer::singleShot(0, this, &ParamEditor::render);
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

} // namespace pim::ui

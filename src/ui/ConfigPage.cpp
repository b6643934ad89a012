#include "ui/ConfigPage.h"

#include "devices/DeviceSession.h"
#include "devices/ParamCodec.h"
#include "devices/Registry.h"
#include "links/StatusSink.h"
#include "ui/CommandMap.h"
#include "ui/Events.h"
#include "ui/PageKit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

namespace pim::ui {

namespace {
// The checks report on the window's status line.
class LineStatus final : public ParamStatus {
public:
    LineStatus(StatusSink &sink, bool &green) : m_sink(sink), m_green(green) {}
    void showStatus(Kind kind, const QString &text) override
    {
        m_green = kind == Kind::Ok;
        if (m_green)
            m_sink.statusOk(text);
        else
            m_sink.statusFail(text);
    }
    bool isGreen() const override { return m_green; }

private:
    StatusSink &m_sink;
    bool &m_green;
};

QColor labelColour(ParamLabelColor c)
{
    switch (c) {
    case ParamLabelColor::Red: return QColor(Qt::red);
    case ParamLabelColor::Navy: return QColor(0, 0, 128);
    default: return {};
    }
}
} // namespace

ConfigPage::ConfigPage(Events &events, CommandMap &commands, StatusSink &status, DeviceSession &session,
                       QWidget *parent)
    : QWidget(parent), m_events(events), m_commands(commands), m_status(status), m_session(session)
{
    setObjectName(QStringLiteral("TSwr"));
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("Ppar"));
    m_pms = kit::attachMenu(commands, m_panel, QStringLiteral("PMs"));
    new QVBoxLayout(m_panel);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(m_panel, 1);
}

ParamCodec *ConfigPage::codec() const
{
    DeviceModule *m = m_session.module();
    return m ? &m->param() : nullptr;
}

void ConfigPage::pageShown()
{
    const bool read = m_session.configRead;
    for (const char *name : {"ASetPar", "ASaveDateTime"})
        if (QAction *a = m_commands.action(QString::fromUtf8(name)))
            a->setEnabled(read);
    setEnabled(read);
    if (!read) {
        m_status.statusBusy(QStringLiteral("страница недоступна, пока конфигурация не прочитана"));
        return;
    }
    m_panel->setVisible(m_session.number() > 0);
    if (!m_events.on() || m_session.number() < 0)
        return;
    ParamCodec *c = codec();
    if (!c) {
        m_status.statusFail(QStringLiteral("TFpim.TSwrShow: НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        return;
    }
    c->ShowParam(m_session.type());
    render();
}

void ConfigPage::render()
{
    ParamCodec *c = codec();
    delete m_fields;
    m_fields = new QWidget(m_panel);
    m_panel->layout()->addWidget(m_fields);
    if (!c)
        return;
    auto *form = new QFormLayout(m_fields);
    for (const ParamControl &pc : c->form().controls) {
        if (!pc.visible)
            continue;
        QWidget *w = nullptr;
        const QString name = pc.name;
        switch (pc.kind) {
        case ParamControlKind::Edit: {
            auto *e = new QLineEdit(pc.text, m_fields);
            connect(e, &QLineEdit::editingFinished, this, [this, e, name] {
                if (ParamCodec *k = codec(); k && k->form().text(name) != e->text()) {
                    k->form().setText(name, e->text());
                    edited(name);
                }
            });
            w = e;
            break;
        }
        case ParamControlKind::Check: {
            auto *b = new QCheckBox(pc.label, m_fields);
            b->setChecked(pc.checked);
            connect(b, &QCheckBox::toggled, this, [this, name](bool on) {
                if (ParamCodec *k = codec()) {
                    k->form().setChecked(name, on);
                    edited(name);
                }
            });
            w = b;
            break;
        }
        case ParamControlKind::List: {
            auto *l = new QComboBox(m_fields);
            l->addItems(pc.items);
            l->setCurrentIndex(pc.index);
            connect(l, &QComboBox::currentIndexChanged, this, [this, name](int i) {
                if (ParamCodec *k = codec()) {
                    k->form().setIndex(name, i);
                    edited(name);
                }
            });
            w = l;
            break;
        }
        case ParamControlKind::Date: {
            auto *d = new QDateEdit(pc.date, m_fields);
            // Month names as the operator reads them.
            d->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
            if (!pc.displayFormat.isEmpty())
                d->setDisplayFormat(pc.displayFormat);
            connect(d, &QDateEdit::dateChanged, this, [this, name](QDate v) {
                if (ParamCodec *k = codec()) {
                    k->form().setDate(name, v);
                    edited(name);
                }
            });
            w = d;
            break;
        }
        }
        // The form's controls are the device's, not settings of the window.
        w->setObjectName(name);
        w->setProperty("noSetting", true);
        w->setToolTip(pc.hint);
        w->setEnabled(pc.enabled);
        if (pc.kind == ParamControlKind::Check) {
            form->addRow(w);
            continue;
        }
        auto *label = new QLabel(pc.label, m_fields);
        label->setObjectName(pc.labelName);
        label->setProperty("noSetting", true);
        if (const QColor colour = labelColour(pc.labelColor); colour.isValid()) {
            QPalette p = label->palette();
            p.setColor(QPalette::WindowText, colour);
            label->setPalette(p);
        }
        form->addRow(label, w);
    }
}

void ConfigPage::edited(const QString &name)
{
    ParamCodec *c = codec();
    if (!c || !m_events.on())
        return;
    if (name == ParamCodec::kSystemChoice) {
        // The other system's half on the page.
        c->ShowParam(m_session.type());
    } else {
        LineStatus status(m_status, m_lastGreen);
        c->CheckParam(status);
    }
    // Rebuilt after the edit's own signal has returned.
    QTimer::singleShot(0, this, &ConfigPage::render);
}

} // namespace pim::ui

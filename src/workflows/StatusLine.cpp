#include "workflows/StatusLine.h"

#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "base/Dates.h"
#include "base/Format.h"
#include "links/Waiter.h"
#include "protocol/Frame.h"

#include <QTimer>

namespace pim {

StatusLine::StatusLine(QObject *parent)
    : QObject(parent), m_flashTimer(new QTimer(this)), m_clockTimer(new QTimer(this))
{
    m_labels[idx(StatusLabel::LuState)].text = QStringLiteral("не определено");
    m_labels[idx(StatusLabel::LNstate)].text = QStringLiteral("состояние сети");
    m_flashTimer->setInterval(kFlashMs);
    connect(m_flashTimer, &QTimer::timeout, this, &StatusLine::lampTick);
    m_clockTimer->setInterval(kClockMs);
    connect(m_clockTimer, &QTimer::timeout, this, [this] { clockTick(); });
}

StatusLine::~StatusLine() = default;

QString StatusLine::labelName(StatusLabel l)
{
    switch (l) {
    case StatusLabel::LuState: return QStringLiteral("LuState");
    case StatusLabel::LPState: return QStringLiteral("LPState");
    case StatusLabel::LMstate: return QStringLiteral("LMstate");
    case StatusLabel::LNstate: return QStringLiteral("LNstate");
    case StatusLabel::LDstate: return QStringLiteral("LDstate");
    }
    return QString();
}

QString StatusLine::withDevicePrefix(const Identity &id, const QString &message)
{
    const int type = id.type;
    if (type < kMinTypeCode || type > kMaxTypeCode)
        return message;
    return Format(QStringLiteral("%s № %d: %S"), {ModelName(type), id.number, message});
}

void StatusLine::set(StatusLabel l, const QString &text, StatusKind kind)
{
    Label &lab = m_labels[idx(l)];
    lab.text = text;
    lab.kind = kind;
    emit labelChanged(l);
}

void StatusLine::setLabelText(StatusLabel l, const QString &text)
{
    m_labels[idx(l)].text = text;
    emit labelChanged(l);
}

void StatusLine::report(StatusLabel label, StatusKind kind, const QString &message)
{
    switch (kind) {
    case StatusKind::Busy:
        set(label, m_session ? withDevicePrefix(m_session->identity(), message) : message, kind);
        m_lampKind = StatusKind::Busy;
        setLamp(LampState::Off, false);
        flash();
        // Let the text be painted before the work begins.
        (m_waiter ? *m_waiter : defaultWaiter()).Pause(1);
        return;
    case StatusKind::Ok:
        set(label, m_session ? withDevicePrefix(m_session->identity(), message) : message, kind);
        m_lampKind = StatusKind::Ok;
        flash();
        return;
    case StatusKind::Fail:
        set(label, message, kind);
        m_lampKind = StatusKind::Fail;
        flash();
        return;
    case StatusKind::Progress:
    case StatusKind::Done:
        set(label, message, kind);
        m_lampKind = kind == StatusKind::Progress ? StatusKind::Busy : StatusKind::Ok;
        emit lampChanged();
        return;
    case StatusKind::None:
        set(label, message, kind);
        return;
    }
}

// ---------------------------------------------------------------- lamp

void StatusLine::setLamp(LampState s, bool lit)
{
    m_lampState = s;
    m_lampLit = lit;
    if (s == LampState::Flashing || s == LampState::SingleFlash) {
        if (!m_flashTimer->isActive())
            m_flashTimer->start();
    } else {
        m_flashTimer->stop();
    }
    emit lampChanged();
}

void StatusLine::flash()
{
    if (m_flashMode) {
        setLamp(LampState::Flashing, true);
    } else {
        m_singleFlashStep = 0;
        setLamp(LampState::SingleFlash, true);
    }
}

void StatusLine::lampTick()
{
    switch (m_lampState) {
    case LampState::Flashing:
        m_lampLit = !m_lampLit;
        emit lampChanged();
        break;
    case LampState::SingleFlash:
        // Lit, dark for one step, then lit for good.
        if (++m_singleFlashStep == 1) {
            m_lampLit = false;
            emit lampChanged();
        } else {
            setLamp(LampState::On, true);
        }
        break;
    case LampState::Off:
    case LampState::On:
        m_flashTimer->stop();
        break;
    }
}

void StatusLine::toggleFlashMode()
{
    m_flashMode = !m_flashMode;
    flash();
}

// ---------------------------------------------------------------- clock

QString StatusLine::clockText(const QDateTime &now)
{
    const int s = now.time().msecsSinceStartOfDay() / 1000;
    return formatDateTime(s % 2 ? QStringLiteral("dd mmmm yyyy  hh:nn") : QStringLiteral("dd mmmm yyyy  hh nn"), now);
}

void StatusLine::clockTick(const QDateTime &now)
{
    const int s = now.time().msecsSinceStartOfDay() / 1000;
    m_ldt = clockText(now);
    m_gsec = s % 60;
    emit clockChanged();
}

void StatusLine::startClock()
{
    clockTick();
    m_clockTimer->start();
}

} // namespace pim

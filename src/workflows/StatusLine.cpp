#include "workflows/StatusLine.h"

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

QString StatusLine::withDevicePrefix(const QString &message)
{
    const int type = CurrentType();
    if (type < kMinTypeCode || type > kMaxTypeCode)
        return message;
    return Format(QStringLiteral("%s № %d: %S"), {ModelName(type), CurrentNumber(), message});
}

void StatusLine::set(StatusLabel l, const QString &text, quint32 colour)
{
    Label &lab = m_labels[idx(l)];
    lab.text = text;
    lab.colour = colour;
    emit labelChanged(l);
}

void StatusLine::setLabelText(StatusLabel l, const QString &text)
{
    m_labels[idx(l)].text = text;
    emit labelChanged(l);
}

void StatusLine::StatusBusy(StatusLabel label, const QString &message)
{
    set(label, withDevicePrefix(message), clOlive);
    m_lampColour = LampColour::Yellow;
    setLamp(LampState::Off, false);
    flash();
    // Let the text be painted before the work begins.
    (m_waiter ? *m_waiter : defaultWaiter()).Pause(1);
}

void StatusLine::StatusOk(StatusLabel label, const QString &message)
{
    set(label, withDevicePrefix(message), clGreen);
    m_lampColour = LampColour::Green;
    flash();
}

void StatusLine::StatusFail(StatusLabel label, const QString &message)
{
    set(label, message, clRed);
    m_lampColour = LampColour::Red;
    flash();
}

void StatusLine::StatusText(StatusLabel label, const QString &message, quint32 colour)
{
    set(label, message, colour);
    if (colour == clGreen)
        m_lampColour = LampColour::Green;
    else if (colour == clRed)
        m_lampColour = LampColour::Red;
    else if (colour == clOlive)
        m_lampColour = LampColour::Yellow;
    emit lampChanged();
}

// ---------------------------------------------------------------- lamp

quint32 StatusLine::lampRgb(LampColour c)
{
    switch (c) {
    case LampColour::Green: return 0x00FF00;
    case LampColour::Yellow: return 0x00FFFF;
    case LampColour::Red: return 0x0000FF;
    }
    return 0;
}

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

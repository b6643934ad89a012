#include "CtlOutput.h"

#include "workflows/StatusLine.h"

#include <cstdio>

namespace pimctl {

CtlUi::CtlUi() : m_err(stderr) {}

void CtlUi::show(const QString &text)
{
    m_last = text;
    if (m_quiet || text == m_shown)
        return;
    m_shown = text;
    m_err << terminalText(text) << Qt::endl;
}

void CtlUi::note(const QString &text)
{
    m_shown = text;
    m_err << terminalText(text) << Qt::endl;
}

QString CtlUi::terminalText(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

void CtlUi::statusBusy(const QString &text)
{
    m_failed = false;
    show(pim::StatusLine::withDevicePrefix(text));
}

void CtlUi::statusOk(const QString &text)
{
    m_failed = false;
    show(pim::StatusLine::withDevicePrefix(text));
}

void CtlUi::statusFail(const QString &text)
{
    m_failed = true;
    m_failure = text;
    show(text);
}

void CtlUi::statusText(const QString &text, quint32 colour)
{
    m_failed = colour == kRed;
    if (m_failed)
        m_failure = text;
    show(text);
}

void CtlUi::message(const QString &text)
{
    m_failed = true;
    m_failure = text;
    show(text);
}

void CtlUi::StatusBusy(pim::StatusLabel label, const QString &message)
{
    if (label == pim::StatusLabel::LuState)
        statusBusy(message);
}

void CtlUi::StatusOk(pim::StatusLabel label, const QString &message)
{
    if (label == pim::StatusLabel::LuState)
        statusOk(message);
}

void CtlUi::StatusFail(pim::StatusLabel label, const QString &message)
{
    if (label == pim::StatusLabel::LuState)
        statusFail(message);
}

void CtlUi::StatusText(pim::StatusLabel label, const QString &message, quint32 colour)
{
    if (label == pim::StatusLabel::LuState)
        statusText(message, colour);
}

void CtlUi::setLabelText(pim::StatusLabel label, const QString &text)
{
    Q_UNUSED(label);
    Q_UNUSED(text);
}

quint32 CtlUi::labelColour(pim::StatusLabel label) const
{
    if (label == pim::StatusLabel::LPState)
        return m_portChecked ? pim::clGreen : pim::clRed;
    return m_failed ? pim::clRed : pim::clGreen;
}

} // namespace pimctl

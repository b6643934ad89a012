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

void CtlUi::report(pim::StatusLabel label, pim::StatusKind kind, const QString &message)
{
    if (label != pim::StatusLabel::LuState)
        return;
    m_failed = kind == pim::StatusKind::Fail;
    if (m_failed)
        m_failure = message;
    const bool prefixed = kind == pim::StatusKind::Busy || kind == pim::StatusKind::Ok;
    show(prefixed ? pim::StatusLine::withDevicePrefix(message) : message);
}

void CtlUi::message(const QString &text)
{
    m_failed = true;
    m_failure = text;
    show(text);
}

} // namespace pimctl

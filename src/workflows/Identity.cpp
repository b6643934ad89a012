#include "workflows/Identity.h"

#include "links/ExchangeEngine.h"
#include "links/StatusSink.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "protocol/Frame.h"

namespace pim {

IdentityCommand::IdentityCommand(ExchangeEngine &engine, StatusSink &status, DeviceSession &session)
    : m_engine(engine), m_status(status), m_session(session)
{
}

bool IdentityCommand::changeLogType(int type)
{
    const TypeInfo *t = typeInfo(type);
    return t && t->changeLog;
}

QString IdentityCommand::typeText(int type)
{
    if (type < kMinTypeCode || type > kMaxTypeCode)
        return QString();
    return ModelName(type);
}

void IdentityCommand::changed()
{
    if (m_onChange)
        m_onChange();
}

void IdentityCommand::showIdentity()
{
    m_view.ENo = QString::number(m_session.number());
    m_view.Enok = m_view.ENo;
    m_view.Etype = typeText(m_session.type());
    changed();
}

bool IdentityCommand::AreadNoTuExecute(int activePage)
{
    m_view.enoNormalColour = true;
    m_view.activePage = activePage;
    changed();
    if (!eventsOn)
        return false;
    if (m_view.activePage != 0 && m_view.activePage != 3) {
        m_view.activePage = 0;
        changed();
    }

    LinkCommand link(m_engine);
    if (!link) {
        m_status.StatusFail(StatusLabel::LuState, linkBusyText());
        return false;
    }

    if (m_engine.imitation()) {
        m_session.setIdentity(ImitType, kImitNumber);
        showIdentity();
        m_status.StatusOk(StatusLabel::LuState, QStringLiteral("НА СВЯЗИ!"));
        m_view.changeLogEnabled = changeLogType(m_session.type());
        changed();
        return true;
    }

    if (!portChecked && !m_engine.networkActive()) {
        m_status.StatusFail(StatusLabel::LuState, QStringLiteral("НЕТ СВЯЗИ"));
        return false;
    }

    m_view.ENo = QStringLiteral("определение");
    m_view.Etype = QStringLiteral("ЖДИТЕ...");
    changed();
    m_status.StatusBusy(StatusLabel::LuState, QStringLiteral("определение"));

    const Identity &known = m_session.identity();
    Tab io = TestNoTu(known.number, known.type) ? SQ(known, Q_NoTu) : SQNoTu(known);
    if (!m_engine.Exchange(io, io)) {
        m_status.StatusFail(StatusLabel::LuState, QStringLiteral("НЕТ СВЯЗИ"));
        return false;
    }

    // The reply is cut to the length its first byte gives; a first byte
    // below 6 or beyond what arrived leaves nothing to decode.
    const int len = io.at(0);
    bool accepted = len >= 6 && len <= io.size();
    int number = -1;
    int type = -1;
    if (accepted) {
        io.truncate(len);
        // The template is the request itself: a converter or line that
        // gives it back has not named any device (the serial link already
        // refuses it; the network link takes datagrams whole).
        accepted = DecNoTu(io, number, type).isEmpty() && io != IdentityTemplate();
    }
    m_session.setIdentity(accepted ? type : -1, accepted ? number : -1);
    showIdentity();
    m_view.changeLogEnabled = changeLogType(m_session.type());
    changed();
    if (!accepted) {
        m_status.StatusFail(StatusLabel::LuState, QStringLiteral("НЕТ СВЯЗИ"));
        return false;
    }
    m_status.StatusOk(StatusLabel::LuState, QStringLiteral("НА СВЯЗИ!"));
    return true;
}

} // namespace pim

#include "workflows/Identity.h"

#include "links/ExchangeEngine.h"
#include "links/StatusSink.h"
#include "protocol/Frame.h"

namespace pim {

IdentityCommand::IdentityCommand(ExchangeEngine &engine, StatusSink &status)
    : m_engine(engine), m_status(status)
{
}

bool IdentityCommand::changeLogType(int type)
{
    return type == 229 || type == 230 || (type >= 234 && type <= 239);
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
    m_view.ENo = QString::number(CurrentNumber());
    m_view.Enok = m_view.ENo;
    m_view.Etype = typeText(CurrentType());
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
        SetCurrentIdentity(ImitType, kImitNumber);
        showIdentity();
        m_status.StatusOk(StatusLabel::LuState, QStringLiteral("НА СВЯЗИ!"));
        m_view.changeLogEnabled = changeLogType(CurrentType());
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

    Tab io = TestNoTu(CurrentNumber(), CurrentType()) ? SQ(Q_NoTu) : SQNoTu();
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
    SetCurrentIdentity(accepted ? type : -1, accepted ? number : -1);
    showIdentity();
    m_view.changeLogEnabled = changeLogType(CurrentType());
    changed();
    if (!accepted) {
        m_status.StatusFail(StatusLabel::LuState, QStringLiteral("НЕТ СВЯЗИ"));
        return false;
    }
    m_status.StatusOk(StatusLabel::LuState, QStringLiteral("НА СВЯЗИ!"));
    return true;
}

} // namespace pim

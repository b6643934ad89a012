#include "workflows/LinkRoad.h"

#include "links/ExchangeEngine.h"

namespace pim {

LinkRoad::LinkRoad(ExchangeEngine &engine, std::function<void()> identify)
    : m_engine(engine), m_identify(std::move(identify))
{
}

bool LinkRoad::exchange(Tab &io)
{
    return m_engine.Exchange(io, io);
}

void LinkRoad::identify()
{
    if (m_identify)
        m_identify();
}

bool LinkRoad::imitation() const
{
    return m_engine.imitation();
}

Waiter &LinkRoad::waiter()
{
    return m_engine.waiter();
}

bool LinkRoad::beginCommand()
{
    return m_engine.beginCommand();
}

void LinkRoad::endCommand()
{
    m_engine.endCommand();
}

void LinkRoad::wakeLine()
{
    if (m_engine.networkActive() || m_engine.imitation())
        return;
    m_engine.port().SendByte(0);
    m_engine.waiter().Pause(200);
    m_engine.port().PurgeBuffers(true, true);
}

int LinkRoad::replyTimeout() const
{
    return int(m_engine.port().InputTimeout());
}

void LinkRoad::setReplyTimeout(int ms)
{
    m_engine.port().setInputTimeout(quint32(qMax(1, ms)));
}

QString LinkRoad::busyText() const
{
    return linkBusyText();
}

} // namespace pim

#include "e2e/E2eSupport.h"

#include "devices/Registry.h"
#include "protocol/Frame.h"
#include "workflows/Identity.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

namespace e2e {

Bench::Bench(const Sim &sim, int timeoutMs)
{
    pim::registerImitationGenerators();
    status.setSession(&session);
    engine.port().setInputTimeout(quint32(timeoutMs));
    if (sim.udp()) {
        const int colon = int(sim.port().lastIndexOf(QLatin1Char(':')));
        engine.setNetworkActive(true);
        engine.setNetworkAddress(sim.port().left(colon), sim.port().mid(colon + 1).toInt());
    } else {
        engine.port().setPortName(sim.port());
        engine.port().setBaudRate(pim::brCustom);
        engine.port().setBaudRateValue(9600);
        portChecked = engine.port().OpenPort();
    }
    road = std::make_unique<pim::LinkRoad>(engine, [this] {
        pim::IdentityCommand cmd(engine, status, session);
        cmd.portChecked = portChecked;
        cmd.AreadNoTuExecute(0);
    });
}

bool Bench::identify()
{
    session.resetIdentity();
    road->identify();
    return session.identified();
}

} // namespace e2e

#pragma once
// The end-to-end bench: a pimsim process on a pseudo-terminal (or UDP), the
// exchange engine talking to it, the road and status the workflows take,
// and a recording of what they showed.

#include "links/ExchangeEngine.h"
#include "workflows/LinkRoad.h"
#include "devices/DeviceSession.h"
#include "workflows/StatusLine.h"
#include "workflows/WorkflowUi.h"

#include "support/PimSim.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace e2e {

// The simulator, pimctl and their folder come from the shared launcher.
using Sim = pimtest::PimSim;
using pimtest::binDir;
using pimtest::CtlRun;
using pimtest::pimctl;
using pimtest::pimctlCopy;

// What a workflow showed.
class RecordingUi : public pim::WorkflowUi {
public:
    void report(pim::StatusLabel, pim::StatusKind k, const QString &t) override
    {
        statuses << t;
        if (k == pim::StatusKind::Fail)
            fails << t;
    }
    void message(const QString &t) override { messages << t; }
    bool memoVisible() const override { return memoOn; }
    void memoAppend(const QString &t) override { memo += t; }
    bool liveUpdate() const override { return true; }
    void archiveGrown(int kind) override { ++grown; if (onGrown) onGrown(kind); }

    QStringList statuses, fails, messages;
    QString memo;
    bool memoOn = false;
    int grown = 0;
    std::function<void(int)> onGrown;
};

// The engine on a simulator's port, identified.
class Bench {
public:
    explicit Bench(const Sim &sim, int timeoutMs = 300);
    bool identify();

    pim::DeviceSession session;
    pim::ExchangeEngine engine;
    pim::StatusLine status;
    RecordingUi ui;
    std::unique_ptr<pim::LinkRoad> road;
    bool portChecked = false; // the serial port opened before the identity
};

} // namespace e2e

#pragma once
// The end-to-end bench: a pimsim process on a pseudo-terminal (or UDP), the
// exchange engine talking to it, the road and status the workflows take,
// and a recording of what they showed.

#include "links/ExchangeEngine.h"
#include "workflows/LinkRoad.h"
#include "workflows/StatusLine.h"
#include "workflows/WorkflowUi.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace e2e {

QString binDir();

// One simulator process, stopped when the object goes.
class Sim {
public:
    ~Sim();
    // Starts `pimsim --type T --number N extra...`; false (with error())
    // when it did not print its port.
    bool start(int type, int number, const QStringList &extra = {});
    void kill();
    QString port() const { return m_port; }  // pty path, or "127.0.0.1:PORT" for --udp
    bool udp() const { return m_udp; }
    QString error() const { return m_error; }

private:
    std::unique_ptr<QProcess> m_proc;
    QString m_port;
    QString m_error;
    bool m_udp = false;
};

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

    pim::ExchangeEngine engine;
    pim::StatusLine status;
    RecordingUi ui;
    std::unique_ptr<pim::LinkRoad> road;
    bool portChecked = false; // the serial port opened before the identity
};

// Runs pimctl (in `dir` when given); stdout, stderr and the exit code.
struct CtlRun {
    int code = -1;
    QByteArray out;
    QString err;
};
CtlRun pimctl(const QStringList &args, int timeoutMs = 60000, const QString &dir = QString());

} // namespace e2e

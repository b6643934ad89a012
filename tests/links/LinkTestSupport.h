#pragma once
// Shared pieces of the link tests: the application object, a pseudo-terminal
// peer that plays a device with scripted answers, and a recording status
// line.

#include "links/StatusSink.h"
#include "links/Waiter.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QSocketNotifier>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <memory>

namespace pimtest {

inline QCoreApplication &app()
{
    static int argc = 1;
    static char name[] = "test_links";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *a = QCoreApplication::instance()
        ? QCoreApplication::instance()
        : new QCoreApplication(argc, argv);
    return *a;
}

// The master side of a pseudo-terminal. Every complete request (taken by its
// length byte, as a device does) is passed to `answer`, whose bytes go back.
class PtyPeer {
public:
    std::function<QByteArray(const QByteArray &request, int index)> answer;
    QList<QByteArray> requests;

    PtyPeer()
    {
        app();
        m_fd = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_fd < 0 || grantpt(m_fd) != 0 || unlockpt(m_fd) != 0)
            return;
        m_slave = QString::fromLocal8Bit(ptsname(m_fd));
        // Held open so that the master never reads EIO (and its notifier
        // never spins) while the port under test is closed.
        m_slaveFd = ::open(ptsname(m_fd), O_RDWR | O_NOCTTY);
        fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) | O_NONBLOCK);
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readSome(); });
    }
    ~PtyPeer()
    {
        m_notifier.reset();
        if (m_slaveFd >= 0)
            ::close(m_slaveFd);
        if (m_fd >= 0)
            ::close(m_fd);
    }
    QString slavePath() const { return m_slave; }
    // The far end goes away (an adapter pulled, the simulator stopped):
    // both ends the peer holds are closed.
    void vanish()
    {
        m_notifier.reset();
        if (m_slaveFd >= 0)
            ::close(m_slaveFd);
        if (m_fd >= 0)
            ::close(m_fd);
        m_slaveFd = m_fd = -1;
    }
    bool ok() const { return m_fd >= 0 && !m_slave.isEmpty(); }

    void write(const QByteArray &b)
    {
        if (!b.isEmpty())
            [[maybe_unused]] const ssize_t n = ::write(m_fd, b.constData(), size_t(b.size()));
    }

private:
    void readSome()
    {
        char buf[512];
        for (;;) {
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0)
                break;
            m_pending.append(buf, n);
        }
        while (!m_pending.isEmpty()) {
            const int len = quint8(m_pending[0]);
            if (len == 0 || m_pending.size() < len)
                break;
            const QByteArray req = m_pending.left(len);
            m_pending.remove(0, len);
            requests.append(req);
            if (answer)
                write(answer(req, int(requests.size()) - 1));
        }
    }

    int m_fd = -1;
    int m_slaveFd = -1;
    QString m_slave;
    QByteArray m_pending;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// A fake clock that moves in steps of at most 20 ms and handles events
// between them, and runs what the test scheduled (a peer's late answer) once
// the clock passes its time: bytes sent "at 400 ms" arrive inside the wait
// that spans it, and no real time decides anything.
class SteppingClock : public pim::FakeWaiter {
public:
    SteppingClock()
    {
        onAdvance = [this](qint64 t) { runDue(t); };
    }
    void after(qint64 ms, std::function<void()> f) { m_due.append({now() + ms, std::move(f)}); }

protected:
    bool doWait(int ms) override
    {
        for (int left = ms; left > 0; left -= 20)
            if (FakeWaiter::doWait(qMin(left, 20)))
                return true;
        return false;
    }

private:
    void runDue(qint64 t)
    {
        for (qsizetype i = 0; i < m_due.size();) {
            if (m_due[i].first <= t) {
                const std::function<void()> f = std::move(m_due[i].second);
                m_due.removeAt(i);
                f();
            } else {
                ++i;
            }
        }
    }
    QList<std::pair<qint64, std::function<void()>>> m_due;
};

// Records every status call as "KIND LABEL text".
class RecordingStatus : public pim::StatusSink {
public:
    QStringList calls;
    pim::StatusKind kinds[5] = {};
    QString texts[5];

    void report(pim::StatusLabel l, pim::StatusKind k, const QString &m) override
    {
        static const char *const names[] = {"none", "busy", "ok", "fail", "progress", "done"};
        rec(names[int(k)], l, m, k);
    }
    void setLabelText(pim::StatusLabel l, const QString &t) override
    {
        texts[int(l)] = t;
        calls.append(QStringLiteral("caption %1 %2").arg(int(l)).arg(t));
    }

private:
    void rec(const char *kind, pim::StatusLabel l, const QString &m, pim::StatusKind k)
    {
        texts[int(l)] = m;
        kinds[int(l)] = k;
        calls.append(QStringLiteral("%1 %2 %3").arg(QLatin1String(kind)).arg(int(l)).arg(m));
    }
};

} // namespace pimtest

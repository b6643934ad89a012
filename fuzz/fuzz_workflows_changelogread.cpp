// A whole change-log read against a line that answers from the input: each
// request takes one step of it (an erased slot, a sound record of the
// given day and minute, raw bytes, or no answer). Whatever comes, an
// erased slot is never a row, every row belongs to a record whose date
// and time can be real, a refused reply is asked again at most
// kAttempts times, and every slot is taken, erased or said to be missing.

#include "devices/DeviceSession.h"
#include "links/Waiter.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"
#include "workflows/ChangeLog.h"
#include "workflows/DeviceRoad.h"
#include "workflows/WorkflowUi.h"

#include <cstddef>
#include <cstdint>

using namespace pim;

namespace {

class StillWaiter : public Waiter {
public:
    qint64 now() const override { return m_now; }
    void wake() override {}

protected:
    bool doWait(int ms) override
    {
        m_now += ms;
        return false;
    }
    void doProcessPending() override {}

private:
    qint64 m_now = 0;
};

class ScriptRoad : public DeviceRoad {
public:
    ScriptRoad(const uint8_t *data, size_t size, const Identity &id) : m_data(data), m_size(size), m_id(id) {}

    bool exchange(Tab &io) override
    {
        ++exchanges;
        const int step = next();
        if (step < 0 || step % 4 == 3)
            return false; // no answer: the read ends
        Tab reply = SQ(m_id, Q_Chang, Tab(kChangReplyLength - 6));
        switch (step % 4) {
        case 0: // an erased slot
            for (int i = 5; i < kChangReplyLength - 1; ++i)
                reply.set(i, 0xFF);
            break;
        case 1: // a record of the day and minute the input gives
            reply.set(5, quint8(next()));
            reply.set(6, quint8(next()));
            reply.set(7, quint8(next()));
            reply.set(8, quint8(next()));
            break;
        default: { // raw bytes
            const int n = qMax(0, next());
            reply = Tab();
            for (int i = 0; i < n % 60; ++i)
                reply.append(quint8(next()));
            io = reply;
            return true;
        }
        }
        reply.set(kChangReplyLength - 1, CalcCS(reply.mid(0, kChangReplyLength - 1)));
        io = reply;
        return true;
    }
    void identify() override {}
    Waiter &waiter() override { return m_waiter; }
    int exchanges = 0;

private:
    int next() { return m_pos < m_size ? m_data[m_pos++] : -1; }

    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
    Identity m_id;
    StillWaiter m_waiter;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const int type = size > 0 && data[0] % 2 ? 238 : 229;
    DeviceSession session;
    session.setIdentity(type, 77);
    ScriptRoad road(data + (size > 0), size - (size > 0), session.identity());
    WorkflowUi ui;
    const ChangeLog::Result r = ChangeLog(road, ui, session).read();
    if (r.requests != road.exchanges || r.requests > ChangeLog::kBlocks * ChangeLog::kRecords * ChangeLog::kAttempts)
        __builtin_trap();
    if (r.rows.size() % 2 != 0)
        __builtin_trap();
    const int taken = int(r.rows.size() / 2);
    if (r.answered && taken + r.erased + int(r.skipped.size()) != ChangeLog::kBlocks * ChangeLog::kRecords)
        __builtin_trap();
    for (const QStringList &row : r.rows) {
        // "0 00 1 01.01.2000 12:34": an erased slot (day 65535, 1092:15)
        // or a zeroed one (31.12.1999) never shows.
        if (row.size() != ChangeLog::kColumns || row[0].contains(QStringLiteral("2179"))
            || row[0].contains(QStringLiteral("1999")))
            __builtin_trap();
        const QString time = row[0].section(QLatin1Char(' '), 4, 4);
        if (time.size() != 5 || time.left(2).toInt() > 23 || time.mid(3).toInt() > 59)
            __builtin_trap();
    }
    return 0;
}

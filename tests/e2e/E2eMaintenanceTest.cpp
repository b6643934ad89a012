// The commands that change a calculator, against pimsim and against a
// scripted line: the texts of a refusal, the number change that the next
// commands follow, the cancel that sends nothing, the frames of the clock
// and the number, and replies that are no replies.

#include "e2e/E2eSupport.h"

#include "devices/Registry.h"
#include "links/Waiter.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"
#include "workflows/DeviceRoad.h"
#include "workflows/Maintenance.h"
#include "workflows/StateReading.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace pim;
using namespace e2e;

namespace {

const auto yes = [](const QString &) { return true; };

// A line whose device answers what the test says, and keeps the requests.
class ScriptRoad : public DeviceRoad {
public:
    bool exchange(Tab &io) override
    {
        requests << io;
        if (!answer)
            return false;
        Tab reply = answer(io);
        if (reply.isEmpty())
            return false;
        io = reply;
        return true;
    }
    void identify() override {}
    Waiter &waiter() override { return m_waiter; }

    std::function<Tab(const Tab &request)> answer;
    QList<Tab> requests;

private:
    FakeWaiter m_waiter;
};

// A reply of `length` bytes to `request` from device `id`, status byte 5.
Tab reply(const Tab &request, int length, int status, Identity id = {})
{
    if (id.type < 0)
        id = Identity{request.at(1), GetW(request, 2)};
    Tab t(length);
    t.set(0, length);
    t.set(1, id.type);
    PutW(id.number, t, 2);
    t.set(4, request.at(4));
    if (length > 6)
        t.set(5, status);
    t.set(length - 1, CalcCS(t.mid(0, length - 1)));
    return t;
}

} // namespace

TEST(Maintenance, RefusalsSayWhatTheDeviceSaid)
{
    struct Case {
        int type;
        QStringList faults;
        const char *text;
    } cases[] = {
        {229, {"--jumper", "open"}, "не замкнута перемычка"},
        {238, {"--password-mismatch"}, "не совпал пароль"},
        {225, {"--jumper", "open"}, "не замкнута перемычка или нет связи"}, // no status byte: silence
    };
    for (const Case &c : cases) {
        Sim sim;
        ASSERT_TRUE(sim.start(c.type, 12, c.faults)) << qPrintable(sim.error());
        Bench b(sim, 150);
        ASSERT_TRUE(b.identify());
        Maintenance m(*b.road, b.ui, b.session, yes);
        for (const Maintenance::Result &r : {m.init(), m.zeroTime(), m.clearArchives()}) {
            EXPECT_TRUE(r.sent) << c.type;
            EXPECT_FALSE(r.ok) << c.type;
            EXPECT_EQ(r.text, c.text) << c.type;
            EXPECT_EQ(b.ui.fails.last(), c.text) << c.type;
        }
    }
}

TEST(Maintenance, NewNumberIsTheOneTheNextCommandsUse)
{
    for (int type : {229, 225, 128}) {
        Sim sim;
        ASSERT_TRUE(sim.start(type, 1000)) << qPrintable(sim.error());
        Bench b(sim);
        ASSERT_TRUE(b.identify());
        Maintenance m(*b.road, b.ui, b.session, yes);
        const Maintenance::Result r = m.setNumber(1234);
        ASSERT_TRUE(r.ok) << type << " " << qPrintable(r.text);
        EXPECT_EQ(r.text, "успешно установлен номер");
        EXPECT_EQ(r.number, 1234);
        // The state is read under the new number without asking again.
        StateReading reading(*b.road, b.ui, b.session);
        EXPECT_TRUE(reading.read(0).ok) << type;
        EXPECT_TRUE(b.identify());
        EXPECT_EQ(b.session.number(), 1234) << type;
        // The other commands of the family do their work too.
        if (type == 229) {
            EXPECT_EQ(m.setTime([] { return QDateTime::currentDateTime(); }, "часы").ok, true);
            EXPECT_EQ(m.clearArchives().text, "успешно начата очистка архивов");
        }
    }
}

TEST(Maintenance, CancelSendsNothingAndChangesNoStatus)
{
    ScriptRoad road;
    road.answer = [](const Tab &req) { return reply(req, 7, 0); };
    RecordingUi ui;
    DeviceSession session;
    session.setIdentity(229, 5);
    QString asked;
    Maintenance m(road, ui, session, [&](const QString &q) {
        asked = q;
        return false;
    });
    const Maintenance::Result r = m.clearArchives();
    EXPECT_TRUE(r.asked);
    EXPECT_FALSE(r.confirmed);
    EXPECT_FALSE(r.sent);
    EXPECT_TRUE(road.requests.isEmpty());
    EXPECT_TRUE(ui.statuses.isEmpty());
    EXPECT_EQ(asked, "\r\r   А ВЫ УВЕРЕНЫ В ТОМ, ЧТО НЕОБХОДИМО\r\r   ОЧИСТИТЬ АРХИВЫ ???");
}

TEST(Maintenance, FramesOfTheClockAndTheNumber)
{
    // 13:07 on 5 March 2024: minute 787 = 0x0313, low byte first.
    EXPECT_EQ(Maintenance::timeData(QDateTime(QDate(2024, 3, 5), QTime(13, 7))), (Tab{0x13, 0x03, 5, 3, 24}));

    ScriptRoad road;
    road.answer = [](const Tab &req) { return reply(req, 7, 0); };
    RecordingUi ui;
    DeviceSession session;
    session.setIdentity(229, 5);
    Maintenance m(road, ui, session, yes);
    EXPECT_TRUE(m.setNumber(1000).ok);
    ASSERT_EQ(road.requests.size(), 1);
    EXPECT_EQ(road.requests[0].mid(4, 5), (Tab{Q_SetNo, 0x55, 0xAA, 0xE8, 0x03}));
    EXPECT_EQ(session.number(), 1000);

    const QDateTime at(QDate(2024, 3, 5), QTime(13, 7, 9));
    const Maintenance::Result r = m.setTime([&] { return at; }, "5 Март 2024  13:07");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(road.requests.last().mid(4, 6), (Tab{Q_SetTime, 0x13, 0x03, 5, 3, 24}));
    EXPECT_EQ(r.text, "Успешно установлено 05.03.2024 13:07:09");

    // A type without the command: the mismatch, nothing sent.
    session.setIdentity(226, 5);
    road.requests.clear();
    EXPECT_FALSE(m.setNumber(7).sent);
    EXPECT_EQ(ui.messages.last(), "ASetNOExecute: НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    EXPECT_TRUE(road.requests.isEmpty());
}

TEST(Maintenance, RepliesThatAreNoRepliesAreNoLink)
{
    // Each reply is checked as a frame before its status byte is read.
    struct Case {
        const char *what;
        int type;
        std::function<Tab(const Tab &)> answer;
        const char *text;
    } cases[] = {
        {"bad checksum", 229, [](const Tab &q) { Tab t = reply(q, 7, 0); t.set(6, t.at(6) + 1); return t; }, "НЕТ СВЯЗИ"},
        {"another command", 229, [](const Tab &q) { Tab x = q; x.set(4, Q_State); return reply(x, 7, 0); }, "НЕТ СВЯЗИ"},
        {"another device", 238, [](const Tab &q) { return reply(q, 7, 0, Identity{238, 6}); }, "НЕТ СВЯЗИ"},
        {"too short for its status", 229, [](const Tab &q) { return reply(q, 6, 0); }, "НЕТ СВЯЗИ"},
        {"five bytes", 229, [](const Tab &q) { return reply(q, 7, 0).mid(0, 5); }, "НЕТ СВЯЗИ"},
        {"225 silent", 225, [](const Tab &) { return Tab(); }, "не замкнута перемычка или нет связи"},
        {"225 damaged", 225, [](const Tab &q) { Tab t = reply(q, 6, 0); t.set(5, 0); return t; },
         "не замкнута перемычка или нет связи"},
    };
    for (const Case &c : cases) {
        ScriptRoad road;
        road.answer = c.answer;
        RecordingUi ui;
        DeviceSession session;
        session.setIdentity(c.type, 5);
        Maintenance m(road, ui, session, yes);
        const Maintenance::Result r = m.clearArchives();
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.text, c.text) << c.what;
    }
    // Type 225 answers without a status byte: any sound reply is done.
    ScriptRoad road;
    road.answer = [](const Tab &q) { return reply(q, 6, 0); };
    RecordingUi ui;
    DeviceSession session;
    session.setIdentity(225, 5);
    Maintenance m(road, ui, session, yes);
    EXPECT_EQ(m.clearArchives().text, "успешно начата очистка архивов");
}

TEST(E2eCtl, MaintenanceAsksOrTakesYes)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 1000)) << qPrintable(sim.error());
    // No terminal and no --yes: a usage error, nothing sent.
    CtlRun r = pimctl({"--port", sim.port(), "set-number", "55"});
    EXPECT_EQ(r.code, 2);
    r = pimctl({"--port", sim.port(), "--json", "identify"});
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object()["number"].toInt(), 1000);

    r = pimctl({"--port", sim.port(), "--json", "set-number", "55", "--yes"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o["command"].toString(), "set-number");
    EXPECT_EQ(o["status"].toString(), "ok");
    EXPECT_EQ(o["text"].toString(), "успешно установлен номер");
    EXPECT_EQ(o["number"].toInt(), 55);
    r = pimctl({"--port", sim.port(), "--json", "identify"});
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object()["number"].toInt(), 55);

    Sim refusing;
    ASSERT_TRUE(refusing.start(238, 3, {"--jumper", "open"})) << qPrintable(refusing.error());
    r = pimctl({"--port", refusing.port(), "--json", "init", "--yes"});
    EXPECT_EQ(r.code, 1);
    o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o["status"].toString(), "fail");
    EXPECT_EQ(o["text"].toString(), "не замкнута перемычка");
    EXPECT_TRUE(r.err.trimmed().endsWith("не замкнута перемычка")) << qPrintable(r.err);
}

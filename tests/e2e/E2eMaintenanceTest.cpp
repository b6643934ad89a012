// The commands that change a calculator, against pimsim and against a
// scripted line: the texts of a refusal, the number change that the next
// commands follow, the cancel that sends nothing, the frames of the clock
// and the number, and replies that are no replies.

#include "e2e/E2eSupport.h"

#include "devices/Registry.h"
#include "links/Waiter.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"
#include "protocol/Imitation.h"
#include "devices/ParamCodec.h"
#include "workflows/Calibration.h"
#include "workflows/ConfigReading.h"
#include "workflows/DeviceRoad.h"
#include "workflows/Maintenance.h"
#include "workflows/StateReading.h"

#include <QJsonDocument>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

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
    bool imitation() const override { return imitating; }
    Waiter &waiter() override { return m_waiter; }
    void wakeLine() override { wakes << int(requests.size()); }
    int replyTimeout() const override { return timeout; }
    void setReplyTimeout(int ms) override
    {
        timeout = ms;
        timeouts << ms;
    }

    std::function<Tab(const Tab &request)> answer;
    bool imitating = false;
    QList<Tab> requests;
    QList<int> wakes;    // the number of requests before each wake-up byte
    int timeout = 2500;  // the operator's "sed"
    QList<int> timeouts;

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

// The pulse counter keeps no archive, and code 2 with 0x44 0xBB would be
// its new serial number 0xBB44: nothing is asked, nothing sent.
TEST(Maintenance, NoArchiveClearingForThePulseCounter)
{
    ScriptRoad road;
    road.answer = [](const Tab &req) { return reply(req, 8, 0); };
    RecordingUi ui;
    DeviceSession session;
    session.setIdentity(128, 5);
    bool asked = false;
    Maintenance m(road, ui, session, [&](const QString &) { return asked = true; });
    const Maintenance::Result r = m.clearArchives();
    EXPECT_FALSE(asked);
    EXPECT_FALSE(r.sent);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, "ASetArhExecute: НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    EXPECT_EQ(ui.messages.value(0), r.text);
    EXPECT_TRUE(road.requests.isEmpty());
    EXPECT_EQ(session.number(), 5);
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

TEST(Maintenance, ImitatedRepliesGiveTheTrainingModesOutcomes)
{
    // The imitation's own replies, with the uniform draw `u` (above 0.5 the
    // code-2 reply names the old number). On a real line the same replies
    // are no replies of the device, and stay "no link".
    enum Command { Clock, Number, Init, Clear };
    struct Case {
        int type;
        Command command;
        double u;
        bool imitating;
        const char *text; // "" : the clock's success text
    } cases[] = {
        {229, Clock, 0.5, true, ""},
        {238, Clock, 0.5, true, ""},
        {128, Clock, 0.5, true, ""},
        {229, Clock, 0.5, false, "НЕТ СВЯЗИ"},
        {225, Clear, 0.4, true, "успешно начата очистка архивов"},
        {225, Clear, 0.6, true, "успешно начата очистка архивов"},
        {225, Clear, 0.4, false, "не замкнута перемычка или нет связи"},
        {225, Number, 0.5, true, "успешно установлен номер"},
        {128, Number, 0.4, true, "успешно установлен номер"},
        {128, Number, 0.6, true, "не замкнута перемычка"},
        // The others read the status byte of what came back: an echoed
        // request or the code-2 reply, whose byte 5 is no 0 or 1 here.
        {229, Init, 0.5, true, "не совпал пароль"},
        {238, Clear, 0.6, true, "не совпал пароль"},
        {229, Init, 0.5, false, "НЕТ СВЯЗИ"},
    };
    for (const Case &c : cases) {
        const QString what = QString::number(c.type) + " " + QString::number(int(c.command)) + " "
            + QString::number(c.u) + (c.imitating ? " imitated" : " line");
        const Identity id{c.type, 20560};
        Imitator im([u = c.u] { return u; });
        ScriptRoad road;
        road.imitating = c.imitating;
        road.answer = [&](const Tab &q) { return im.ImitReply(q, id).reply; };
        RecordingUi ui;
        DeviceSession session;
        session.setIdentity(id.type, id.number);
        Maintenance m(road, ui, session, yes);
        const QDateTime at(QDate(2024, 3, 5), QTime(13, 7, 9));
        Maintenance::Result r;
        switch (c.command) {
        case Clock: r = m.setTime([&] { return at; }, "5 Март 2024  13:07"); break;
        case Number: r = m.setNumber(55); break;
        case Init: r = m.init(); break;
        case Clear: r = m.clearArchives(); break;
        }
        const QString expected = *c.text ? QString::fromUtf8(c.text) : QStringLiteral("Успешно установлено 05.03.2024 13:07:09");
        EXPECT_EQ(r.text, expected) << qPrintable(what);
        const bool done = !*c.text || QString::fromUtf8(c.text).startsWith("успешно");
        EXPECT_EQ(r.ok, done) << qPrintable(what);
        if (c.command == Number) {
            EXPECT_EQ(session.number(), done ? 55 : 20560) << qPrintable(what);
        }
    }
}

TEST(E2eCtl, MaintenanceInImitation)
{
    struct Case {
        const char *type;
        QStringList command;
        int code;
        const char *text; // "" : the clock's success text
    } cases[] = {
        {"229", {"set-time"}, 0, ""},
        {"238", {"set-time"}, 0, ""},
        {"225", {"clear-archives"}, 0, "успешно начата очистка архивов"},
        {"225", {"init"}, 0, "успешно инициализировано устройство"},
        {"229", {"zero-time"}, 1, "не совпал пароль"},
    };
    for (const Case &c : cases) {
        const CtlRun r = pimctl(QStringList{"--imitation", c.type, "--json"} + c.command + QStringList{"--yes"});
        EXPECT_EQ(r.code, c.code) << c.type << " " << qPrintable(c.command.join(' ')) << qPrintable(r.err);
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        EXPECT_EQ(o["status"].toString(), c.code == 0 ? "ok" : "fail") << c.type;
        if (*c.text) {
            EXPECT_EQ(o["text"].toString(), QString::fromUtf8(c.text)) << c.type;
        } else {
            EXPECT_TRUE(o["text"].toString().startsWith("Успешно установлено ")) << qPrintable(o["text"].toString());
        }
    }
    // The pulse counter's number check fails about every second time:
    // either outcome says itself, with the number the device answers to.
    const CtlRun r = pimctl({"--imitation", "128", "--json", "set-number", "55", "--yes"});
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    if (r.code == 0) {
        EXPECT_EQ(o["text"].toString(), "успешно установлен номер");
        EXPECT_EQ(o["number"].toInt(), 55);
    } else {
        EXPECT_EQ(r.code, 1) << qPrintable(r.err);
        EXPECT_EQ(o["text"].toString(), "не замкнута перемычка");
        EXPECT_EQ(o["number"].toInt(), 20560);
    }
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

namespace {

// A calibration reply of `length` bytes: status at 5 (when `status` >= 0)
// and the singles from `first` on.
Tab calReply(const Tab &request, int length, int status, int first, const QList<double> &values)
{
    Tab t = reply(request, length, 0);
    if (status >= 0)
        t.set(5, status);
    for (int i = 0; i < values.size(); ++i)
        PutF(t, first + 4 * i, values[i]);
    t.set(length - 1, CalcCS(t.mid(0, length - 1)));
    return t;
}

} // namespace

TEST(Calibration, TemperatureTextsByTypeGroup)
{
    struct Case {
        int type, kind, status;
        std::array<double, 4> points;
        QList<double> measured;
        const char *text;
        std::array<const char *, 4> shown;
    } cases[] = {
        {239, 0, 3, {33, 30, 33, 30}, {33.1, 31.5, 33, 30},
         "t°C обратки=31.50 - отличается больше, чем на 1 °C", {"33.10", "31.50", "33.00", "30.00"}},
        {234, 1, 4, {150, 150, 150, 150}, {150, 150, 152.25, 150},
         "t°C подачи 2-й системы=152.25 - отличается больше, чем на 1 °C", {"150.00", "150.00", "152.25", "150.00"}},
        {229, 0, 0, {33, 30, 33, 30}, {33, 30, 33, 30}, "калибровка по МЕНЬШЕЙ температуре успешно завершена",
         {"норма", "норма", "норма", "норма"}},
        {229, 0, 1, {33, 30, 33, 30}, {33, 30, 33, 30}, "не замкнута перемычка", {"", "", "", ""}},
        {235, 0, 5, {33, 30, 33, 30}, {33, 30, 33, 31.5}, "Код 5 не оопознан", {"33.00", "30.00", "33.00", "31.50"}},
        {227, 1, 2, {150, 150, 0, 0}, {151.5, 150}, "t°C подачи=151.50 - отличается больше, чем на 1°C",
         {"151.50", "150.00", "", ""}},
        // 225 judges by itself: within 1 degree is "норма", else the values.
        {225, 0, -1, {33, 30, 0, 0}, {33.4, 29.7}, "калибровка по МЕНЬШЕЙ температуре успешно завершена",
         {"норма", "норма", "", ""}},
        {225, 0, -1, {33, 30, 0, 0}, {34.0, 30}, "измеренная температура отличается от заданной больше, чем на 1 градус",
         {"34.00", "30.00", "", ""}},
    };
    for (const Case &c : cases) {
        ScriptRoad road;
        const int n = int(c.measured.size());
        road.answer = [&](const Tab &q) {
            return c.type == 225 ? calReply(q, 5 + 4 * n + 1, -1, 5, c.measured)
                                 : calReply(q, 6 + 4 * n + 1, c.status, 6, c.measured);
        };
        RecordingUi ui;
        DeviceSession session;
        session.setIdentity(c.type, 9);
        Calibration cal(road, ui, session);
        const Calibration::Result r = cal.run(c.kind, c.points, 0, false, QString());
        EXPECT_EQ(r.text, c.text) << c.type << " " << c.status;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(r.shown[size_t(i)], c.shown[size_t(i)]) << c.type << " field " << i;
        ASSERT_EQ(road.requests.size(), 1);
        const Tab &q = road.requests[0];
        EXPECT_EQ(q.at(5), c.kind) << c.type;
        EXPECT_EQ(q.size(), (c.type == 225 || c.type == 227 ? 9 : 17) + 6) << c.type;
        EXPECT_FLOAT_EQ(GetF(q, 6), float(c.points[0])) << c.type;
        // The older pair is asked without a wake-up byte; the wait is long
        // for the measuring, then the operator's again.
        EXPECT_EQ(road.wakes.isEmpty(), c.type == 225 || c.type == 227) << c.type;
        EXPECT_EQ(road.timeouts, (QList<int>{10000, 2500})) << c.type;
    }
}

TEST(Calibration, PressureChannelsOneByOneOrInTurn)
{
    for (int type : {238, 230}) {
        ScriptRoad road;
        road.answer = [](const Tab &q) { return calReply(q, 11, q.at(5) == 3 ? 2 : 0, 6, {GetF(q, 6) + 0.25}); };
        RecordingUi ui;
        DeviceSession session;
        session.setIdentity(type, 9);
        Calibration cal(road, ui, session);
        const Calibration::Result r = cal.run(Calibration::Pressure, {20, 20, 20, 20}, 0, true, QString());
        const int channels = type == 238 ? 4 : 2;
        ASSERT_EQ(road.requests.size(), channels) << type;
        for (int i = 0; i < channels; ++i)
            EXPECT_EQ(road.requests[i].at(5), 2 + i) << type;
        // A single 0 byte before every request.
        EXPECT_EQ(road.wakes.size(), channels) << type;
        EXPECT_EQ(r.shown[0], "20.25000");
        EXPECT_EQ(r.shown[1], "20.25000"); // channel 3 out of tolerance shows its current too
        // Channel 3 out of tolerance fails the run, even when the channels
        // after it pass; the text names it, and each channel keeps its own.
        EXPECT_FALSE(r.ok) << type;
        EXPECT_EQ(r.text, (type == 238 ? QString("2 датчик 1-й системы") : QString("2 датчик"))
                              + ": ток=20.25000 - отличается больше, чем на 1 мА");
        EXPECT_EQ(ui.fails.last(), r.text);
        ASSERT_EQ(r.channels.size(), channels) << type;
        for (int i = 0; i < channels; ++i) {
            EXPECT_EQ(r.channels[i].channel, 2 + i);
            EXPECT_EQ(r.channels[i].ok, i != 1) << type << " channel " << 2 + i;
            EXPECT_EQ(r.channels[i].measured, "20.25000");
        }
        // The operator's wait is never changed for the pressure inputs.
        EXPECT_TRUE(road.timeouts.isEmpty() || road.timeouts == QList<int>{2500}) << type;
    }
    // Every channel in tolerance: the run succeeds; one channel whose reply
    // is lost fails it whatever the others did.
    for (int lost : {0, 5}) {
        ScriptRoad road;
        road.answer = [lost](const Tab &q) {
            return q.at(5) == lost ? Tab() : calReply(q, 11, 0, 6, {GetF(q, 6)});
        };
        RecordingUi ui;
        DeviceSession session;
        session.setIdentity(238, 9);
        Calibration cal(road, ui, session);
        const Calibration::Result r = cal.run(Calibration::Pressure, {20, 20, 20, 20}, 0, true, QString());
        EXPECT_EQ(r.ok, lost == 0);
        EXPECT_EQ(r.text, lost == 0 ? "калибровка по давлению успешно завершена" : "2 датчик 2-й системы: НЕТ СВЯЗИ");
        ASSERT_EQ(r.channels.size(), 4);
        EXPECT_EQ(r.channels[3].answered, lost == 0);
    }
    // One channel needs one chosen.
    ScriptRoad road;
    RecordingUi ui;
    DeviceSession session;
    session.setIdentity(229, 9);
    Calibration cal(road, ui, session);
    EXPECT_EQ(cal.run(Calibration::Pressure, {20, 20, 20, 20}, 0, false, QString()).text,
              "Необходимо выбрать датчик для калибровки щелчком по нему");
    EXPECT_TRUE(road.requests.isEmpty());
}

TEST(Calibration, ShortOrDamagedRepliesAreNoLink)
{
    // A frame too short for its values shows its status only; a damaged
    // or foreign one is no reply at all.
    ScriptRoad road;
    RecordingUi ui;
    DeviceSession session;
    session.setIdentity(229, 9);
    Calibration cal(road, ui, session);
    road.answer = [](const Tab &q) { return calReply(q, 7, 1, 6, {}); };
    Calibration::Result r = cal.run(Calibration::Lower, Calibration::defaults(0), 0, false, QString());
    EXPECT_EQ(r.text, "не замкнута перемычка");
    road.answer = [](const Tab &q) { return calReply(q, 7, 4, 6, {}); };
    r = cal.run(Calibration::Lower, Calibration::defaults(0), 0, false, QString());
    EXPECT_EQ(r.text, "t°C подачи 2-й системы= - отличается больше, чем на 1 °C");
    road.answer = [](const Tab &q) { Tab t = calReply(q, 23, 0, 6, {1, 2, 3, 4}); t.set(22, t.at(22) ^ 1); return t; };
    EXPECT_EQ(cal.run(Calibration::Lower, Calibration::defaults(0), 0, false, QString()).text, "НЕТ СВЯЗИ");
}

TEST(E2eCtl, CalibrateAgainstTheSimulator)
{
    Sim sim;
    ASSERT_TRUE(sim.start(238, 4, {"--cal-fault", "4", "--seed", "1"})) << qPrintable(sim.error());
    QTemporaryDir dir;
    CtlRun r = pimtest::pimctl({"--port", sim.port(), "--json", "calibrate", "--kind", "high", "--yes"}, dir.path());
    EXPECT_EQ(r.code, 1);
    QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o["status"].toString(), "fail");
    EXPECT_TRUE(o["text"].toString().startsWith("t°C подачи 2-й системы=")) << qPrintable(o["text"].toString());
    EXPECT_EQ(o["measured"].toArray().size(), 4);
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/байты калибровки.txt"));

    r = pimtest::pimctl({"--port", sim.port(), "--json", "calibrate", "--kind", "pressure", "--channel", "2", "--yes"},
                        dir.path());
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o["text"].toString(), "калибровка по давлению успешно завершена");
    // Usage: pressure without a channel, a channel on a temperature run, no --yes without a terminal.
    for (const QStringList &args : {QStringList{"calibrate", "--kind", "pressure", "--yes"},
                                    QStringList{"calibrate", "--kind", "low", "--all", "--yes"},
                                    QStringList{"calibrate", "--kind", "low"}}) {
        r = pimtest::pimctl(QStringList{"--port", sim.port()} + args, dir.path());
        EXPECT_EQ(r.code, 2) << qPrintable(args.join(' '));
    }
}

TEST(E2eCtl, CalibrateAllFailsWhenAnyChannelDid)
{
    Sim sim;
    ASSERT_TRUE(sim.start(238, 4, {"--cal-fault", "3"})) << qPrintable(sim.error());
    QTemporaryDir dir;
    CtlRun r = pimtest::pimctl({"--port", sim.port(), "--json", "calibrate", "--kind", "pressure", "--all", "--yes"},
                               dir.path());
    EXPECT_EQ(r.code, 1) << qPrintable(r.err);
    QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o["status"].toString(), "fail");
    EXPECT_TRUE(o["text"].toString().startsWith("2 датчик 1-й системы: ток=")) << qPrintable(o["text"].toString());
    const QJsonArray channels = o["channels"].toArray();
    ASSERT_EQ(channels.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const QJsonObject c = channels[i].toObject();
        EXPECT_EQ(c["channel"].toInt(), 2 + i);
        EXPECT_EQ(c["status"].toString(), i == 1 ? "fail" : "ok") << qPrintable(c["text"].toString());
        EXPECT_FALSE(c["measured"].toString().isEmpty());
    }
    // The text names every channel's outcome; the failure is the last line.
    r = pimtest::pimctl({"--port", sim.port(), "calibrate", "--kind", "pressure", "--all", "--yes"}, dir.path());
    EXPECT_EQ(r.code, 1);
    for (const char *name : {"1 датчик 1-й системы: калибровка по давлению успешно завершена",
                             "2 датчик 1-й системы: ток=", "2 датчик 2-й системы: калибровка"})
        EXPECT_TRUE(r.out.contains(name)) << name << "\n" << r.out.constData();
    EXPECT_TRUE(r.err.trimmed().section('\n', -1).startsWith("2 датчик 1-й системы: ток=")) << qPrintable(r.err);
}

TEST(Maintenance, EditedConfigurationIsWrittenAndReadsBackTheSame)
{
    struct Case {
        int type;
        QString field, value;
    } cases[] = {
        {229, paramname::kReportDay, "15"},
        {238, paramname::kReportDay, "3"},
        {225, paramname::weight(1), "250"},
        {128, paramname::kModification, "1"},
    };
    for (const Case &c : cases) {
        Sim sim;
        ASSERT_TRUE(sim.start(c.type, 31, {"--seed", "4"})) << qPrintable(sim.error());
        Bench b(sim);
        ASSERT_TRUE(b.identify());
        ConfigReading read(*b.road, b.ui, b.session);
        ASSERT_TRUE(read.read().ok) << c.type;
        ParamCodec &codec = b.session.module()->param();
        const QStringList before = codec.SLfromParam(0);
        codec.ShowParam(c.type);
        ParamControl *control = codec.form().find(c.field);
        ASSERT_NE(control, nullptr) << c.type << " " << qPrintable(c.field);
        if (control->kind == ParamControlKind::List)
            codec.form().setIndex(c.field, c.value.toInt());
        else
            codec.form().setText(c.field, c.value);
        SilentParamStatus status;
        ASSERT_TRUE(codec.CheckParam(status)) << c.type << " " << qPrintable(codec.lastCheckText());
        const QStringList written = codec.SLfromParam(0);
        EXPECT_NE(written, before) << c.type; // the edit changed something to write

        Maintenance m(*b.road, b.ui, b.session, yes);
        const Maintenance::Result r = m.writeConfig();
        ASSERT_TRUE(r.ok) << c.type << " " << qPrintable(r.text);
        EXPECT_EQ(r.text, "успешно обновлена конфигурация");
        ASSERT_TRUE(read.read().ok) << c.type;
        EXPECT_EQ(codec.SLfromParam(0), written) << c.type;
    }
}

TEST(Maintenance, ConfigurationWriteRefusedByTheJumper)
{
    Sim sim;
    ASSERT_TRUE(sim.start(236, 2, {"--jumper", "open"})) << qPrintable(sim.error());
    Bench b(sim);
    ASSERT_TRUE(b.identify());
    ConfigReading read(*b.road, b.ui, b.session);
    ASSERT_TRUE(read.read().ok);
    Maintenance m(*b.road, b.ui, b.session, yes);
    EXPECT_EQ(m.writeConfig().text, "не замкнута перемычка");
}

namespace {
// The values of `config --json`, per system.
QList<QStringList> configValues(const QString &port, const char *field = "values")
{
    const CtlRun r = pimctl({"--port", port, "--json", "config"});
    QList<QStringList> out;
    for (const QJsonValue &s : QJsonDocument::fromJson(r.out).object()["systems"].toArray()) {
        QStringList v;
        for (const QJsonValue &x : s.toObject()[QLatin1String(field)].toArray())
            v << x.toString().trimmed();
        out << v;
    }
    return out;
}
} // namespace

TEST(E2eCtl, WriteConfigTakesTheListingsLabelsAndThePagesCheck)
{
    struct Case {
        int type;
        QStringList args;    // after write-config
        int system, index;   // the value that must read back changed
        QString value;
    } cases[] = {
        // A device-wide value edited in system 2 reaches system 1 too, as
        // on the page, so the write is not refused.
        {238, {"--system", "2", "--set", "отч день=25", "--set", "max объем=1200.5"}, 0, 19, "25"},
        // Weights as the page shows them; a unit after the number sets it.
        {238, {"--set", "вес имп датч №2=0.82 имп/л"}, 0, 1, "0.82"},
        {229, {"--set", "вес имп датч №1=12.5"}, 0, 0, "12.50"},
        {229, {"--set", "t°C ХВС первая=7", "--set", "тип сист=3"}, 1, 4, "7"},
        {225, {"--set", "начало 2 тарифа=600"}, 0, 6, "600"},
        {128, {"--set", "модиф КОРБ=2"}, 0, 0, "2"},
    };
    for (const Case &c : cases) {
        Sim sim;
        ASSERT_TRUE(sim.start(c.type, 12)) << qPrintable(sim.error());
        CtlRun r = pimctl(QStringList{"--port", sim.port(), "--json", "write-config", "--yes"} + c.args);
        ASSERT_EQ(r.code, 0) << c.type << qPrintable(c.args.join(" ")) << qPrintable(r.err);
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        EXPECT_EQ(o["command"].toString(), "write-config");
        EXPECT_EQ(o["status"].toString(), "ok");
        EXPECT_EQ(o["text"].toString(), "успешно обновлена конфигурация");
        const QList<QStringList> after = configValues(sim.port());
        ASSERT_GT(after.size(), c.system) << c.type;
        EXPECT_EQ(after[c.system].value(c.index), c.value) << c.type;
        if (after.size() > 1 && c.type == 238 && c.index == 19) {
            EXPECT_EQ(after[1].value(19), "25");
        }
        if (c.index == 1 && c.type == 238) {
            const QList<QStringList> units = configValues(sim.port(), "units");
            ASSERT_FALSE(units.isEmpty());
            EXPECT_EQ(units[0].mid(0, 4), (QStringList{"л/имп", "имп/л", "л/имп", ""}));
        }
    }

    Sim sim;
    ASSERT_TRUE(sim.start(236, 5)) << qPrintable(sim.error());
    const QList<QStringList> before = configValues(sim.port());
    // The page's refusal: its red text, exit 1, nothing written.
    CtlRun r = pimctl({"--port", sim.port(), "--json", "write-config", "--yes", "--set", "отч день=40"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object()["text"].toString(), "Отчетный день=\"40\"-неправильное значение");
    EXPECT_TRUE(r.err.trimmed().endsWith("-неправильное значение")) << qPrintable(r.err);
    // Edits that name nothing, say nothing or are no numbers: usage errors.
    for (const QStringList &args : {QStringList{"--set", "нет такого=1"}, QStringList{"--set", "отч день=x"},
                                    QStringList{"--set", "отч день"}, QStringList{}}) {
        r = pimctl(QStringList{"--port", sim.port(), "write-config", "--yes"} + args);
        EXPECT_EQ(r.code, 2) << qPrintable(args.join(' '));
    }
    // No terminal, no --yes.
    EXPECT_EQ(pimctl({"--port", sim.port(), "write-config", "--set", "отч день=2"}).code, 2);
    EXPECT_EQ(configValues(sim.port()), before);

    ASSERT_EQ(pimctl({"--port", sim.port(), "write-config", "--yes", "--set", "отч день=9"}).code, 0);
    r = pimctl({"--port", sim.port(), "write-config", "--yes", "--default"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(configValues(sim.port())[0].value(19), "1");
}

TEST(Maintenance, ANumberChangeWithoutAReplyAsksTheDeviceWhatIsTrue)
{
    // The device takes the change (or not) and its reply is lost; it
    // answers under whatever number it has, or not at all.
    struct Case {
        const char *what;
        bool applies, answers;
        bool ok;
        QString text;
        int number;
    } cases[] = {
        {"changed", true, true, true, "успешно установлен номер", 42},
        {"not changed", false, true, false, "номер не изменен: устройство отвечает под номером 41", 41},
        {"silent", true, false, false,
         "НЕТ СВЯЗИ: неизвестно, изменен ли номер (устройство не ответило ни под номером 42, ни под номером 41)", 41},
    };
    for (const Case &c : cases) {
        ScriptRoad road;
        int current = 41;
        road.answer = [&](const Tab &q) -> Tab {
            if (q.at(4) == Q_SetNo) {
                if (c.applies)
                    current = GetW(q, 7);
                return Tab();
            }
            if (!c.answers || addressee(q).number != current)
                return Tab();
            return reply(q, 6, 0);
        };
        RecordingUi ui;
        DeviceSession session;
        session.setIdentity(229, 41);
        Maintenance m(road, ui, session, yes);
        const Maintenance::Result r = m.setNumber(42);
        EXPECT_EQ(r.ok, c.ok) << c.what;
        EXPECT_EQ(r.text, c.text) << c.what;
        EXPECT_EQ(r.number, c.number) << c.what;
        EXPECT_EQ(session.number(), c.number) << c.what;
        // Asked under the new number first.
        ASSERT_GE(road.requests.size(), 2) << c.what;
        EXPECT_EQ(road.requests[1].at(4), Q_NoTu);
        EXPECT_EQ(addressee(road.requests[1]).number, 42);
    }
}

TEST(Maintenance, AConfigurationWriteWithADamagedReplyIsReadBack)
{
    struct Case {
        const char *what;
        bool applies, answers;
        bool ok;
        QString text;
    } cases[] = {
        {"written", true, true, true, "успешно обновлена конфигурация"},
        {"not written", false, true, false, "конфигурация не записана: ответ не получен, устройство хранит другую"},
        {"silent", true, false, false, "НЕТ СВЯЗИ: неизвестно, записана ли конфигурация"},
    };
    for (const Case &c : cases) {
        ScriptRoad road;
        Tab held; // the configuration the device holds, as its read reply
        road.answer = [&](const Tab &q) -> Tab {
            if (q.at(4) == Q_SetParam) {
                Tab t = q;
                if (!c.applies)
                    t.set(20, t.at(20) + 1); // something else stays in the device
                t.set(4, Q_Param);
                t.set(t.size() - 1, CalcCS(t.mid(0, t.size() - 1)));
                held = t;
                Tab damaged = reply(q, 7, 0);
                damaged.set(6, damaged.at(6) + 1);
                return damaged;
            }
            if (q.at(4) == Q_Param && c.answers)
                return held;
            return Tab();
        };
        RecordingUi ui;
        DeviceSession session;
        session.setIdentity(229, 5);
        session.module()->param().loadDefaults();
        Maintenance m(road, ui, session, yes);
        const Maintenance::Result r = m.writeConfig();
        EXPECT_EQ(r.ok, c.ok) << c.what;
        EXPECT_EQ(r.text, c.text) << c.what;
        ASSERT_GE(road.requests.size(), 2) << c.what;
        EXPECT_EQ(road.requests[1].at(4), Q_Param) << c.what;
    }
}

TEST(E2eCtl, LostAndDamagedRepliesOfWritesAreCheckedAgainstTheSimulator)
{
    // Request 2 is the write: its reply is lost (the number) or damaged
    // (the configuration, read first as request 2, written as request 3).
    Sim lost;
    ASSERT_TRUE(lost.start(238, 41, {"--fault", "silence@2"})) << qPrintable(lost.error());
    CtlRun r = pimctl({"--port", lost.port(), "--timeout", "300", "--json", "set-number", "42", "--yes"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o["status"].toString(), "ok");
    EXPECT_EQ(o["number"].toInt(), 42);

    Sim damaged;
    ASSERT_TRUE(damaged.start(238, 7, {"--fault", "bad-checksum@3"})) << qPrintable(damaged.error());
    r = pimctl({"--port", damaged.port(), "--timeout", "300", "--json", "write-config", "--yes", "--set", "отч день=9"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object()["text"].toString(), "успешно обновлена конфигурация");
    EXPECT_EQ(configValues(damaged.port())[0].value(19), "9");
}

TEST(E2eCtl, WriteConfigRefusesWhatThePageCouldNotWrite)
{
    // A one-system type has no system 2, whatever its record holds: a
    // usage error, as for archive, and poll likewise.
    for (int type : {230, 235, 237, 239}) {
        SCOPED_TRACE(type);
        Sim sim;
        ASSERT_TRUE(sim.start(type, 3)) << qPrintable(sim.error());
        const QList<QStringList> before = configValues(sim.port());
        CtlRun r = pimctl({"--port", sim.port(), "write-config", "--yes", "--system", "2", "--set", "отч день=5"});
        EXPECT_EQ(r.code, 2) << qPrintable(r.err);
        EXPECT_TRUE(r.err.contains("one heating system")) << qPrintable(r.err);
        r = pimctl({"--port", sim.port(), "poll", "--interval", "1", "--count", "1", "--system", "2"});
        EXPECT_EQ(r.code, 2) << qPrintable(r.err);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(configValues(sim.port()), before);
    }
    // A value beyond its control: refused with the label, the range and
    // the value; the device keeps its configuration.
    Sim sim;
    ASSERT_TRUE(sim.start(238, 3)) << qPrintable(sim.error());
    const QList<QStringList> before = configValues(sim.port());
    const CtlRun r = pimctl({"--port", sim.port(), "--json", "write-config", "--yes", "--set", "тип сист=7"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object()["text"].toString(), "тип сист=7 - допустимы целые от 1 до 6");
    EXPECT_EQ(configValues(sim.port()), before);
}

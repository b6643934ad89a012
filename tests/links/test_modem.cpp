// The modem dialer and its phone book: the book file's rules, the dial
// string, the cleaning of the modem's answers, and whole calls against the
// simulator's modem front end on a pseudo-terminal.

#include "LinkTestSupport.h"
#include "base/TextFile.h"
#include "devices/Registry.h"
#include "links/AsyncReceiver.h"
#include "links/ExchangeEngine.h"
#include "links/ModemDialer.h"
#include "links/PhoneBook.h"
#include "protocol/Frame.h"
#include "support/PimSim.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pim;
using pimtest::PimSim;
using pimtest::RecordingStatus;

namespace {
const int kLu = int(StatusLabel::LuState);
const int kLM = int(StatusLabel::LMstate);

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &b)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
}
} // namespace

TEST(PhoneBook, MissingFileIsCreatedWithTheDefaultEntry)
{
    const QString path = QDir::current().filePath(QStringLiteral("ДАННЫЕ/МОДЕМ/СОЕДИНЕНИЯ.TXT"));
    PhoneBook book;
    ASSERT_TRUE(book.load(path));
    EXPECT_EQ(book.names(), QStringList{QStringLiteral("ТЕПЛОСЧЕТЧИК")});
    EXPECT_FALSE(book.canRemove());
    // Windows-1251, every cell followed by a TAB, CR LF.
    QString error;
    const QByteArray want = joinLines({QStringLiteral("НАИМЕНОВАНИЕ\tТЕЛЕФОН\tПОРТ\tТОН/ИМП\tКОД ГОР\tКОД В ГОР\tКОД МЕЖГОР\t"),
                                       QStringLiteral("ТЕПЛОСЧЕТЧИК\t525\tCOM5\tT\t\t\t\t")},
                                      &error);
    EXPECT_EQ(fileBytes(path), want);
}

TEST(PhoneBook, LinesWithoutTheFinalTabReadTheSame)
{
    const QByteArray header = "Name\tPhone\tPort\tTone\tCity\tExit\tLong";
    writeBytes(QStringLiteral("with.txt"), header + "\t\r\nb\t2\tCOM2\tP\t495\t9\t8\t\r\na\t1\tCOM1\tT\t\t\t\t\r\n");
    writeBytes(QStringLiteral("without.txt"), header + "\r\nb\t2\tCOM2\tP\t495\t9\t8\r\na\t1\tCOM1\tT\r\n");
    PhoneBook with, without;
    ASSERT_TRUE(with.load(QStringLiteral("with.txt")));
    ASSERT_TRUE(without.load(QStringLiteral("without.txt")));
    EXPECT_EQ(with.rows(), without.rows());
    PhoneEntry b;
    ASSERT_TRUE(without.find(QStringLiteral("b"), &b));
    EXPECT_FALSE(b.tone);
    EXPECT_EQ(b.cityCode, QStringLiteral("495"));
    EXPECT_EQ(b.exitCode, QStringLiteral("9"));
    EXPECT_EQ(b.longCode, QStringLiteral("8"));
    PhoneEntry a;
    ASSERT_TRUE(without.find(QStringLiteral("a"), &a));
    EXPECT_FALSE(a.longDistance());
    EXPECT_FALSE(a.exitFirst());
    // Saved back, every line gets its final TAB (the file order is kept).
    ASSERT_TRUE(without.save(QStringLiteral("saved.txt")));
    EXPECT_EQ(fileBytes(QStringLiteral("saved.txt")), fileBytes(QStringLiteral("with.txt")));
}

TEST(PhoneBook, StoreOverwritesByNameAndInsertsInNameOrder)
{
    PhoneBook book = PhoneBook::defaults();
    auto entry = [](const char *name, const char *phone) {
        PhoneEntry e;
        e.name = QString::fromUtf8(name);
        e.phone = QString::fromUtf8(phone);
        e.port = QStringLiteral("/dev/ttyS0");
        return e;
    };
    book.store(entry("котельная", "1"));
    book.store(entry("Баня", "2"));
    book.store(entry("АПТЕКА", "3"));
    book.store(entry("школа", "4"));
    // Letter case does not count in the order.
    EXPECT_EQ(book.names(), (QStringList{QStringLiteral("АПТЕКА"), QStringLiteral("Баня"), QStringLiteral("котельная"),
                                         QStringLiteral("ТЕПЛОСЧЕТЧИК"), QStringLiteral("школа")}));
    // The same name overwrites; another case is another name.
    PhoneEntry changed = entry("Баня", "22");
    changed.tone = false;
    changed.exitCode = QStringLiteral("9");
    book.store(changed);
    EXPECT_EQ(book.entryCount(), 5);
    PhoneEntry got;
    ASSERT_TRUE(book.find(QStringLiteral("Баня"), &got));
    EXPECT_EQ(got.phone, QStringLiteral("22"));
    EXPECT_FALSE(got.tone);
    EXPECT_EQ(got.exitCode, QStringLiteral("9"));
    EXPECT_FALSE(book.find(QStringLiteral("баня")));
    EXPECT_EQ(book.rows().at(2), PhoneBook::rowOf(changed));
}

TEST(PhoneBook, RemoveKeepsTheLastEntry)
{
    PhoneBook book = PhoneBook::defaults();
    EXPECT_FALSE(book.remove(QStringLiteral("ТЕПЛОСЧЕТЧИК")));
    EXPECT_EQ(book.entryCount(), 1);
    PhoneEntry e;
    e.name = QStringLiteral("баня");
    book.store(e);
    e.name = QStringLiteral("Аптека");
    book.store(e);
    EXPECT_FALSE(book.remove(QStringLiteral("нет такой")));
    ASSERT_TRUE(book.remove(QStringLiteral("баня")));
    EXPECT_EQ(book.names(), (QStringList{QStringLiteral("Аптека"), QStringLiteral("ТЕПЛОСЧЕТЧИК")}));
    ASSERT_TRUE(book.remove(QStringLiteral("Аптека")));
    EXPECT_EQ(book.names(), QStringList{QStringLiteral("ТЕПЛОСЧЕТЧИК")});
    EXPECT_FALSE(book.canRemove());
}

TEST(PhoneBook, RemoveTakesEveryRowOfTheName)
{
    // A hand-edited book holding a name twice: both rows go, no row without
    // a name is left behind.
    const QString path = QDir::current().filePath(QStringLiteral("СОЕДИНЕНИЯ.TXT"));
    ASSERT_TRUE(writeLines(path, {PhoneBook::headers().join(QLatin1Char('\t')) + QLatin1Char('\t'),
                                  QStringLiteral("баня\t1\tCOM1\tT\t"), QStringLiteral("Аптека\t2\tCOM1\tT\t"),
                                  QStringLiteral("баня\t3\tCOM2\tP\t")}));
    PhoneBook book;
    ASSERT_TRUE(book.load(path));
    ASSERT_TRUE(book.remove(QStringLiteral("баня")));
    EXPECT_EQ(book.names(), QStringList{QStringLiteral("Аптека")});
}

TEST(ModemDialer, DialStringAndCleaning)
{
    struct Dial {
        DialPlan plan;
        const char *want;
    };
    DialPlan all;
    all.number = QStringLiteral("123");
    all.exitFirst = true;
    all.exitCode = QStringLiteral("9");
    all.longDistance = true;
    all.longCode = QStringLiteral("8");
    all.cityCode = QStringLiteral("495");
    DialPlan pulse;
    pulse.number = QStringLiteral("525");
    pulse.tone = false;
    DialPlan exitOnly = pulse;
    exitOnly.exitFirst = true;
    exitOnly.exitCode = QStringLiteral("0");
    for (const Dial &d : {Dial{all, "ATDT9W8W495123\r"}, Dial{pulse, "ATDP525\r"}, Dial{exitOnly, "ATDP0W525\r"}})
        EXPECT_EQ(ModemDialer::dialCommand(d.plan), QByteArray(d.want));

    struct Clean {
        const char *reply;
        const char *last;
        const char *word;
    };
    const Clean cases[] = {
        {"\r\nCONNECT 9600\r\n", "ATDT525\r", "CONNECT"},
        {"\r\nNO CARRIER\r\n", "ATDT525\r", "NOCARRIER"},
        // The echo of the command goes first: its letters are no result.
        {"ATDT525\r\r\nNO CARRIER\r\n", "ATDT525\r", "NOCARRIER"},
        {"ATDT525\r", "ATDT525\r", ""},
        {"\r\nok\tBUSY\r\n", "AT\r", "BUSY"},
    };
    for (const Clean &c : cases)
        EXPECT_EQ(ModemDialer::clean(c.reply, c.last), QString::fromLatin1(c.word)) << c.reply;

    EXPECT_EQ(ModemDialer::charListing("A\r"),
              (QStringList{QStringLiteral("066=65(41) A"), QStringLiteral("014=13(0D) CR(Carriage Return)")}));
}

namespace {
// The simulator's modem front end and the window's dialling parts.
struct ModemRig {
    PimSim sim;
    ExchangeEngine engine;
    RecordingStatus status;
    AsyncReceiver rx{engine, &status};
    ModemDialer dialer{engine, rx, &status};

    bool start(const QStringList &extra = {})
    {
        pimtest::app();
        QStringList args{QStringLiteral("--type"), QStringLiteral("229"), QStringLiteral("--number"),
                         QStringLiteral("4660"), QStringLiteral("--modem"), QStringLiteral("--modem-dial-ms"),
                         QStringLiteral("50")};
        if (!sim.start(args + extra))
            return false;
        engine.port().setPortName(sim.ptyPath());
        engine.port().setInputTimeout(1000);
        return true;
    }
    // Until the call has its outcome (a generous bound: a hang is a failure).
    void waitWhileDialling()
    {
        Waiter &w = engine.waiter();
        const qint64 end = w.now() + 20000;
        while (dialer.ModemState() == ModemDialer::Dialling && w.now() < end)
            w.wait(int(end - w.now()));
    }
    // Until a raw command's answer has been handled.
    void waitForReceive()
    {
        Waiter &w = engine.waiter();
        const qint64 end = w.now() + 20000;
        while ((rx.RxBuffer().isEmpty() || rx.trxActive()) && w.now() < end)
            w.wait(100);
    }
};

DialPlan planFor(const char *number)
{
    DialPlan p;
    p.number = QString::fromLatin1(number);
    return p;
}
} // namespace

TEST(ModemDialer, CallOutcomes)
{
    struct Case {
        const char *number;
        QStringList extra;
        int state;
        const char *word;
        const char *label;
    };
    // A Cyrillic Н, then a Latin E and T.
    const QString fail = QStringLiteral("номер: %1-\u041DET СВЯЗИ!");
    const Case cases[] = {
        {"525", {}, ModemDialer::Connected, "CONNECT", "связь установлена"},
        {"525", {QStringLiteral("--modem-result"), QStringLiteral("ok")}, ModemDialer::Connected, "OK", "связь установлена"},
        {"1266", {}, ModemDialer::Idle, "BUSY", "BUSY (занято)"},
        {"1277", {}, ModemDialer::Idle, "NOCARRIER", "NOCARRIER (нет несущей)"},
        {"1277", {QStringLiteral("--modem-echo"), QStringLiteral("off")}, ModemDialer::Idle, "NOCARRIER",
         "NOCARRIER (нет несущей)"},
        {"1288", {}, ModemDialer::Idle, "NODIALTONE", "NODIALTONE (нет гудка)"},
        {"1299", {QStringLiteral("--modem-answer-ms"), QStringLiteral("50")}, ModemDialer::Idle, "NOANSWER", "NOANSWER"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.number) + " " + c.extra.join(' ').toStdString());
        ModemRig rig;
        ASSERT_TRUE(rig.start(c.extra)) << qPrintable(rig.sim.error());
        ASSERT_TRUE(rig.dialer.dial(planFor(c.number)));
        EXPECT_EQ(rig.dialer.ModemState(), ModemDialer::Dialling);
        EXPECT_FALSE(rig.dialer.disconnectEnabled());
        rig.waitWhileDialling();
        EXPECT_EQ(rig.dialer.ModemState(), c.state);
        EXPECT_TRUE(rig.dialer.disconnectEnabled());
        EXPECT_EQ(rig.dialer.lastWord(), QString::fromLatin1(c.word));
        EXPECT_EQ(rig.status.texts[kLM], QString::fromUtf8(c.label));
        if (c.state == ModemDialer::Connected) {
            EXPECT_EQ(rig.status.texts[kLu], QStringLiteral("525 НА СВЯЗИ!"));
            EXPECT_EQ(rig.status.kinds[kLu], StatusKind::Ok);
            EXPECT_TRUE(rig.rx.RxSuppressed());
        } else {
            EXPECT_EQ(rig.status.texts[kLu], fail.arg(QString::fromLatin1(c.number)));
            EXPECT_EQ(rig.status.kinds[kLu], StatusKind::Fail);
        }
    }
}

TEST(ModemDialer, DeviceReadOverTheLineThenHangUp)
{
    ModemRig rig;
    ASSERT_TRUE(rig.start()) << qPrintable(rig.sim.error());
    Tab io;
    ASSERT_TRUE(rig.dialer.dial(planFor("525")));
    rig.waitWhileDialling();
    ASSERT_TRUE(rig.dialer.connected());

    io = SQNoTu(Identity{});
    ASSERT_TRUE(rig.engine.Exchange(io, io));
    int number = -1, type = -1;
    ASSERT_EQ(DecNoTu(io, number, type), QString());
    EXPECT_EQ(type, 229);
    EXPECT_EQ(number, 4660);
    const Identity dev{type, number};
    Tab state = SQ(dev, Q_State);
    ASSERT_TRUE(rig.engine.Exchange(state, state));
    EXPECT_EQ(TestAnswer(state, replyLength(dev.type, Q_State), Q_State, dev), QString());

    rig.dialer.hangUp();
    EXPECT_EQ(rig.dialer.ModemState(), ModemDialer::Idle);
    EXPECT_FALSE(rig.engine.port().IsOpen());
    EXPECT_EQ(rig.status.texts[kLu], QStringLiteral("связь по модему отключена"));
    EXPECT_EQ(rig.status.texts[kLM], QStringLiteral("отключен"));
    // The call is down: the device is out of reach again (the modem in
    // command mode only echoes the request).
    io = SQ(dev, Q_State);
    rig.engine.port().setInputTimeout(200);
    const bool answered = rig.engine.Exchange(io, io)
        && TestAnswer(io, replyLength(dev.type, Q_State), Q_State, dev).isEmpty();
    EXPECT_FALSE(answered);
}

TEST(ModemDialer, TypedHangUpAndRawCommands)
{
    ModemRig rig;
    ASSERT_TRUE(rig.start()) << qPrintable(rig.sim.error());
    rig.engine.memo().setVisible(true);
    ASSERT_TRUE(rig.dialer.send(QStringLiteral("ATI")));
    EXPECT_EQ(rig.status.texts[kLu], QStringLiteral("ПОСЫЛАЮ... ATI"));
    rig.waitForReceive();
    // A raw command changes nothing; its answer is listed in the memo.
    EXPECT_EQ(rig.dialer.ModemState(), ModemDialer::Idle);
    EXPECT_TRUE(rig.engine.memo().lines().contains(QStringLiteral("014=13(0D) CR(Carriage Return)")));
    EXPECT_TRUE(rig.engine.memo().text().contains(QStringLiteral("PIMSIM")));

    ASSERT_TRUE(rig.dialer.send(QStringLiteral("ATH")));
    rig.waitForReceive();
    EXPECT_EQ(rig.status.texts[kLu], QStringLiteral("связь по модему отключена"));
    EXPECT_EQ(rig.status.texts[kLM], QStringLiteral("отключен"));
    EXPECT_FALSE(rig.engine.port().IsOpen());

    // A typed hang-up the modem refuses is said with its answer.
    rig.dialer.setNumber(QStringLiteral("525"));
    ASSERT_TRUE(rig.dialer.send(QStringLiteral("ATH?")));
    rig.waitForReceive();
    EXPECT_EQ(rig.status.texts[kLu], QStringLiteral("номер: 525-не отключился, отключаю порт"));
    EXPECT_EQ(rig.status.texts[kLM], QStringLiteral("ERROR"));
    EXPECT_FALSE(rig.engine.port().IsOpen());
}

TEST(ModemDialer, PortThatDoesNotOpen)
{
    pimtest::app();
    ExchangeEngine engine;
    engine.port().setPortName(QDir::current().filePath(QStringLiteral("no-such-port")));
    RecordingStatus status;
    AsyncReceiver rx(engine, &status);
    ModemDialer dialer(engine, rx, &status);
    EXPECT_FALSE(dialer.dial(planFor("525")));
    EXPECT_TRUE(dialer.disconnectEnabled());
    EXPECT_EQ(status.kinds[kLu], StatusKind::Fail);
    EXPECT_TRUE(status.texts[kLu].endsWith(QStringLiteral("no-such-port занят (отсутсвует)")));
    EXPECT_EQ(status.texts[kLM], status.texts[kLu]);
}

TEST(ModemDialer, OnlyWhatADialStringHoldsGoesToTheModem)
{
    struct Case {
        QString text;
        bool ok;
        const char *named; // part of the refusal
    };
    const Case cases[] = {
        {QStringLiteral("8-495-123 45 67"), true, ""},
        {QStringLiteral("*99#"), true, ""},
        {QStringLiteral("9W8W495123,,P12!@T+"), true, ""},
        {QStringLiteral("123\rAT&F\rAT&W"), false, "код 13"},
        {QStringLiteral("12\n3"), false, "код 10"},
        {QStringLiteral("Т123"), false, "\"Т\""}, // Cyrillic: would go out as "?"
        {QStringLiteral("123;"), false, "\";\""},
    };
    for (const Case &c : cases) {
        const QString why = ModemDialer::dialStringError(QStringLiteral("номер"), c.text);
        EXPECT_EQ(why.isEmpty(), c.ok) << qPrintable(c.text) << " " << qPrintable(why);
        EXPECT_TRUE(why.contains(QString::fromUtf8(c.named))) << qPrintable(why);
        EXPECT_FALSE(why.contains(QLatin1Char('\r')));
    }
    // Every part of a plan is checked, and an empty number has nothing to dial.
    DialPlan codes = planFor("525");
    codes.longDistance = true;
    codes.longCode = QStringLiteral("8");
    codes.cityCode = QStringLiteral("495\r");
    EXPECT_TRUE(ModemDialer::dialPlanError(codes).startsWith(QStringLiteral("код города"))) << qPrintable(ModemDialer::dialPlanError(codes));
    EXPECT_FALSE(ModemDialer::dialPlanError(planFor("")).isEmpty());
    EXPECT_FALSE(ModemDialer::dialPlanError(planFor(" - ")).isEmpty());
    EXPECT_TRUE(ModemDialer::dialPlanError(planFor("525")).isEmpty());

    // Refused before the port is touched: the refusal, not the port, is said.
    pimtest::app();
    ExchangeEngine engine;
    engine.port().setPortName(QDir::current().filePath(QStringLiteral("no-such-port")));
    RecordingStatus status;
    AsyncReceiver rx(engine, &status);
    ModemDialer dialer(engine, rx, &status);
    EXPECT_FALSE(dialer.dial(planFor("525\rATZ")));
    EXPECT_EQ(dialer.ModemState(), ModemDialer::Idle);
    EXPECT_EQ(status.kinds[kLu], StatusKind::Fail);
    EXPECT_TRUE(status.texts[kLu].startsWith(QStringLiteral("номер"))) << qPrintable(status.texts[kLu]);
    EXPECT_FALSE(engine.port().IsOpen());
}

TEST(PhoneBook, AnEntryThatIsNoDialIsRefusedWithItsLine)
{
    // A CR inside a cell (the file's lines end in CR LF) and a Cyrillic
    // letter in a code: the entries stay in the book, so a save loses
    // nothing, but each is refused with its file line.
    const QString path = QDir::current().filePath(QStringLiteral("СОЕДИНЕНИЯ.TXT"));
    QString error;
    writeBytes(path, joinLines({QStringLiteral("НАИМЕНОВАНИЕ\tТЕЛЕФОН\tПОРТ\tТОН/ИМП\tКОД ГОР\tКОД В ГОР\tКОД МЕЖГОР\t"),
                                QStringLiteral("Баня\t525\tCOM1\tT\t\t\t\t"),
                                QStringLiteral(""),
                                QStringLiteral("Дача\t123\rAT&F\tCOM1\tT\t\t\t\t"),
                                QStringLiteral("Школа\t77\tCOM1\tT\t495\t\tЗ\t")},
                               &error));
    PhoneBook book;
    ASSERT_TRUE(book.load(path, &error)) << qPrintable(error);
    EXPECT_EQ(book.names(), (QStringList{QStringLiteral("Баня"), QStringLiteral("Дача"), QStringLiteral("Школа")}));
    const QStringList refusals = book.refusals();
    ASSERT_EQ(refusals.size(), 2);
    EXPECT_TRUE(refusals[0].startsWith(QStringLiteral("СОЕДИНЕНИЯ.TXT, строка 4: запись \"Дача\": номер")))
        << qPrintable(refusals[0]);
    EXPECT_TRUE(refusals[1].startsWith(QStringLiteral("СОЕДИНЕНИЯ.TXT, строка 5: запись \"Школа\": код межгорода")))
        << qPrintable(refusals[1]);
    EXPECT_EQ(book.refusal(QStringLiteral("Дача")), refusals[0]);
    EXPECT_TRUE(book.refusal(QStringLiteral("Баня")).isEmpty());
    // Saved again, the refused rows are still there as they were.
    ASSERT_TRUE(book.save(path, &error));
    PhoneBook again;
    ASSERT_TRUE(again.load(path));
    EXPECT_EQ(again.rows(), book.rows());
}

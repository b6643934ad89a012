// Carrier files written by pimsim and read back by pimctl through the
// replay: the same grid as a direct read of the same simulated device, and
// the refusals of files that are no carrier archive.

#include "e2e/E2eSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace e2e;

namespace {

QJsonObject json(const CtlRun &r)
{
    return QJsonDocument::fromJson(r.out).object();
}

QString lastLine(const QString &err)
{
    return err.trimmed().split(QLatin1Char('\n')).last();
}

} // namespace

// A device with wrapped rings and a stopped clock writes its carrier files;
// each one read through the replay gives exactly what a direct read of all
// records gives: rows, dates, gaps and status, newest record first.
TEST(E2eCarrier, ReplayEqualsDirectRead)
{
    struct Case {
        int type;
        const char *kind;
        QStringList extra;
    };
    const Case cases[] = {
        {229, "daily", {}},
        {229, "hourly", {"--diff"}},
        {234, "daily", {}},
        {234, "hourly", {"--diff"}},
        {225, "hourly", {}},
    };
    const QString dir = QDir::current().filePath(QStringLiteral("носитель, 1"));
    for (const Case &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.type).arg(c.kind).toStdString());
        Sim sim;
        ASSERT_TRUE(sim.start(c.type, 4321,
                              {"--clock", "2026-03-10 12:30", "--clock-stopped", "--carrier", dir}))
            << sim.error().toStdString();
        const QString name = QStringLiteral("ARH04321%1.%2").arg(c.kind[0] == 'd' ? 'D' : 'H').arg(c.type);
        const QString file = QDir(dir).filePath(name);
        ASSERT_TRUE(QFileInfo(file).isFile());

        const CtlRun direct = pimctl(QStringList{"--port", sim.port(), "--json", "archive", "--kind", c.kind,
                                                 "--range", "records"}
                                     + c.extra);
        const CtlRun replay = pimctl(QStringList{"--json", "carrier", "read", file, "--out", "a.Arh"} + c.extra);
        ASSERT_EQ(direct.code, 0) << direct.err.toStdString();
        ASSERT_EQ(replay.code, 0) << replay.err.toStdString();
        const QJsonObject d = json(direct);
        QJsonObject r = json(replay);
        // Every slot of a full ring is a record: none left out.
        EXPECT_EQ(r.take(QStringLiteral("unreal")).toInt(-1), 0);
        EXPECT_GT(r[QStringLiteral("rows")].toArray().size(), 60);
        EXPECT_EQ(r, d);
        EXPECT_EQ(r[QStringLiteral("missing")].toInt(), 0);
        EXPECT_EQ(lastLine(replay.err), QStringLiteral("архив из файла: ") + file + QStringLiteral(" - прочитан"));
        EXPECT_TRUE(QFileInfo(QStringLiteral("a.Arh")).size() > 0);
        QFile::remove(QStringLiteral("a.Arh"));
        QFile::remove(QStringLiteral("a.txt"));
    }
}

// A file cut short loses its last records: they count as missing, never as
// records of 30.12.1899, and the read says the archive was read short.
// Files that are no carrier archive are refused before anything is written.
TEST(E2eCarrier, ShortAndForeignFiles)
{
    Sim sim;
    const QString dir = QDir::current().filePath(QStringLiteral("files"));
    ASSERT_TRUE(sim.start(229, 12, {"--clock", "2026-03-10 12:30", "--clock-stopped", "--carrier", dir}))
        << sim.error().toStdString();
    QFile f(QDir(dir).filePath(QStringLiteral("ARH00012D.229")));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    // The pointer and 40 whole records, then half a record.
    ASSERT_TRUE(f.resize(2 + 40 * 160 + 80));
    f.close();
    CtlRun r = pimctl({"--json", "carrier", "read", f.fileName()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QJsonObject o = json(r);
    EXPECT_EQ(o[QStringLiteral("missing")].toInt(), 22);
    EXPECT_EQ(o[QStringLiteral("rows")].toArray().size(), 40);
    EXPECT_TRUE(o[QStringLiteral("partial")].toBool());
    EXPECT_FALSE(QJsonDocument(o).toJson().contains("30.12.1899"));

    QFile::copy(f.fileName(), QStringLiteral("ARH00012Q.229"));
    QFile::copy(f.fileName(), QStringLiteral("ARH00012D.227"));
    for (const char *bad : {"ARH00012Q.229", "ARH00012D.227", "ARH00099D.229"}) {
        SCOPED_TRACE(bad);
        r = pimctl({"--json", "carrier", "read", bad, "--out", "x.Arh", "--csv", "x.csv"});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(lastLine(r.err), QStringLiteral("файл: ") + bad + QStringLiteral(" - не опознан как архивный"));
        EXPECT_EQ(json(r)[QStringLiteral("error")].toString(), lastLine(r.err));
        EXPECT_FALSE(QFile::exists(QStringLiteral("x.Arh")));
        EXPECT_FALSE(QFile::exists(QStringLiteral("x.csv")));
    }

    r = pimctl({"--json", "carrier", "info", f.fileName()});
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(json(r)[QStringLiteral("title")].toString(), QStringLiteral("\"ПИМ-229\",\"№ 12\",\"архив=СУТОЧНЫЙ\""));
    EXPECT_EQ(json(r)[QStringLiteral("lines")].toArray().last().toString(),
              QStringLiteral("записей в арх =40(от 1)+остаток=80байт"));

    // Field by field: the cut record runs out of data, the numbers the
    // file lacks say so; every whole record has its date.
    r = pimctl({"--json", "carrier", "info", "--records", f.fileName()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonArray records = json(r)[QStringLiteral("records")].toArray();
    ASSERT_EQ(records.size(), 62);
    EXPECT_TRUE(records[0].toArray()[48].toString().startsWith(QStringLiteral("ДАТА дд.мм.гггг=")));
    EXPECT_EQ(records[40].toArray()[49].toString(), QStringLiteral("dummy=данные кончились"));
    EXPECT_EQ(records[41].toArray(), QJsonArray({"данные", "в", "файле", "кончились"}));
    EXPECT_EQ(pimctl({"carrier", "read", "--records", f.fileName()}).code, 2);
}

// Memory that holds no archive is never "прочитан": an erased file, a
// zeroed one and noise are refused, saying what they look like; a file
// with some slots erased or damaged keeps its sound records and counts the
// others, out of the grid and the files.
TEST(E2eCarrier, RecordsThatCannotBeRealAreNoData)
{
    const QString dir = QDir::current().filePath(QStringLiteral("носитель"));
    Sim sim;
    ASSERT_TRUE(sim.start(229, 77, {"--clock", "2026-03-10 12:30", "--clock-stopped", "--carrier", dir}))
        << sim.error().toStdString();
    QFile sound(QDir(dir).filePath(QStringLiteral("ARH00077D.229")));
    ASSERT_TRUE(sound.open(QIODevice::ReadOnly));
    const QByteArray good = sound.readAll();
    sound.close();
    ASSERT_EQ(good.size(), 2 + 62 * 160);

    QRandomGenerator random(27);
    QByteArray noise(good.size(), '\0');
    for (char &c : noise)
        c = char(random.bounded(256));
    struct Case {
        const char *what;
        QByteArray content;
        const char *cause;
    };
    const Case refused[] = {
        {"erased", QByteArray(2, '\x05') + QByteArray(good.size() - 2, '\xFF'), "файл стерт"},
        {"zeroed", QByteArray(good.size(), '\0'), "файл пуст"},
        {"noise", noise, "ни одна из 62 записей файла не может быть записью прибора"},
    };
    for (const Case &c : refused) {
        SCOPED_TRACE(c.what);
        const QString name = QStringLiteral("%1/ARH00077D.229").arg(c.what);
        QDir().mkpath(c.what);
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
        f.close();
        CtlRun r = pimctl({"--json", "carrier", "read", name, "--out", "x.Arh", "--csv", "x.csv"});
        EXPECT_EQ(r.code, 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.cause))) << r.err.toStdString();
        EXPECT_EQ(lastLine(r.err),
                  QStringLiteral("файл: ") + name + QStringLiteral(" - нет ни одной записи прибора"));
        EXPECT_FALSE(r.err.contains(QStringLiteral(" - прочитан")));
        EXPECT_FALSE(QFile::exists(QStringLiteral("x.Arh")));
        EXPECT_FALSE(QFile::exists(QStringLiteral("x.csv")));
        // Described all the same, with the count, and not as an archive.
        r = pimctl({"--json", "carrier", "info", name});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(json(r)[QStringLiteral("real_records")].toInt(-1), 0);
    }

    // Slots 3..5 erased, slot 10's date and slot 20's heat damaged, slot
    // 30's hour 173: the erased ones are holes of the ring, the others
    // cannot be records; 6 records left out of 62. (Five erased slots in a row
    // would be the unwritten end of a ring that has not wrapped.)
    QByteArray mixed = good;
    auto at = [](int slot, int offset) { return 2 + slot * 160 + offset; };
    for (int slot = 3; slot <= 5; ++slot)
        mixed.replace(at(slot, 0), 160, QByteArray(160, '\xFF'));
    mixed[at(10, 156)] = '\xFF';
    mixed[at(10, 157)] = '\xFF';
    for (int i = 6; i < 10; ++i)
        mixed[at(20, i)] = '\xFF';
    mixed[at(30, 155)] = char(173);
    const QString name = QStringLiteral("ARH00077D.229");
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(mixed);
    f.close();
    const CtlRun r = pimctl({"--json", "carrier", "read", name, "--out", "m.Arh"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = json(r);
    EXPECT_EQ(o[QStringLiteral("unreal")].toInt(), 2);
    EXPECT_EQ(o[QStringLiteral("rows")].toArray().size(), 62 - 6);
    const QByteArray text = QJsonDocument(o).toJson();
    for (const char *never : {"2179г", "1999г", "nan", "NAN"})
        EXPECT_FALSE(text.contains(never)) << never;
    EXPECT_EQ(QFileInfo(QStringLiteral("m.Arh")).size(), (62 - 6) * 176);
    EXPECT_TRUE(lastLine(r.err).startsWith(QStringLiteral("архив из файла: ") + name
                                           + QStringLiteral(" - прочитан; 2 записей не могут быть записями прибора")))
        << r.err.toStdString();
}

// carrier check: the name's facts, null where a check was not reached.
TEST(E2eCarrier, CheckContract)
{
    CtlRun r = pimctl({"--json", "carrier", "check", "ARH12345D.229"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(json(r), QJsonDocument::fromJson(R"({"error": "", "type": 229, "number": 12345, "kind": "daily",
                                                  "record_length": 160, "expected": 61})")
                           .object());
    r = pimctl({"--json", "carrier", "check", "ARH70000X.227"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(json(r), QJsonDocument::fromJson(R"({"error": "ColDev[ucv.CharToDevType(ch:char)]<0", "type": 227,
                                                  "number": null, "kind": null, "record_length": null,
                                                  "expected": null})")
                           .object());
    EXPECT_EQ(pimctl({"carrier", "check", "A1D.229", "--diff"}).code, 2);
}

// Carrier file names, loading, the description table, the field walk and
// the replay's replies.
#include "base/DataPath.h"
#include "base/Dates.h"
#include "base/TextFile.h"
#include "carrier/ArchiveDescription.h"
#include "carrier/CarrierFile.h"
#include "carrier/CarrierReplay.h"
#include "protocol/Frame.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

using namespace pim;

namespace {

QString writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return QDir::current().filePath(name);
}

QByteArray le16(int v)
{
    return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF);
}

} // namespace

TEST(CarrierName, FactsAndFaults)
{
    struct Case {
        const char *name;
        const char *error;
        int type, number;
        std::optional<CarrierKind> kind;
        int recordLength, expected;
    };
    const std::optional<CarrierKind> D = CarrierKind::Day, H = CarrierKind::Hour, none;
    const Case cases[] = {
        {"ARH12345D.229", "", 229, 12345, D, 160, 61},
        {"c:\\носилка\\x00001H.225", "", 225, 1, H, 43, 1023},
        {"65535H.234", "", 234, 65535, H, 216, 1079},
        {"ARH7D.235", "", 235, 7, D, 216, 365},
        {"ARH00123D.228", "", 228, 123, D, 160, 61},
        {"ARH12345Q.229", "Тип арх не определен:Q", 229, 12345, none, 160, 0},
        // The letter in either case, as the carrier window lists the files.
        {"ARH12345d.229", "", 229, 12345, D, 160, 61},
        {"arh00001h.235", "", 235, 1, H, 216, 1079},
        {"ARH70000H.225", "Сер.№ не определен:70000", 225, -1, H, 43, 1023},
        // Six digits would wrap to a small number in 16 bits: refused whole.
        {"ARH065537H.225", "Сер.№ не определен:065537", 225, -1, H, 43, 1023},
        {"ARHD.229", "Сер.№ не определен:", 229, -1, D, 160, 61},
        {"ARHX.229", "Тип арх не определен:X\rСер.№ не определен:", 229, -1, none, 160, 0},
        {"ARH1D.227", "ColDev[ucv.CharToDevType(ch:char)]<0", 227, -1, none, 0, 0},
        {"ARH1D.238", "ColDev[ucv.CharToDevType(ch:char)]<0", 238, -1, none, 0, 0},
        {"ARH1D", "ColDev[ucv.CharToDevType(ch:char)]<0", 0, -1, none, 0, 0},
        {"ARH1D.231", "DevTypeChar not in ucv.DevTypes", -1, -1, none, 0, 0},
        {"ARH1D.txt", "DevTypeChar not in ucv.DevTypes", -1, -1, none, 0, 0},
        {"ARH1D.-229", "DevTypeChar not in ucv.DevTypes", -1, -1, none, 0, 0},
    };
    const ArchiveDescription table;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CarrierFile f;
        EXPECT_EQ(f.CheckCarrierName(QString::fromUtf8(c.name), table), QString::fromUtf8(c.error));
        EXPECT_EQ(f.typeFound ? f.type : -1, c.type);
        EXPECT_EQ(f.numberFound ? f.number : -1, c.number);
        EXPECT_EQ(f.kindFound ? std::optional<CarrierKind>(f.kind) : none, c.kind);
        EXPECT_EQ(f.lengthFound ? f.recordLength : 0, c.recordLength);
        EXPECT_EQ(f.expectedFound ? f.expected : 0, c.expected);
    }
}

// The table's group of a type is its columns g .. g+3, taken from the file
// in ДАННЫЕ when there is one; an edited table can only refuse, never make
// the load loop or give a record of no bytes.
TEST(CarrierName, DescriptionFile)
{
    setProgramFolder(QDir::currentPath());
    QDir().mkpath(QStringLiteral("ДАННЫЕ"));
    auto tableWith = [](const QStringList &row0) {
        QStringList lines{row0.join(QLatin1Char('\t')) + QLatin1Char('\t')};
        EXPECT_TRUE(writeLines(ArchiveDescription::fileName(), lines));
        return ArchiveDescription::programTable();
    };
    struct Case {
        QStringList row0;
        const char *name, *error;
        int recordLength, expected;
    };
    const QStringList base{"225", "CoAD=127;", "CoAH=1023; ", "Q_ArhivL=49;", "228;229;230;", "CoAD=61;",
                           "CoAH=959;", "Q_ArhivL=166;", "234;235;", "CoAD=365;", "CoAH=1079;", "Q_ArhivL=222;"};
    QStringList edited = base;
    edited[5] = "CoAD=30;";
    edited[7] = "Q_ArhivL=106;";
    QStringList zero = base;
    zero[7] = "Q_ArhivL=6;";
    QStringList noCount = base;
    noCount[10] = "CoAH=много;";
    // Hand-edited numbers no carrier has: more records than a request can
    // address, a reply longer than a frame, a length that would wrap.
    QStringList huge = base;
    huge[5] = "CoAD=2147483647;";
    QStringList long_ = base;
    long_[7] = "Q_ArhivL=300;";
    QStringList wrap = base;
    wrap[7] = "Q_ArhivL=-2147483648;";
    const Case cases[] = {
        {edited, "A1D.229", "", 100, 30},
        {base.mid(0, 11), "A1D.234", "мало столбцов в таблице", 0, 0},
        {base.mid(0, 11), "A1D.229", "", 160, 61},
        {zero, "A1D.229", "arhL<0\r", 0, 61},
        {noCount, "A1H.235", "Кол-во записей в арх не определено:CoAH=много;", 216, 0},
        {huge, "A1D.229", "Кол-во записей в арх не определено:CoAD=2147483647;", 160, 0},
        {long_, "A1D.229", "arhL>255\r", 0, 61},
        {wrap, "A1D.229", "arhL<0\r", 0, 61},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ArchiveDescription t = tableWith(c.row0);
        CarrierFile f;
        EXPECT_EQ(f.CheckCarrierName(QString::fromUtf8(c.name), t), QString::fromUtf8(c.error));
        if (c.recordLength > 0) {
            EXPECT_EQ(f.recordLength, c.recordLength);
        }
        EXPECT_EQ(f.expected, c.expected);
        // Nothing is loaded from a name the table refuses.
        if (!QString::fromUtf8(c.error).isEmpty()) {
            const QString path = writeFile(QString::fromUtf8(c.name), QByteArray(300, '\1'));
            CarrierFile g;
            EXPECT_FALSE(g.LoadCarrierFile(path, t).isEmpty());
            EXPECT_TRUE(g.records.isEmpty());
        }
    }
    QFile::remove(ArchiveDescription::fileName());
    EXPECT_EQ(ArchiveDescription::programTable().cell(0, 11), QStringLiteral("Q_ArhivL=222;"));
    setProgramFolder(QString());
}

TEST(CarrierLoad, RecordsRemainderInfoAndProgress)
{
    // 2 + 3 x 160 + 10 bytes of type 229: three records and a short one.
    QByteArray bytes = le16(0x0102);
    for (int r = 0; r < 3; ++r)
        bytes += QByteArray(160, char(r + 1));
    bytes += QByteArray(10, '\x09');
    const QString path = writeFile(QStringLiteral("ARH12345D.229"), bytes);
    const ArchiveDescription table;
    CarrierFile f;
    QStringList progress;
    ASSERT_EQ(f.LoadCarrierFile(path, table, [&](const QString &t) { progress << t; }), QString());
    EXPECT_EQ(f.pointer, 0x0102);
    ASSERT_EQ(f.records.size(), 4);
    EXPECT_EQ(f.records[2], QByteArray(160, '\3'));
    EXPECT_EQ(f.records[3], QByteArray(10, '\x09'));
    EXPECT_TRUE(progress.isEmpty());
    EXPECT_EQ(f.CarrierInfoLines(),
              (QStringList{"Файл:" + path, "данные из назв ф-ла", "ПИМ=229 № 12345 архив=atDay",
                           "записей в арх д.б.=(от 0)61", "всего байт=492 дл.зап=160 указ=258",
                           "записей в арх =3(от 1)+остаток=10байт"}));
    EXPECT_EQ(f.CarrierInfo(QStringLiteral("\r")), f.CarrierInfoLines().join('\r') + '\r');
    EXPECT_EQ(f.CarrierTitle(), QStringLiteral("\"ПИМ-229\",\"№ 12345\",\"архив=СУТОЧНЫЙ\""));

    // Every ten records a progress text; a file of the pointer alone loads
    // without records.
    const QString longer = writeFile(QStringLiteral("B2H.225"), le16(5) + QByteArray(25 * 43, '\0'));
    ASSERT_EQ(f.LoadCarrierFile(longer, table, [&](const QString &t) { progress << t; }), QString());
    EXPECT_EQ(progress, (QStringList{"чтение записи № 10", "чтение записи № 20"}));
    EXPECT_EQ(f.records.size(), 25);
    const QString bare = writeFile(QStringLiteral("B2H.230"), le16(5));
    ASSERT_EQ(f.LoadCarrierFile(bare, table), QString());
    EXPECT_TRUE(f.records.isEmpty());

    // A missing file is a text, and keeps nothing of the file before.
    EXPECT_FALSE(f.LoadCarrierFile(QDir::current().filePath("nope1D.229"), table).isEmpty());
    EXPECT_FALSE(f.loaded);
}

TEST(CarrierFields, ValuesAndRows)
{
    QByteArray rec;
    rec += char(7);                       // byte
    rec += le16(513);                     // word
    float x = 1.5f;
    rec += QByteArray(reinterpret_cast<const char *>(&x), 4); // single
    rec += le16(2345);                    // word/100
    rec += le16(9);                       // word/10
    rec += le16(1);                       // word/date: 1 January 2000
    rec += le16(32);                      // word/date with a pattern
    const QStringList names{"a", "b", "c", "d", "e", "f", "g", "h"};
    QString err;
    EXPECT_EQ(CMDMakeValues(rec, {"byte", "word", "single", "word/100", "word/10", "word/date=yyyy-mm-dd",
                                  "word/date=dd.mm.yyyy", "word"},
                            names, &err),
              (QStringList{"a=7", "b=513", "c=1.5", "d=23.45", "e=0.9", "f=2000-01-01", "g=01.02.2000",
                           "h=данные кончились"}));
    EXPECT_TRUE(err.isEmpty());
    EXPECT_EQ(CMDMakeValues(rec, {"byte", "dword", "byte"}, names, &err), QStringList{"a=7"});
    EXPECT_EQ(err, QStringLiteral("TCustomCMD.CMDMakeValues: не опознаный формат: dword"));

    // The built-in 229 fields fill a record of 160 bytes exactly; rows run
    // over every record number the type's archive has.
    const ArchiveDescription table;
    EXPECT_EQ(table.formats(4).size(), 50);
    EXPECT_EQ(table.formats(0).size(), 16);
    CarrierFile f;
    f.CheckCarrierName(QStringLiteral("A1D.229"), table);
    QByteArray r(160, '\0');
    r[156] = 1;
    for (int i = 0; i < 63; ++i)
        f.records << r;
    QList<QStringList> rows = f.recordRows(table);
    ASSERT_EQ(rows.size(), 63);
    EXPECT_EQ(rows[0].value(48), QStringLiteral("ДАТА дд.мм.гггг=") + shortDateText(QDate(2000, 1, 1)));
    EXPECT_EQ(rows[0].value(49), QStringLiteral("dummy=0"));
    EXPECT_EQ(rows[62], (QStringList{"данныx", "в", "файле", "больше", "чем ", "нужно"}));
    f.records.resize(2);
    rows = f.recordRows(table);
    ASSERT_EQ(rows.size(), 62);
    EXPECT_EQ(rows[2], (QStringList{"данные", "в", "файле", "кончились"}));
}

TEST(CarrierReplay, Replies)
{
    const ArchiveDescription table;
    auto fileOf = [&](const char *name, int pointer, int records) {
        CarrierFile f;
        EXPECT_EQ(f.CheckCarrierName(QString::fromUtf8(name), table), QString());
        f.pointer = pointer;
        for (int i = 0; i < records; ++i)
            f.records << QByteArray(f.recordLength, char(i + 1));
        return f;
    };
    const Identity id{229, 12345};
    // The current numbers: pointer 0x0102 as the hourly word, the daily
    // byte and the period of 60 minutes (229); the daily word (234); the
    // 225's nine bytes. Each a sound reply.
    struct Numbers {
        const char *name;
        int type;
        const char *hex;
    };
    const Numbers numbers[] = {
        {"A12345D.229", 229, "0A E5 39 30 15 02 01 02 3C"},
        {"A12345D.228", 228, "0A E4 39 30 15 02 01 02 3C"},
        {"A12345H.225", 225, "09 E1 39 30 15 02 01 02"},
        {"A12345D.234", 234, "0B EA 39 30 15 02 01 02 01 3C"},
        {"A12345H.235", 235, "0B EB 39 30 15 02 01 02 01 3C"},
    };
    for (const Numbers &n : numbers) {
        SCOPED_TRACE(n.name);
        const CarrierFile f = fileOf(n.name, 0x0102, 0);
        const Tab r = CarrierReplay::reply(f, SQ(Identity{n.type, 12345}, Q_ArhNo));
        Tab want = Tab::fromHex(QString::fromLatin1(n.hex));
        want.append(CalcCS(want));
        EXPECT_EQ(r, want);
        EXPECT_EQ(TestAnswer(r, r.size(), Q_ArhNo, Identity{n.type, 12345}), QString());
    }

    const CarrierFile f = fileOf("A12345D.229", 3, 3);
    // Record 2 asked with the daily bit: header, the record, a checksum.
    Tab r = CarrierReplay::reply(f, SQ(id, Q_Arhiv, Tab{2, 0x80}));
    ASSERT_EQ(r.size(), 166);
    EXPECT_EQ(r.mid(0, 5), (Tab{166, 229, 0x39, 0x30, 3}));
    EXPECT_EQ(r.mid(5, 160).bytes(), QByteArray(160, '\3'));
    EXPECT_TRUE(TestCS(r));
    // Past the file: the header and checksum alone, still saying 166.
    r = CarrierReplay::reply(f, SQ(id, Q_Arhiv, Tab{3, 0}));
    EXPECT_EQ(r.size(), 6);
    EXPECT_EQ(r.at(0), 166);
    EXPECT_TRUE(TestCS(r));
    // Begin and end of the read: the bare header; anything else comes back.
    for (int code : {int(Q_ArhBegin), int(Q_ArhEnd)}) {
        r = CarrierReplay::reply(f, SQ(id, code));
        EXPECT_EQ(r.mid(0, 5), (Tab{6, 229, 0x39, 0x30, code}));
        EXPECT_TRUE(TestCS(r));
    }
    const Tab state = SQ(id, Q_State);
    EXPECT_EQ(CarrierReplay::reply(f, state), state);
}

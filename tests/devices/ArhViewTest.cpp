// Grid headers, column maps and archive-file record images.

#include "devices/ArhCodec.h"
#include "devices/support/ArhFixture.h"

#include <QRandomGenerator>

#include <climits>

using namespace pim;
using namespace pim::test;

namespace {

class ArhView : public ArhTestBase {};
class ArhFile : public ArhTestBase {};

const int kDay = 8771; // 5 January 2024

} // namespace

TEST_F(ArhView, HeaderRowsAndColumnMaps)
{
    struct Case {
        ModuleId id;
        int n;
        QString pressure1, pressure2;
        int compactDaily, compactHourly;
    };
    const Case cases[] = {
        {ModuleId::U28, 28, "  1-й, бар", "   2-й, бар", 15, 16},
        {ModuleId::U29, 28, "  1-й, бар", "   2-й, бар", 15, 16},
        {ModuleId::U34, 28, "  1-й, МПа", "   2-й, МПа", 15, 16},
        {ModuleId::U38, 28, "  1-й, МПа", "   2-й, МПа", 15, 16},
        {ModuleId::U25, 17, {}, {}, 15, 16},
        {ModuleId::U27, 15, {}, {}, 14, 15},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.n);
        auto codec = makeArhCodec(c.id);
        EXPECT_EQ(codec->columnCount(), c.n);
        EXPECT_EQ(codec->headerRow(1).size(), c.n);
        EXPECT_EQ(codec->headerRow(2).size(), c.n);
        EXPECT_EQ(codec->columnMap(ArhDaily).size(), c.n);
        EXPECT_EQ(codec->columnMap(ArhHourlyDiff).size(), c.n);
        EXPECT_EQ(codec->compactColumns(ArhDailyDiff).size(), c.compactDaily);
        EXPECT_EQ(codec->compactColumns(ArhHourly).size(), c.compactHourly);
        EXPECT_EQ(codec->columnMap(ArhDaily)[1], -2);
        EXPECT_EQ(codec->columnMap(ArhHourly)[1], 2);
        if (c.n == 28) {
            EXPECT_EQ(codec->headerRow(2)[9], c.pressure1);
            EXPECT_EQ(codec->headerRow(2)[10], c.pressure2);
            EXPECT_EQ(codec->columnMap(ArhDaily),
                      QList<int>({1, -2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 22, 14, 15,
                                  -16, -17, -18, -19, -20, -21, -23, -24, -25, -26, -27, -28}));
        }
    }

    auto u38 = makeArhCodec(ModuleId::U38);
    const QStringList rows = u38->ArhRows({}, 0);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0],
              "ДАТА\tВремя\tТЕПЛО\tобъем\tобъем\tобъем\tt°С \tt°С\tt°С\tДавление\tДавление\tОшибка\tОшибка\t"
              "наработка\tнаработка\tдень\tОт пер\tОт пер\tОт пер\tОт пер\tОт пер\tс ошибкой\tОш малого\t"
              "Ош большого\tОш дельты\tЭнергия\tЭнергия\tЭнергия\t");
    EXPECT_EQ(rows[1],
              "дд.мм.гггг\t\t Гкал\t   1-й м3\t   2-й м3\t   3-й м3\tподача\tобратка\tдоп.\t  1-й, МПа\t   2-й, МПа\t"
              "системы\tуст-ва\tчас\t с ош. час\tот 1.1.00\tраб\tтепло\tрасх 1\tрасх 2\tрасх 3\tчч:мм\tрасх\tрасх\t"
              "t°С\tмалого\tбольшого\tdt°С\t");

    auto u25 = makeArhCodec(ModuleId::U25);
    EXPECT_EQ(u25->ArhRows({}, 0).mid(0, 2),
              QStringList({"ДАТА\tВремя\tТЕПЛО\tобъем\tобъем\tобъем\tобъем\tt°С\tt°С\tt°С \tЭл.энергия\t"
                           "Эл.энергия\tОшибка\tнаработка\tнаработка\tПериод с ош.\tдень\t",
                           "дд.мм.гггг\tчас\t Гкал\t1-й, м3\t2-й, м3\t3-й м3\t>уст t°С\tподача\tобратка\tГВС\t"
                           "тариф 1\tтариф 2\tкод\tчас\t с ош. час\tмин/час(час/сут)\tот 1.1.00\t"}));
    auto u27 = makeArhCodec(ModuleId::U27);
    EXPECT_EQ(u27->ArhRows({}, 0).mid(0, 2),
              QStringList({"ДАТА\tВремя\tТЕПЛО\tобъем\tобъем\tобъем\tобъем\tt°С\tt°С\tt°С \tнаработка\t"
                           "Ошибка\tнаработка\tПериод с ош.\tдень\t",
                           "дд.мм.гггг\tчас\t Гкал\t1д,м3\t2д,м3\tГВС м3\t3д м3\tподача\tобратка\tГВС\tчас\t"
                           "код\t с ош. час\tмин/час(час/сут)\tот 1.1.00\t"}));
}

TEST_F(ArhView, RealsFollowTheDisplayPrecision)
{
    auto codec = makeArhCodec(ModuleId::U29);
    ArhRec r = codec->emptyRecord();
    ArhImage m(176, 2);
    m.f64(0, 8, 123.456789).i32(0, 172, kDay);
    r.setHalf(0, m.half(0));
    EXPECT_EQ(codec->ArhDateCell(r, 0)[2], "123.46");
    ValueFormat format;
    format.setPrecision(4);
    codec->setValueFormat(&format);
    EXPECT_EQ(codec->ArhDateCell(r, 0)[2], "123.4568");
}

TEST_F(ArhFile, DifferenceTabOfSystem2SavedAndReadBack)
{
    auto codec = makeArhCodec(ModuleId::U38);
    QList<ArhRec> read;
    for (int i = 0; i < 3; ++i) {
        ArhImage m(232, 2);
        m.f64(0, 8, 100 - 10 * i).f64(1, 8, 50 - 5 * i).f64(1, 16, 30 - i).f64(1, 128, 60);
        m.i32(0, 228, kDay - i).i32(1, 228, kDay - i).i32(0, 224, 7).i32(1, 224, 7);
        ArhRec r(232, 2);
        r.setHalf(0, m.half(0));
        r.setHalf(1, m.half(1));
        read.append(r);
    }
    codec->BuildArh(read, ArhHourlyDiff, QDate(2024, 1, 1), QDate(2024, 1, 31));
    const QByteArray file = codec->ArhToFile(1);
    ASSERT_EQ(file.size(), 3 * 232);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(file.mid(i * 232, 232), codec->displayed()[i].half(1));
    const QStringList shown = codec->viewRows(ArhHourlyDiff, 1);

    // Another run reads the file: system 1 rows, hourly map, totals last.
    auto other = makeArhCodec(ModuleId::U38);
    const ArhFileView v = other->ArhFromFile(file);
    EXPECT_EQ(v.records, 3);
    EXPECT_EQ(v.columns, other->columnMap(ArhHourly));
    EXPECT_EQ(v.columns[1], 2);
    EXPECT_EQ(v.rows, shown);
    EXPECT_TRUE(v.rows.last().startsWith("ИТОГО(2):\t2\t10.00\t2.00\t"));
    EXPECT_EQ(other->displayed().size(), 3);
    EXPECT_EQ(other->displayed()[0].half(0), file.left(232));
    EXPECT_EQ(other->displayed()[0].half(1), QByteArray(232, '\0'));
}

TEST_F(ArhFile, RecordImagesRoundTripByteExact)
{
    struct Case {
        ModuleId id;
        int half;
    };
    const Case cases[] = {{ModuleId::U25, 96}, {ModuleId::U27, 80}, {ModuleId::U28, 176},
                          {ModuleId::U29, 176}, {ModuleId::U34, 232}, {ModuleId::U38, 232}};
    QRandomGenerator rng(17);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.half);
        auto codec = makeArhCodec(c.id);
        EXPECT_EQ(codec->halfSize(), c.half);
        // Any bytes at all, padding included, come back as they were.
        QByteArray image(4 * c.half, '\0');
        for (char &b : image)
            b = char(rng.bounded(256));
        const ArhFileView v = codec->ArhFromFile(image);
        EXPECT_EQ(v.records, 4);
        EXPECT_EQ(codec->ArhToFile(0), image);
        EXPECT_EQ(codec->emptyRecord().bytes(), QByteArray(codec->recordSize(), '\0'));

        // A tail shorter than a record is left out; 1760 bytes hold ten
        // 176-byte records or seven 232-byte ones.
        const QByteArray odd(1760, '\0');
        EXPECT_EQ(codec->ArhFromFile(odd).records, 1760 / c.half);
        EXPECT_EQ(codec->ArhFromFile(QByteArray()).rows.size(), 3);
    }
}

TEST_F(ArhFile, DecodedRecordImageIsTheFileRecord)
{
    // Type 229 reply with heat 12.5 and day 8771 in system 2: the file
    // record of system 2 carries them at offsets 8 and 172.
    m_dev = Identity{229, 0x1234};
    ArhFrame f(166, 229, 0x1234);
    f.f32(15, 12.5f).u16(161, kDay).u8(160, 5);
    auto codec = makeArhCodec(ModuleId::U29);
    ArhRec rec;
    ASSERT_EQ(codec->DecArh(f.tab(), rec, m_dev), QString());
    codec->displayed() = {rec};
    ArhImage expected(176);
    expected.f64(0, 8, 12.5).i32(0, 168, 5).i32(0, 172, kDay);
    EXPECT_EQ(codec->ArhToFile(1), expected.bytes());
}

TEST_F(ArhFile, DaysWithoutCalendarDateGiveEmptyDateCells)
{
    auto codec = makeArhCodec(ModuleId::U27);
    ArhImage a(80), b(80), c(80);
    a.i32(0, 72, INT_MAX);
    b.i32(0, 72, 65535);
    c.i32(0, 72, INT_MIN); // negative: read back as a totals record
    const ArhFileView v = codec->ArhFromFile(a.bytes() + b.bytes() + c.bytes());
    ASSERT_EQ(v.rows.size(), 5);
    EXPECT_TRUE(v.rows[2].startsWith("\t0\t0.00\t"));
    EXPECT_TRUE(v.rows[2].endsWith(QString::number(INT_MAX) + "\t"));
    EXPECT_TRUE(v.rows[3].startsWith("05 июня 2179г.\t"));
    EXPECT_TRUE(v.rows[4].startsWith("ИТОГО(0):\t0\t"));
}

// Layouts on the recording canvas: whole reports against golden files, the
// column stops, page breaks with the frame and the repeated column header,
// the line interval, the record order, the totals block and the empty
// archive.

#include "ReportFixtures.h"

#include "base/DataPath.h"
#include "base/FormatSettings.h"
#include "base/TextFile.h"
#include "reports/ArchiveReport.h"
#include "reports/FillVars.h"
#include "reports/ReportLayout.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

using namespace pim;
using namespace reporttest;

namespace {

class ReportLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FormatSettings fs = FormatSettings::russian();
        fs.decimalSeparator = QLatin1Char('.');
        setFormatSettings(fs);
    }
    DeviceSession session;
};

// The recorded pages as text: one line per text or frame.
QStringList layoutLines(const RecordingCanvas &rec)
{
    QStringList out;
    int page = 0;
    for (const RecordingCanvas::Page &p : rec.pages()) {
        ++page;
        for (const RecordingCanvas::Frame &f : p.frames)
            out << QStringLiteral("%1 frame %2 %3 %4 %5").arg(page).arg(f.left).arg(f.top).arg(f.right).arg(f.bottom);
        for (const RecordingCanvas::Item &i : p.items)
            out << QStringLiteral("%1 %2 %3 %4").arg(page).arg(i.x).arg(i.y).arg(i.text);
    }
    return out;
}

// Compares with golden/<name>.txt; PIM_GOLDEN_UPDATE=1 rewrites it.
void expectGolden(const QString &name, const QStringList &lines)
{
    const QString path = QDir(QStringLiteral(PIM_REPORT_GOLDEN_DIR)).filePath(name + QStringLiteral(".txt"));
    if (qEnvironmentVariable("PIM_GOLDEN_UPDATE") == QLatin1String("1")) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        return;
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    const QStringList golden = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.join(QLatin1Char('\n')).toStdString(), golden.join(QLatin1Char('\n')).toStdString()) << name.toStdString();
}

// A set that uses the variables of the full list.
PrintForms twoSystemForms()
{
    PrintForms f;
    f.vars = defaultVarList(VarList::Full);
    f.header.lines = {QStringLiteral("@00 № @01   система @03"), QStringLiteral("@05 @04"), QString()};
    f.data.lines = {
        QStringLiteral("0>  20>  45>  70>  95>  120>"),
        QStringLiteral("дата тепло V1 t1 t2 ошибка"),
        QStringLiteral("^"),
        QStringLiteral("@06  @07  @08  @12  @13  @20"),
        QStringLiteral("{^"),
        QStringLiteral("{0>  20>  45>  70>  95>  120>  999>"),
        QStringLiteral("{@21 @07 @08 @37 @38 @22 @06"),
    };
    f.footer.lines = {QStringLiteral("\tдата отчета @02"), QStringLiteral("разность средних @40")};
    return f;
}

ReportSource sourceOf(int type, int kind, int system)
{
    ReportSource s;
    s.type = type;
    s.tabIndex = tabOf(type, kind, system);
    s.begin = QDate(2026, 10, 31);
    s.end = QDate(2026, 11, 4);
    s.today = QDate(2026, 11, 30);
    s.number = 12;
    return s;
}

QStringList render(DeviceSession &session, const PrintForms &forms, const ReportSource &src,
                   const PageSettings &page = PageSettings(), double height = 297, int *pages = nullptr)
{
    RecordingCanvas rec(nullptr, 210, height);
    const ArchiveReport::Drawn d = ArchiveReport::render(rec, forms, page, session, src);
    if (pages)
        *pages = d.pages;
    return layoutLines(rec);
}

// Texts of a recorded layout whose line starts with `prefix` after the page.
QStringList textsAt(const QStringList &lines, const QString &x)
{
    QStringList out;
    for (const QString &l : lines) {
        const QStringList p = l.split(QLatin1Char(' '));
        if (p.size() >= 4 && p[1] == x)
            out << p.mid(3).join(QLatin1Char(' '));
    }
    return out;
}

} // namespace

TEST(ReportTabs, ColumnStops)
{
    struct Case {
        const char *line;
        double right;
        QList<int> stops;
    } cases[] = {
        {"0>              15>              28>", 5, {0, 15, 28}},
        {"{0>15>x", 5, {0, 15}},
        {"0> 999> 255> 254>", 5, {0, 189, 189, 254}},
        {"0> 999>", 4.6, {0, 189}},
        {"-3> abc> 1 2> >", 5, {0, 0, 12, 0}},
        {"999>", 200, {0}},
        {"no stop", 5, {}},
    };
    for (const Case &k : cases)
        EXPECT_EQ(parseTabs(QString::fromUtf8(k.line), k.right), k.stops) << k.line;
}

// Whole reports: a two-system type's daily cumulative report (rows in
// reverse table order) and its second system's hourly differences with the
// totals (the totals record's date, @37), and type 225 with the built-in
// template and its own list, both kinds.
TEST_F(ReportLayoutTest, GoldenLayouts)
{
    struct Case {
        const char *name;
        int type;
        int kind;
        int system;
    } cases[] = {
        {"238-daily", 238, ArhDaily, 1},
        {"238-hourly-diff-system2", 238, ArhHourlyDiff, 2},
        {"225-daily", 225, ArhDaily, 1},
        {"225-hourly-diff", 225, ArhHourlyDiff, 1},
    };
    for (const Case &k : cases) {
        ArhCodec &c = *session.moduleFor(k.type)->arh();
        showSeries(c, k.kind, 5);
        PrintForms forms;
        if (k.type == 225)
            forms.vars = defaultVarList(VarList::U25);
        else
            forms = twoSystemForms();
        expectGolden(QString::fromUtf8(k.name), render(session, forms, sourceOf(k.type, k.kind, k.system)));
    }
}

// Rows that end exactly on the bottom edge fit; one more row is printed and
// then breaks the page. The continuation page has its frame, starts at line
// 2 and repeats the column header; every column line is followed by the
// line interval.
TEST_F(ReportLayoutTest, PageBreakFrameAndInterval)
{
    ArhCodec &c = *session.moduleFor(228)->arh();
    PrintForms forms;
    forms.vars = defaultVarList(VarList::Short);
    forms.header.lines = {QStringLiteral("шапка")};
    forms.data.lines = {QStringLiteral("0> 30>"), QStringLiteral("дата тепло"), QStringLiteral("@06 @07")};
    forms.footer.lines = {};
    PageSettings page;
    page.interval = 3;
    const ReportSource src = sourceOf(228, ArhDaily, 1);

    showSeries(c, ArhDaily, 1);
    const QStringList dry = render(session, forms, src, page);
    const QStringList rowY = QStringList(dry.filter(QStringLiteral(" 31/10")).first().split(QLatin1Char(' ')).mid(2, 1));
    const double first = rowY.first().toDouble();
    const double step = 4 + 3; // an 8-point line and the interval
    // Four rows end at first + 4 × step: the page is that long.
    const double height = first + 4 * step + page.bottom;

    int pages = 0;
    showSeries(c, ArhDaily, 4);
    render(session, forms, src, page, height, &pages);
    EXPECT_EQ(pages, 1);

    showSeries(c, ArhDaily, 5);
    const QStringList lines = render(session, forms, src, page, height, &pages);
    EXPECT_EQ(pages, 2);
    const QStringList second = lines.filter(QRegularExpression(QStringLiteral("^2 ")));
    ASSERT_EQ(second.size(), 3) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(second[0], QStringLiteral("2 frame 15 5 205 %1").arg(height - 5));
    // Line 2 of the page in the data font, then the header words.
    EXPECT_EQ(second[1], QStringLiteral("2 15 8 дата"));
    EXPECT_EQ(second[2], QStringLiteral("2 45 8 тепло"));
    // The fifth row is the last one on page 1 (rows go 31/10 .. 04/11).
    EXPECT_EQ(lines.filter(QStringLiteral(" 04/11")).first().left(2), QStringLiteral("1 "));
    // Column lines step by line + interval.
    const QStringList dates = textsAt(lines, QStringLiteral("15"));
    EXPECT_TRUE(dates.contains(QStringLiteral("31/10")));
}

// Rows in table order for 228 and reversed for 229; a cumulative archive
// prints no totals block; a differential one prints it after the rows.
TEST_F(ReportLayoutTest, RecordOrderAndTotalsByKind)
{
    PrintForms forms = twoSystemForms();
    forms.header.lines.clear();
    forms.footer.lines.clear();
    for (int type : {228, 229}) {
        ArhCodec &c = *session.moduleFor(type)->arh();
        forms.vars = defaultVarList(type == 228 ? VarList::Short : VarList::Full);
        forms.vars[6] = QStringLiteral("06.dd\".\"mm~");
        for (int kind : {ArhDaily, ArhDailyDiff}) {
            showSeries(c, kind, 3);
            const QStringList words = textsAt(render(session, forms, sourceOf(type, kind, 1)), QStringLiteral("15"));
            QStringList expected = {QStringLiteral("дата")};
            // The table is newest first; differences start from the second day.
            QStringList days = kind == ArhDaily ? QStringList{QStringLiteral("02.11"), QStringLiteral("01.11"), QStringLiteral("31.10")}
                                                : QStringList{QStringLiteral("02.11"), QStringLiteral("01.11")};
            if (type == 229)
                std::reverse(days.begin(), days.end());
            expected += days;
            if (kind == ArhDailyDiff)
                expected << (type == 228 ? QStringLiteral("итого:") : QStringLiteral("Итого:"));
            EXPECT_EQ(words, expected) << type << " kind " << kind;
        }
    }
}

// An empty archive: header, column header and the footer filled from the
// empty record, no totals row. Nothing of one report's row template or
// stops reaches the next.
TEST_F(ReportLayoutTest, EmptyArchiveAndNothingCarriedOver)
{
    ArhCodec &c = *session.moduleFor(238)->arh();
    PrintForms forms = twoSystemForms();
    c.BuildArh(QList<ArhRec>{}, ArhDailyDiff, QDate(), QDate(), true);
    const QStringList lines = render(session, forms, sourceOf(238, ArhDailyDiff, 1));
    EXPECT_EQ(lines.filter(QStringLiteral("Итого:")), QStringList());
    EXPECT_EQ(textsAt(lines, QStringLiteral("15")),
              QStringList({QStringLiteral("ПИМ-238 № 12   система 1"),
                           QStringLiteral("Архив суточный разностный от 31.10.2026 до 04.11.2026"), QStringLiteral("дата"),
                           QStringLiteral("разность средних        0.0")}));

    showSeries(c, ArhDaily, 2);
    EXPECT_EQ(render(session, forms, sourceOf(238, ArhDaily, 1)).filter(QStringLiteral("31.10.26")).size(), 1);
    forms.data.lines = {QStringLiteral("без столбцов и шаблона")};
    const QStringList next = render(session, forms, sourceOf(238, ArhDaily, 1));
    EXPECT_EQ(next.filter(QStringLiteral("31.10.26")), QStringList());
    EXPECT_EQ(next.filter(QStringLiteral("без")), QStringList());
}

namespace {

using Line = QList<RecordingCanvas::Item>;

// The texts of each page grouped by line (their base line), in x order.
QList<Line> linesOf(const RecordingCanvas &rec)
{
    QList<Line> out;
    for (const RecordingCanvas::Page &p : rec.pages()) {
        QMap<double, Line> byY;
        for (const RecordingCanvas::Item &i : p.items)
            byY[i.y] << i;
        for (Line l : byY) {
            std::sort(l.begin(), l.end(), [](const auto &a, const auto &b) { return a.x < b.x; });
            out << l;
        }
    }
    return out;
}

const RecordingCanvas::Item *itemAt(const Line &line, double x)
{
    for (const RecordingCanvas::Item &i : line)
        if (std::fabs(i.x - x) < 1e-6)
            return &i;
    return nullptr;
}

const RecordingCanvas::Item *itemNamed(const Line &line, const QString &text)
{
    for (const RecordingCanvas::Item &i : line)
        if (i.text == text)
            return &i;
    return nullptr;
}

} // namespace

// Every type with archives, every tab (daily and hourly, cumulative and
// differential, each system) and an archive read from a file: with no
// template files the type's built-in set puts the date under "ДАТА", the
// heat under "ТЕПЛО", each temperature under its word, the hour on an
// hourly row and the totals under the same words; every value stands under
// a word of the column header, and no two texts of a line overlap.
TEST_F(ReportLayoutTest, BuiltInSetsPutEveryValueUnderItsWord)
{
    struct Tokens {
        int date, heat, supply, ret, add, hour, word;
    };
    auto tokensOf = [](VarList l) {
        if (l == VarList::U25)
            return Tokens{5, 6, 12, 13, 14, 18, 21};
        if (l == VarList::U27)
            return Tokens{5, 6, 12, 13, 14, 16, 19};
        return Tokens{6, 7, 12, 13, 14, 18, 21};
    };
    QTemporaryDir noFiles;
    for (int type : {225, 227, 228, 229, 230, 234, 235, 236, 237, 238, 239}) {
        const TypeInfo &info = *typeInfo(type);
        ArhCodec &c = *session.moduleFor(type)->arh();
        const Tokens t = tokensOf(varListOf(info));
        for (int tab = 0; tab < info.arhTabs.size(); ++tab) {
            const ArhTab &at = info.arhTabs[tab];
            for (bool fromFile : {false, true}) {
                if (fromFile && (at.kind != ArhDailyDiff || at.system != 1))
                    continue;
                const std::string what = std::to_string(type) + " tab " + std::to_string(tab) + (fromFile ? " file" : "");
                showSeries(c, at.kind, 4);
                PrintForms forms;
                ASSERT_TRUE(forms.load(noFiles.path(), type, at.kind));
                ReportSource src = sourceOf(type, at.kind, at.system);
                src.fromFile = fromFile;
                src.filePath = QStringLiteral("/архивы/238_12.Arh");
                RecordingCanvas rec;
                ArchiveReport::render(rec, forms, PageSettings(), session, src);
                const QList<Line> lines = linesOf(rec);

                for (const Line &l : lines)
                    for (qsizetype i = 1; i < l.size(); ++i)
                        EXPECT_LE(l[i - 1].x + l[i - 1].width, l[i].x + 1e-6)
                            << what << ": \"" << l[i - 1].text.toStdString() << "\" runs into \""
                            << l[i].text.toStdString() << '"';

                // The column header: the group words, then the words of each column.
                qsizetype h = 0;
                while (h < lines.size() && !itemNamed(lines[h], QStringLiteral("ДАТА")))
                    ++h;
                ASSERT_LT(h + 1, lines.size()) << what;
                const Line &groups = lines[h];
                const Line &words = lines[h + 1];
                const RecordingCanvas::Item *heatWord = itemNamed(groups, QStringLiteral("ТЕПЛО"));
                const RecordingCanvas::Item *supplyWord = itemNamed(words, QStringLiteral("подача"));
                const RecordingCanvas::Item *returnWord = itemNamed(words, QStringLiteral("обратка"));
                ASSERT_TRUE(heatWord && supplyWord && returnWord) << what;
                const double xDate = itemNamed(groups, QStringLiteral("ДАТА"))->x;
                const qsizetype addAt = returnWord - words.constData() + 1;
                ASSERT_LT(addAt, words.size()) << what;
                const double xAdd = words[addAt].x;
                EXPECT_TRUE(QStringList({QStringLiteral("доп."), QStringLiteral("ГВС")}).contains(words[addAt].text))
                    << what;
                const RecordingCanvas::Item *hourWord = itemNamed(words, QStringLiteral("час"));

                const QList<ArhRec> table = c.displayed();
                QList<ArhRec> rows;
                const int half = fromFile ? 0 : at.system - 1;
                for (const ArhRec &r : table)
                    if (c.day(r, half) >= 0)
                        rows << r;
                if (ArchiveReport::reverseOrder(info))
                    std::reverse(rows.begin(), rows.end());
                if (arhKindIsDiff(at.kind))
                    rows << table.last(); // the totals row
                ASSERT_FALSE(rows.isEmpty()) << what;

                const VarFiller v(c, forms.vars, FillContext());
                auto value = [&](int nn, const ArhRec &r) {
                    return v.fill(QStringLiteral("@%1").arg(nn, 2, 10, QLatin1Char('0')), r, half);
                };
                qsizetype k = h + 2;
                for (qsizetype n = 0; n < rows.size(); ++n, ++k) {
                    while (k < lines.size() && !itemAt(lines[k], xDate))
                        ++k;
                    ASSERT_LT(k, lines.size()) << what << " row " << n;
                    const Line &row = lines[k];
                    const ArhRec &r = rows[n];
                    const bool totals = arhKindIsDiff(at.kind) && n == rows.size() - 1;
                    const QString date = itemAt(row, xDate)->text;
                    if (totals) {
                        EXPECT_EQ(date, value(t.word, r)) << what;
                    } else if (arhKindIsDaily(at.kind)) {
                        EXPECT_EQ(date, value(t.date, r)) << what;
                    } else if (hourWord) {
                        EXPECT_EQ(date, value(t.date, r)) << what;
                        ASSERT_TRUE(itemAt(row, hourWord->x)) << what;
                        EXPECT_EQ(itemAt(row, hourWord->x)->text, value(t.hour, r)) << what;
                    } else {
                        EXPECT_EQ(date, value(t.date, r) + value(t.hour, r)) << what;
                    }
                    const struct {
                        double x;
                        int nn;
                    } cells[] = {{heatWord->x, t.heat}, {supplyWord->x, t.supply}, {returnWord->x, t.ret}, {xAdd, t.add}};
                    for (const auto &cell : cells) {
                        const RecordingCanvas::Item *i = itemAt(row, cell.x);
                        ASSERT_TRUE(i) << what << " row " << n << " @" << cell.nn;
                        EXPECT_EQ(i->text, value(cell.nn, r).trimmed()) << what << " row " << n;
                    }
                    for (const RecordingCanvas::Item &i : row)
                        EXPECT_TRUE(itemAt(words, i.x)) << what << ": \"" << i.text.toStdString() << "\" under no word";
                }
            }
        }
    }
}

// A word wider than its column is never drawn over the next one: the next
// word moves to a blank after it, on that line only; a word that fits
// stays at its stop even with little room to spare.
TEST_F(ReportLayoutTest, WideWordPushesTheNextOne)
{
    showSeries(*session.moduleFor(238)->arh(), ArhDaily, 1);
    PrintForms forms;
    forms.vars = defaultVarList(VarList::Full);
    forms.header.lines.clear();
    forms.footer.lines.clear();
    forms.data.lines = {QStringLiteral("0> 5> 10> 30> 32>"), QStringLiteral("длинноеслово а б в г"),
                        QStringLiteral("а б в г д")};
    RecordingCanvas rec;
    ArchiveReport::render(rec, forms, PageSettings(), session, sourceOf(238, ArhDaily, 1));
    QList<QPair<double, QString>> placed;
    for (const RecordingCanvas::Item &i : rec.pages().first().items)
        placed << qMakePair(i.x, i.text);
    // 8-point words of the fixed model: 1.6 mm a character, a blank too.
    const QList<QPair<double, QString>> expected = {
        {15, QStringLiteral("длинноеслово")}, {15 + 19.2 + 1.6, QStringLiteral("а")},
        {15 + 19.2 + 1.6 + 1.6 + 1.6, QStringLiteral("б")}, {45, QStringLiteral("в")}, {47, QStringLiteral("г")},
        {15, QStringLiteral("а")}, {20, QStringLiteral("б")}, {25, QStringLiteral("в")}, {45, QStringLiteral("г")},
        {47, QStringLiteral("д")}};
    ASSERT_EQ(placed.size(), expected.size());
    for (qsizetype i = 0; i < placed.size(); ++i) {
        EXPECT_NEAR(placed[i].first, expected[i].first, 1e-9) << i;
        EXPECT_EQ(placed[i].second, expected[i].second) << i;
    }
}

// The plot beside the archive grid draws what the grid shows: every plotted
// series of every archive family against its own grid column, in each view,
// for each system half; and a file just loaded is plotted as a file.

#include "devices/ArhCodec.h"
#include "devices/DeviceModule.h"
#include "workflows/ArchivePlot.h"

#include <QMap>

#include <gtest/gtest.h>

#include <cmath>

using namespace pim;

namespace {

using F = ArhField;

// The grid cell (1-based) that shows each field the plot may draw.
const QMap<F, int> kTwoSystemCells{{F::Heat, 3}, {F::Vol1, 4}, {F::Vol2, 5}, {F::Vol3, 6},
                                   {F::TSupply, 7}, {F::TReturn, 8}, {F::TAdd, 9}};
const QMap<F, int> kU25Cells{{F::Heat, 3}, {F::Vol1, 4}, {F::Vol2, 5}, {F::Vol3, 6},
                             {F::TSupply, 8}, {F::TReturn, 9}, {F::TAdd, 10}};
const QMap<F, int> kU27Cells{{F::Heat, 3}, {F::Vol1, 4}, {F::Vol2, 5}, {F::VolHot, 6}, {F::Vol3, 7},
                             {F::TSupply, 8}, {F::TReturn, 9}, {F::TAdd, 10}};

struct Family {
    ModuleId id;
    const char *name;
    const QMap<F, int> *cells;
    bool hundredths; // temperatures kept in hundredths of a degree
};

const Family kFamilies[] = {
    {ModuleId::U25, "U25", &kU25Cells, true},   {ModuleId::U27, "U27", &kU27Cells, true},
    {ModuleId::U28, "U28", &kTwoSystemCells, false}, {ModuleId::U29, "U29", &kTwoSystemCells, false},
    {ModuleId::U34, "U34", &kTwoSystemCells, false}, {ModuleId::U38, "U38", &kTwoSystemCells, false},
};

const int kDay = 9650; // in 2026

// Four records, newest first as a read leaves them: counters that grow,
// temperatures with hundredths, each half different.
void fill(ArhCodec &codec, int kind, bool hundredths)
{
    QList<ArhRec> &read = codec.readRecords(kind);
    read.clear();
    const bool daily = arhKindIsDaily(kind);
    for (int i = 3; i >= 0; --i) {
        ArhRec r = codec.emptyRecord();
        for (int s = 0; s < codec.halves(); ++s) {
            codec.setValue(r, s, F::Date, daily ? kDay + i : kDay);
            codec.setValue(r, s, F::Hour, daily ? 0 : 10 + i);
            codec.setValue(r, s, F::Heat, 100 + 10.25 * i + s);
            const F volumes[] = {F::Vol1, F::Vol2, F::Vol3, F::VolHot};
            for (int k = 0; k < 4; ++k)
                if (codec.hasField(volumes[k]))
                    codec.setValue(r, s, volumes[k], 1000.0 * (k + 1) + 7.5 * i * (k + 1) + s);
            const double temps[] = {60.25 + i, 40.5 + i + s, 55.75 - i};
            const F fields[] = {F::TSupply, F::TReturn, F::TAdd};
            for (int k = 0; k < 3; ++k)
                codec.setValue(r, s, fields[k], hundredths ? std::round(temps[k] * 100) : temps[k]);
        }
        read.append(r);
    }
}

double cellNumber(QString text)
{
    return text.trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
}

} // namespace

TEST(ArchivePlot, EveryPlottedValueIsTheValueItsGridColumnShows)
{
    for (const Family &f : kFamilies) {
        DeviceModule module(f.id);
        ArhCodec &codec = *module.arh();
        for (int kind : {ArhDaily, ArhDailyDiff, ArhHourly, ArhHourlyDiff}) {
            fill(codec, kind, f.hundredths);
            codec.BuildArh(kind, QDate(), QDate(), true);
            for (int sys = 0; sys < codec.halves(); ++sys) {
                SCOPED_TRACE(QStringLiteral("%1 kind %2 system %3").arg(f.name).arg(kind).arg(sys + 1).toStdString());
                const PlotData plot = ArchivePlot::fromDisplayed(codec, kind, sys, QStringLiteral("t"));
                const QStringList rows = codec.viewRows(kind, sys);
                const qsizetype records = codec.displayed().size() - (arhKindIsDiff(kind) ? 1 : 0);
                ASSERT_EQ(plot.x.size(), records);
                ASSERT_EQ(plot.panels.size(), 3); // heat, volumes, temperatures
                EXPECT_EQ(plot.panels[2].series.size(), 3);
                for (const PlotPanel &panel : plot.panels) {
                    for (const PlotSeries &series : panel.series) {
                        ASSERT_TRUE(f.cells->contains(series.field)) << qPrintable(series.name) << ": no grid column";
                        const int cell = f.cells->value(series.field);
                        for (qsizetype j = 0; j < plot.x.size(); ++j) {
                            // The displayed element at the point's date and hour, and its grid row.
                            qsizetype i = 0;
                            while (i < records
                                   && qint64(codec.day(codec.displayed()[i], sys)) * 24
                                              + (plot.hourly ? codec.hour(codec.displayed()[i], sys) : 0)
                                          != plot.x[j])
                                ++i;
                            ASSERT_LT(i, records);
                            const QStringList cells = rows[2 + i].split(QLatin1Char('\t'));
                            EXPECT_NEAR(series.values[j], cellNumber(cells[cell - 1]), 0.005)
                                << qPrintable(series.name) << " point " << j << " cell " << qPrintable(cells[cell - 1]);
                        }
                    }
                }
                // The temperatures read as degrees, the way the grid shows them.
                for (const PlotSeries &t : plot.panels[2].series)
                    for (double v : t.values)
                        EXPECT_TRUE(v > 30 && v < 70) << qPrintable(t.name) << " " << v;
            }
        }
    }
}

TEST(ArchivePlot, AFileLoadedIsPlottedByItsOwnDatesAndHoursWithoutItsTotals)
{
    struct Case {
        int kind;
        bool hourly;
    };
    for (const Case c : {Case{ArhDaily, false}, Case{ArhDailyDiff, false}, Case{ArhHourly, true},
                         Case{ArhHourlyDiff, true}}) {
        SCOPED_TRACE(c.kind);
        DeviceModule module(ModuleId::U25);
        ArhCodec &codec = *module.arh();
        fill(codec, c.kind, true);
        codec.BuildArh(c.kind, QDate(), QDate(), true);
        const QByteArray image = codec.ArhToFile(0);
        const qsizetype points = codec.displayed().size() - (arhKindIsDiff(c.kind) ? 1 : 0);

        DeviceModule other(ModuleId::U25);
        other.arh()->ArhFromFile(image);
        const PlotData plot = ArchivePlot::fromLoaded(*other.arh(), QStringLiteral("Файл: a.Arh"));
        EXPECT_EQ(plot.hourly, c.hourly);
        ASSERT_EQ(plot.x.size(), points);
        for (qsizetype j = 1; j < plot.x.size(); ++j) {
            EXPECT_EQ(plot.x[j] - plot.x[j - 1], c.hourly ? 1 : 24) << j;
            EXPECT_FALSE(plot.breakBefore[j]) << j;
        }
        ASSERT_EQ(plot.panels.size(), 3);
        EXPECT_NEAR(plot.panels[2].series[0].values.first(), c.kind == ArhDaily || c.kind == ArhHourly ? 60.25 : 61.25,
                    1e-9);
    }
}

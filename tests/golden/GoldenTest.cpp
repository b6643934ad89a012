// Whole outputs of pimctl --json against pimsim: the state and
// configuration lists and the archive grids of every served type, daily and
// hourly, cumulative and as differences. The simulator's clock stands still,
// its seed is fixed and pimctl sees the computer's clock at the same moment,
// so every run prints the same bytes on any day; a change shows
// up as a diff of the files in this folder. `PIM_GOLDEN_UPDATE=1` (what
// scripts/golden sets) writes the files instead of comparing.

#include "support/PimSim.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using pimtest::PimSim;

namespace {

// The device's clock, stopped, and the computer's as pimctl sees it: the
// archives reach back from the one, the read plan and the range from the
// other.
const char kClock[] = "2025-06-15 10:30";
const char kComputerClock[] = "2025-06-15 10:30:00";
const char kSeed[] = "7";
const int kNumber = 4660;

struct Output {
    const char *name;  // file: <type>-<name>.json
    QStringList args;  // after --port PATH --json
    bool archive;      // only for types with archives
    bool system2;      // only for two-system types
};

const Output kOutputs[] = {
    {"state", {"state"}, false, false},
    {"config", {"config"}, false, false},
    {"daily", {"archive", "--kind", "daily", "--from", "2025-06-10", "--to", "2025-06-15"}, true, false},
    {"daily-diff", {"archive", "--kind", "daily", "--diff", "--from", "2025-06-10", "--to", "2025-06-15"}, true, false},
    {"daily-system2",
     {"archive", "--kind", "daily", "--system", "2", "--from", "2025-06-13", "--to", "2025-06-15"},
     true,
     true},
    {"hourly", {"archive", "--kind", "hourly", "--from", "2025-06-14", "--to", "2025-06-15"}, true, false},
    {"hourly-diff", {"archive", "--kind", "hourly", "--diff", "--from", "2025-06-14", "--to", "2025-06-15"}, true, false},
};

bool updating()
{
    return qEnvironmentVariable("PIM_GOLDEN_UPDATE") == QLatin1String("1");
}

// The first line where the two texts part, for a readable failure.
std::string firstDifference(const QByteArray &want, const QByteArray &got)
{
    const QList<QByteArray> a = want.split('\n'), b = got.split('\n');
    for (qsizetype i = 0; i < qMax(a.size(), b.size()); ++i) {
        const QByteArray x = a.value(i), y = b.value(i);
        if (x != y)
            return "line " + std::to_string(i + 1) + "\n  golden: " + x.toStdString() + "\n  now:    " + y.toStdString();
    }
    return "same lines";
}

} // namespace

class Golden : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "test_golden";
        static char *argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }
};

TEST_P(Golden, PimctlJsonAgainstPimsim)
{
    const int type = GetParam();
    PimSim sim;
    ASSERT_TRUE(sim.start(type, kNumber, {"--seed", kSeed, "--clock", kClock, "--clock-stopped"})) << qPrintable(sim.error());

    // Type 128 counts pulses and keeps no archives; the state list has one
    // entry per heating system.
    const bool archives = type != 128;
    bool twoSystems = false;

    for (const Output &o : kOutputs) {
        if ((o.archive && !archives) || (o.system2 && !twoSystems))
            continue;
        const QString file = QDir(QStringLiteral(PIM_GOLDEN_DIR)).filePath(QStringLiteral("%1-%2.json").arg(type).arg(QLatin1String(o.name)));
        SCOPED_TRACE(file.toStdString());
        const pimtest::CtlRun r = pimtest::pimctlAt(kComputerClock, QStringList{"--port", sim.port(), "--json"} + o.args);
        ASSERT_EQ(r.code, 0) << qPrintable(r.err);
        if (QLatin1String(o.name) == QLatin1String("state"))
            twoSystems = QJsonDocument::fromJson(r.out).object().value(QStringLiteral("systems")).toArray().size() == 2;
        if (updating()) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(f.errorString());
            f.write(r.out);
            continue;
        }
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "no golden file; run scripts/golden";
        const QByteArray want = f.readAll();
        EXPECT_TRUE(r.out == want) << firstDifference(want, r.out);
    }
}

INSTANTIATE_TEST_SUITE_P(Served, Golden,
                         ::testing::Values(128, 225, 227, 228, 229, 230, 234, 235, 236, 237, 238, 239));

// bench_pipeline: what the archive costs once its bytes have arrived. The
// whole rings of a simulated type 238 (4,401 daily and 3,601 hourly
// replies, taken from the simulator's device model in ring order, so the
// newest record is not first) go through what a read and the archive page
// do with them:
//   - decode: every reply checked and decoded into a record;
//   - order: the records sorted newest first;
//   - build: the cumulative and the differential archive of each kind;
//   - rows: the text rows of each of these four views for system 1, as the
//     page shows one system at a time (system 2's rows are timed apart).
// Prints the median time of each step and of all four over the rounds
// (the goal for all of it is under 50 ms) and the cost per record and row.
// Not a test: it prints ratios and never fails on time.
//
//   bench_pipeline [rounds = 15]

#include "SimDevice.h"

#include "devices/ArhCodec.h"
#include "devices/DeviceModule.h"
#include "devices/DeviceSession.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace pim;

namespace {

constexpr int kType = 238;
constexpr int kNumber = 0x1234;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The replies of one ring, slot 0 first: as the ring lies in the device,
// which after a wrap is not newest first.
QList<Tab> ring(pimsim::SimDevice &dev, const Identity &id, int depth, bool daily)
{
    QList<Tab> out;
    out.reserve(depth);
    for (int slot = 0; slot < depth; ++slot) {
        const Tab data{slot & 0xFF, (slot >> 8) + (daily ? 0x80 : 0)};
        out.append(Tab::fromBytes(dev.handle(SQ(id, Q_Arhiv, data).bytes())));
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 15;

    pimsim::DeviceOptions o;
    o.type = kType;
    o.number = kNumber;
    const QDateTime now(QDate(2026, 12, 10), QTime(12, 30));
    pimsim::SimDevice dev(o, [now] { return now; });
    const Identity id{kType, kNumber};
    const QList<Tab> daily = ring(dev, id, 4401, true);
    const QList<Tab> hourly = ring(dev, id, 3601, false);

    DeviceSession session;
    session.setIdentity(kType, kNumber);
    ArhCodec *codec = session.module() ? session.module()->arh() : nullptr;
    if (!codec) {
        std::fprintf(stderr, "bench_pipeline: no archive codec for type %d\n", kType);
        return 1;
    }

    std::vector<double> tDecode, tOrder, tBuild, tRows, tOther;
    qsizetype rows = 0, otherRows = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer t;
        t.start();
        QList<ArhRec> d, h;
        d.reserve(daily.size());
        h.reserve(hourly.size());
        for (const QList<Tab> *src : {&daily, &hourly}) {
            QList<ArhRec> &dst = src == &daily ? d : h;
            for (const Tab &reply : *src) {
                ArhRec rec = codec->emptyRecord();
                if (!codec->DecArh(reply, rec, id).isEmpty()) {
                    std::fprintf(stderr, "bench_pipeline: a reply of the simulator was refused\n");
                    return 1;
                }
                dst.append(rec);
            }
        }
        tDecode.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        codec->SortArh(d);
        codec->SortArh(h);
        tOrder.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        rows = otherRows = 0;
        // The page shows one system of a view: its rows are the pipeline's
        // last step; the other system's rows are timed apart.
        double rowsMs = 0, otherMs = 0;
        for (int kind : {ArhDaily, ArhDailyDiff, ArhHourly, ArhHourlyDiff}) {
            codec->BuildArh(arhKindIsDaily(kind) ? d : h, kind, QDate(), QDate(), true);
            QElapsedTimer r;
            r.start();
            rows += codec->viewRows(kind, 0).size();
            rowsMs += r.nsecsElapsed() / 1e6;
            r.restart();
            for (int sys = 1; sys < codec->halves(); ++sys)
                otherRows += codec->viewRows(kind, sys).size();
            otherMs += r.nsecsElapsed() / 1e6;
        }
        tBuild.push_back(t.nsecsElapsed() / 1e6 - rowsMs - otherMs);
        tOther.push_back(otherMs);
        tRows.push_back(rowsMs);
    }

    const double decode = median(tDecode), order = median(tOrder), build = median(tBuild);
    const double rowsMs = median(tRows), otherMs = median(tOther);
    const double all = decode + order + build + rowsMs;
    const int records = int(daily.size() + hourly.size());
    std::printf("type %d: %d daily + %d hourly records, median of %d rounds\n", kType, int(daily.size()),
                int(hourly.size()), rounds);
    std::printf("  decode  %8.2f ms  (%.2f us a record)\n", decode, decode * 1000 / records);
    std::printf("  order   %8.2f ms\n", order);
    std::printf("  build   %8.2f ms  (cumulative and differential, daily and hourly)\n", build);
    std::printf("  rows    %8.2f ms  (system 1 of the 4 views, %lld rows: %.2f us a row)\n", rowsMs,
                (long long)rows, rows ? rowsMs * 1000 / rows : 0.0);
    std::printf("  all     %8.2f ms  (goal under 50 ms: %.2f of it)\n", all, all / 50.0);
    if (otherRows > 0)
        std::printf("  system 2's rows as well: %.2f ms more (%lld rows)\n", otherMs, (long long)otherRows);
    return 0;
}

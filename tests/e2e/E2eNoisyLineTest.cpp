// The archive files pimctl saves from a noisy line: noise before replies,
// the request echoed, replies in pieces and replies cut short on one reply
// in ten, or stray datagrams from another port, must give byte for byte the
// files a quiet line gives. The device clock stands still and pimctl sees
// the same moment, so every read of the same range brings the same records.

#include "e2e/E2eSupport.h"

#include "base/TextFile.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace e2e;

namespace {

const char kClock[] = "2025-06-15 10:30";

// One reply in ten spoilt, the four kinds alike.
const QStringList kNoise{"--fault", "junk=0.025", "--fault", "echo=0.025", "--fault", "split=0.025",
                         "--fault", "truncate=0.025", "--split-gap", "20"};

struct Saved {
    QByteArray arh, txt;
    QString error;
};

// Reads `kind` from a fresh pimsim with `simExtra` into FILE.Arh in `dir`.
Saved readArchive(const QString &dir, const QString &name, const QStringList &simExtra, const QStringList &range,
                  const QString &kind)
{
    Saved s;
    Sim sim;
    if (!sim.start(238, 515, QStringList{"--seed", "1", "--clock", kClock, "--clock-stopped"} + simExtra)) {
        s.error = sim.error();
        return s;
    }
    const QString arh = QDir(dir).filePath(name + ".Arh");
    const QStringList link = sim.udp() ? QStringList{"--udp", sim.port()} : QStringList{"--port", sim.port()};
    // pimctl sees the simulator's moment, given in the simulator's form.
    const CtlRun r = pimtest::pimctlAt(kClock,
                                       link + QStringList{"--timeout", "250", "--quiet", "archive", "--kind", kind}
                                           + range + QStringList{"--out", arh},
                                       dir);
    if (r.code != 0) {
        s.error = QStringLiteral("exit %1: %2").arg(r.code).arg(r.err);
        return s;
    }
    if (!pim::readFileBytes(arh, s.arh, &s.error) || !pim::readFileBytes(dir + "/" + name + ".txt", s.txt, &s.error))
        return s;
    return s;
}

} // namespace

TEST(E2eNoisyLine, ArchiveFilesAreTheSameAsFromAQuietLine)
{
    struct Kind {
        const char *name;
        QStringList range;
    } const kinds[] = {
        {"daily", {"--from", "2025-04-17", "--to", "2025-06-15"}},  // 60 records
        {"hourly", {"--from", "2025-06-12", "--to", "2025-06-15"}}, // 83 records
    };
    struct Link {
        const char *name;
        QStringList sim;
    } const links[] = {
        {"serial", kNoise},
        {"udp", QStringList{"--udp", "0", "--udp-strays"} + kNoise},
    };
    const QString dir = QDir::currentPath();
    QMap<QString, int> struck; // fault kind -> replies it spoilt, over every read
    for (const Kind &k : kinds) {
        SCOPED_TRACE(k.name);
        const Saved quiet = readArchive(dir, QString("quiet-") + k.name, {}, k.range, k.name);
        ASSERT_TRUE(quiet.error.isEmpty()) << qPrintable(quiet.error);
        ASSERT_GT(quiet.arh.size(), 232 * 50);
        for (const Link &l : links) {
            SCOPED_TRACE(l.name);
            const QString name = QString("noisy-") + k.name + "-" + l.name;
            const QString transcript = QDir(dir).filePath(name + ".log");
            const Saved noisy = readArchive(dir, name, l.sim + QStringList{"--transcript", transcript}, k.range, k.name);
            ASSERT_TRUE(noisy.error.isEmpty()) << qPrintable(noisy.error);
            EXPECT_TRUE(noisy.arh == quiet.arh);
            EXPECT_TRUE(noisy.txt == quiet.txt);
            QStringList lines;
            ASSERT_TRUE(pim::readLines(transcript, lines));
            int spoilt = 0;
            for (const QString &line : lines) {
                const int colon = int(line.indexOf(": "));
                if (!line.startsWith("# request ") || colon < 0)
                    continue;
                ++spoilt;
                for (const QString &f : line.mid(colon + 2).split(' ', Qt::SkipEmptyParts))
                    ++struck[f];
            }
            // The line was noisy indeed: about one reply in ten.
            EXPECT_GE(spoilt, 4);
        }
    }
    for (const char *f : {"junk", "echo", "split", "truncate"})
        EXPECT_GT(struck.value(f), 0) << f << " never struck";
}

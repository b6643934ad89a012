// pimctl batch against simulated calculators: a list of a pseudo-terminal,
// a UDP converter and a calculator that does not answer reads the two good
// ones whole, reports the third and goes on; a malformed list reads nothing
// and names its line.

#include "e2e/E2eSupport.h"

#include "base/TextFile.h"
#include "workflows/ArchiveFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace e2e;

namespace {

const char *const kClock = "2026-03-15 12:00";

// The list as a Windows-1251 file, as an office editor would save it.
QString writeList(const QStringList &lines)
{
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("list.txt"));
    EXPECT_TRUE(pim::writeLines(path, lines));
    return path;
}

} // namespace

TEST(E2eCtlBatch, ReadsEveryCalculatorAndGoesOnAfterAFailure)
{
    Sim pty, udp, mute;
    ASSERT_TRUE(pty.start(238, 12, {"--clock", kClock})) << qPrintable(pty.error());
    ASSERT_TRUE(udp.start(230, 7, {"--udp", "0", "--clock", kClock})) << qPrintable(udp.error());
    ASSERT_TRUE(mute.start(228, 5, {"--fault", "silence"})) << qPrintable(mute.error());
    const QString list = writeList({
        "# котельные района",
        "котельная 1;" + pty.port() + ";;",
        "",
        "школа;udp:" + udp.port() + ";230;7",
        "немой;" + mute.port() + ";228;5",
    });
    const QString out = QDir::current().absoluteFilePath("out");
    const CtlRun r = pimtest::pimctlAt(QString(kClock) + ":00",
                                       {"--timeout", "300", "--json", "batch", list, "--out", out, "--range", "week"});
    EXPECT_EQ(r.code, 1) << qPrintable(r.err);

    const QJsonArray devices = QJsonDocument::fromJson(r.out).object()["devices"].toArray();
    ASSERT_EQ(devices.size(), 3) << r.out.constData();
    struct Want {
        const char *name;
        int type, number;
        const char *status;
        int archives; // .Arh files: a cumulative daily and hourly per system
    } const want[] = {{"котельная 1", 238, 12, "ok", 4}, {"школа", 230, 7, "ok", 2}, {"немой", 228, 5, "failed", 0}};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject d = devices[i].toObject();
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(d["name"].toString(), QString::fromUtf8(want[i].name));
        EXPECT_EQ(d["type"].toInt(), want[i].type);
        EXPECT_EQ(d["number"].toInt(), want[i].number);
        EXPECT_EQ(d["status"].toString(), want[i].status) << qPrintable(d["text"].toString());
        int archives = 0;
        for (const QJsonValue &v : d["files"].toArray()) {
            const QString f = v.toString();
            EXPECT_TRUE(f.startsWith(pim::ArchiveFiles::deviceFolder(want[i].type, want[i].number)
                                         .replace(pim::ArchiveFiles::archivesFolder(), out + "/ДАННЫЕ/АРХИВЫ")))
                << qPrintable(f);
            ASSERT_TRUE(QFileInfo(f).size() > 0) << qPrintable(f);
            if (!f.endsWith(".Arh"))
                continue;
            ++archives;
            // An archive file with its companion and its spreadsheet, read
            // back as whole records.
            EXPECT_TRUE(QFile::exists(pim::ArchiveFiles::companionName(f))) << qPrintable(f);
            EXPECT_TRUE(QFile::exists(f.chopped(3) + "csv")) << qPrintable(f);
            const pim::ArchiveFiles::Loaded loaded = pim::ArchiveFiles::load(f);
            EXPECT_TRUE(loaded.ok()) << qPrintable(loaded.error);
        }
        EXPECT_EQ(archives, want[i].archives);
    }
    EXPECT_FALSE(devices[2].toObject()["text"].toString().isEmpty());
    // The calculator that never answered leaves no folder behind.
    EXPECT_FALSE(QFileInfo::exists(out + "/ДАННЫЕ/АРХИВЫ/ПИМ-228"));

    QStringList summary;
    ASSERT_TRUE(pim::readLines(out + "/summary.csv", summary));
    ASSERT_EQ(summary.size(), 4);
    EXPECT_TRUE(summary[1].startsWith("котельная 1;238;12;ok;")) << qPrintable(summary[1]);
    EXPECT_TRUE(summary[2].startsWith("школа;230;7;ok;")) << qPrintable(summary[2]);
    EXPECT_TRUE(summary[3].startsWith("немой;228;5;failed;")) << qPrintable(summary[3]);
    // Progress names the calculator on each step; the failure is said.
    EXPECT_TRUE(r.err.contains("школа: часовой архив")) << qPrintable(r.err);
    EXPECT_TRUE(r.err.contains("немой: ошибка: ")) << qPrintable(r.err);
}

TEST(E2eCtlBatch, AMalformedListReadsNothingAndNamesItsLine)
{
    const struct {
        QStringList lines;
        int line;
        const char *reason;
    } cases[] = {
        {{"a;/dev/null;;", "b;/dev/null;;;"}, 2, "5 fields"},
        {{"# x", "", ";/dev/null;;"}, 3, "no name"},
        {{"a; ;;"}, 1, "no link"},
        {{"a;udp:127.0.0.1;;"}, 1, "udp:HOST:PORT"},
        {{"a;udp:127.0.0.1:70000;;"}, 1, "udp:HOST:PORT"},
        {{"a;dial:;;"}, 1, "phone-book entry"},
        {{"a;/dev/null;238;"}, 1, "go together"},
        {{"a;/dev/null;999;1"}, 1, "not a served type"},
        {{"a;/dev/null;238;-4"}, 1, "not a device number"},
        {{"a;/dev/null;238;x"}, 1, "not a device number"},
        {{"a;/dev/null;238;0"}, 1, "not a device number (1..65535)"},
        {{"# x", "a;/dev/null;238;65536"}, 2, "not a device number (1..65535)"},
        {{"a;tcp:10.0.0.1:4001;;"}, 1, "unknown link kind \"tcp:\""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(qPrintable(c.lines.join(" | ")));
        const QString list = writeList(c.lines);
        const CtlRun r = pimctl({"batch", list, "--out", "out"});
        EXPECT_EQ(r.code, 2);
        const QString first = r.err.section(QLatin1Char('\n'), 0, 0);
        EXPECT_TRUE(first.contains(QStringLiteral("list.txt:%1: ").arg(c.line))) << qPrintable(first);
        EXPECT_TRUE(first.contains(QString::fromUtf8(c.reason))) << qPrintable(first);
        EXPECT_FALSE(QFileInfo::exists("out/summary.csv"));
    }
}

TEST(E2eCtlBatch, CallsThroughTheModemOfAPhoneBookEntry)
{
    // The entry names the modem's port and the number; only that number
    // connects. An entry missing from the book fails that line alone.
    Sim modem;
    ASSERT_TRUE(modem.start(229, 4660, {"--modem", "--modem-dial-ms", "50", "--modem-expect", "T123"}))
        << qPrintable(modem.error());
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("ДАННЫЕ/МОДЕМ"));
    ASSERT_TRUE(pim::writeLines(dir.path() + "/ДАННЫЕ/МОДЕМ/СОЕДИНЕНИЯ.TXT",
                                {"НАИМЕНОВАНИЕ\tТЕЛЕФОН\tПОРТ\tТОН/ИМП\tКОД ГОР\tКОД В ГОР\tКОД МЕЖГОР\t",
                                 "Котельная\t123\t" + modem.port() + "\tT\t\t\t\t"}));
    const QString list = writeList({"дача;dial:Котельная;;", "баня;dial:Баня;229;1"});
    const CtlRun r = pimctlCopy(dir.path(), {"--json", "batch", list, "--kinds", "state", "--out", "out"});
    EXPECT_EQ(r.code, 1) << qPrintable(r.err);
    const QJsonArray devices = QJsonDocument::fromJson(r.out).object()["devices"].toArray();
    ASSERT_EQ(devices.size(), 2) << r.out.constData();
    const QJsonObject called = devices[0].toObject();
    EXPECT_EQ(called["status"].toString(), "ok") << qPrintable(called["text"].toString());
    EXPECT_EQ(called["type"].toInt(), 229);
    EXPECT_EQ(called["number"].toInt(), 4660);
    const QJsonObject missing = devices[1].toObject();
    EXPECT_EQ(missing["status"].toString(), "failed");
    EXPECT_TRUE(missing["text"].toString().contains("Баня")) << qPrintable(missing["text"].toString());
}

TEST(E2eCtlBatch, AListOrFolderThatCannotServeIsSaidBeforeTheFirstCall)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 5)) << qPrintable(sim.error());
    const QString list = writeList({"котельная;" + sim.port() + ";;"});
    // A folder that takes no file: said before any calculator is read.
    CtlRun r = pimctl({"batch", list, "--kinds", "state", "--out", "/proc"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("НЕ МОГУ ПИСАТЬ В ДИР /proc")) << qPrintable(r.err);
    EXPECT_FALSE(r.err.contains("котельная:")) << qPrintable(r.err);
    // An empty folder name is no folder.
    r = pimctl({"batch", list, "--kinds", "state", "--out", ""});
    EXPECT_EQ(r.code, 2) << qPrintable(r.err);
    EXPECT_FALSE(r.err.contains("котельная:")) << qPrintable(r.err);

    // A list saved as UTF-16 is refused as such, the message free of NULs.
    const QString utf16 = QDir::current().absoluteFilePath("list16.txt");
    QFile f(utf16);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QString text = "котельная;" + sim.port() + ";;\r\n";
    f.write("\xFF\xFE");
    f.write(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    f.close();
    r = pimctl({"batch", utf16, "--out", "out"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("UTF-16")) << qPrintable(r.err);
    EXPECT_FALSE(r.err.contains('\0'));
    EXPECT_FALSE(QFileInfo::exists("out/summary.csv"));
}

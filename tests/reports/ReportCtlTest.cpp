// pimctl report on a saved archive file: the PDF holds the rows (read back
// with pdftotext), --json gives the recorded pages, --templates is the
// folder the set comes from.

#include "ReportFixtures.h"

#include "base/TextFile.h"
#include "reports/PrintForms.h"
#include "support/PimSim.h"
#include "workflows/ArchiveFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace pim;
using namespace reporttest;

namespace {

// A daily archive file of type 238 (system 1), five days from 31.10.2026.
QString writeArchive(const QString &dir)
{
    DeviceSession session;
    ArhCodec &c = *session.moduleFor(238)->arh();
    showSeries(c, ArhDaily, 5);
    const QString path = QDir(dir).filePath(QStringLiteral("сут.Arh"));
    QString error;
    EXPECT_TRUE(ArchiveFiles::save(path, c.viewRows(ArhDaily, 0), c.ArhToFile(0), &error)) << error.toStdString();
    return path;
}

} // namespace

TEST(ReportCtl, PdfAndRecordedPagesOfAnArchiveFile)
{
    const QString dir = QDir::currentPath();
    const QString arh = writeArchive(dir);
    QDir().mkpath(QStringLiteral("шаблоны"));
    PrintForms forms;
    forms.load(QStringLiteral("шаблоны"), 238, 0);
    forms.header.lines = {QStringLiteral("Отчет для @00 № @01")};
    forms.data.lines = {QStringLiteral("0> 30> 60>"), QStringLiteral("дата тепло расход"),
                        QStringLiteral("@06 @07 @08")};
    ASSERT_TRUE(forms.save(QStringLiteral("шаблоны"), 238, 0).isEmpty());

    const pimtest::CtlRun r = pimtest::pimctl({QStringLiteral("report"), QStringLiteral("--type"), QStringLiteral("238"),
                                               QStringLiteral("--number"), QStringLiteral("12"), QStringLiteral("--kind"),
                                               QStringLiteral("daily"), QStringLiteral("--archive"), arh,
                                               QStringLiteral("--templates"), QStringLiteral("шаблоны"),
                                               QStringLiteral("--pdf"), QStringLiteral("отчет.pdf"), QStringLiteral("--json")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    const QJsonArray pages = QJsonDocument::fromJson(r.out).object().value(QStringLiteral("pages")).toArray();
    ASSERT_EQ(pages.size(), 1);
    const QJsonArray items = pages[0].toObject().value(QStringLiteral("items")).toArray();
    ASSERT_FALSE(items.isEmpty());
    const QJsonObject first = items[0].toObject();
    EXPECT_EQ(first.value(QStringLiteral("text")).toString(), QStringLiteral("Отчет для ПИМ-238 № 12"));
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("x_mm")).toDouble(), 15.0);
    EXPECT_GT(first.value(QStringLiteral("y_mm")).toDouble(), 5.0);

    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("отчет.pdf"), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000)) << "pdftotext (poppler-utils) is needed";
    ASSERT_EQ(text.exitCode(), 0);
    const QString pdf = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(pdf.contains(QStringLiteral("Отчет для ПИМ-238 № 12"))) << pdf.toStdString();
    // Rows oldest first (238 prints the table from its end): date, heat, V1.
    const QRegularExpression rows(QStringLiteral(
        "31.10.26 +100.0 +1000.0.*01.11.26 +102.5 +1010.0.*02.11.26.*03.11.26.*04.11.26 +110.0 +1040.0"),
        QRegularExpression::DotMatchesEverythingOption);
    EXPECT_TRUE(rows.match(pdf).hasMatch()) << pdf.toStdString();
    EXPECT_TRUE(pdf.contains(QStringLiteral("Подпись ответственного лица")));
}

// A template past its size bound (a 20 MB line) is refused at once and no
// PDF is written.
TEST(ReportCtl, AHugeTemplateIsRefused)
{
    const QString arh = writeArchive(QDir::currentPath());
    QDir().mkpath(QStringLiteral("шаблоны"));
    QFile big(QStringLiteral("шаблоны/ОСНОВА_СУТ_34.txt"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_EQ(big.write(QByteArray(20 * 1024 * 1024, '@')), 20 * 1024 * 1024);
    big.close();
    const pimtest::CtlRun r = pimtest::pimctl({QStringLiteral("report"), QStringLiteral("--type"), QStringLiteral("238"),
                                               QStringLiteral("--kind"), QStringLiteral("daily"), QStringLiteral("--archive"),
                                               arh, QStringLiteral("--templates"), QStringLiteral("шаблоны"),
                                               QStringLiteral("--pdf"), QStringLiteral("отчет.pdf")});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.trimmed().split(QLatin1Char('\n')).last().contains(QStringLiteral("ОСНОВА_СУТ_34.txt")))
        << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("отчет.pdf")));
}

TEST(ReportCtl, UsageErrors)
{
    const QString arh = writeArchive(QDir::currentPath());
    const QStringList base = {QStringLiteral("report"), QStringLiteral("--kind"), QStringLiteral("daily")};
    const QList<QStringList> cases = {
        base + QStringList{QStringLiteral("--type"), QStringLiteral("238"), QStringLiteral("--archive"), arh},
        base + QStringList{QStringLiteral("--archive"), arh, QStringLiteral("--json")},
        base + QStringList{QStringLiteral("--type"), QStringLiteral("128"), QStringLiteral("--archive"), arh, QStringLiteral("--json")},
        base + QStringList{QStringLiteral("--type"), QStringLiteral("239"), QStringLiteral("--system"), QStringLiteral("2"),
                           QStringLiteral("--archive"), arh, QStringLiteral("--json")},
        base + QStringList{QStringLiteral("--type"), QStringLiteral("238"), QStringLiteral("--archive"), arh,
                           QStringLiteral("--pdf"), QString()},
    };
    for (const QStringList &args : cases) {
        const pimtest::CtlRun r = pimtest::pimctl(args);
        EXPECT_EQ(r.code, 2) << args.join(QLatin1Char(' ')).toStdString() << "\n" << r.err.toStdString();
    }
}

TEST(ReportCtl, AFileReportNamesItsDaysAndAnEmptyRangeWritesNothing)
{
    // A file names no range: the header's dates are its first and last record's.
    const QString arh = writeArchive(QDir::currentPath());
    QDir().mkpath(QStringLiteral("шаблоны"));
    PrintForms forms;
    forms.load(QStringLiteral("шаблоны"), 238, 0);
    forms.header.lines = {QStringLiteral("Период: @04")};
    ASSERT_TRUE(forms.save(QStringLiteral("шаблоны"), 238, 0).isEmpty());
    pimtest::CtlRun r = pimtest::pimctl({QStringLiteral("report"), QStringLiteral("--type"), QStringLiteral("238"),
                                         QStringLiteral("--kind"), QStringLiteral("daily"), QStringLiteral("--archive"),
                                         arh, QStringLiteral("--templates"), QStringLiteral("шаблоны"),
                                         QStringLiteral("--json")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonArray items = QJsonDocument::fromJson(r.out)
                                 .object()
                                 .value(QStringLiteral("pages"))
                                 .toArray()[0]
                                 .toObject()
                                 .value(QStringLiteral("items"))
                                 .toArray();
    ASSERT_FALSE(items.isEmpty());
    const QString period = items[0].toObject().value(QStringLiteral("text")).toString();
    const QRegularExpression dates(QStringLiteral("^Период: от 31\\.10\\.(20)?26 до 04\\.11\\.(20)?26$"));
    EXPECT_TRUE(dates.match(period).hasMatch()) << period.toStdString();

    // A device range without a record: as `archive`, nothing is written
    // over the file that is there, and the exit says it.
    pimtest::PimSim sim;
    ASSERT_TRUE(sim.start(238, 12, {QStringLiteral("--clock"), QStringLiteral("2026-03-15 12:00")}))
        << sim.error().toStdString();
    writeLines(QStringLiteral("старый.pdf"), {QStringLiteral("прежний отчет")});
    const QByteArray before = [] {
        QFile f(QStringLiteral("старый.pdf"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    r = pimtest::pimctl({QStringLiteral("--port"), sim.port(), QStringLiteral("report"), QStringLiteral("--kind"),
                         QStringLiteral("daily"), QStringLiteral("--from"), QStringLiteral("2001-01-01"),
                         QStringLiteral("--to"), QStringLiteral("2001-01-05"), QStringLiteral("--pdf"),
                         QStringLiteral("старый.pdf")});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("записан старый.pdf"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("ничего не записано"))) << r.err.toStdString();
    QFile after(QStringLiteral("старый.pdf"));
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
}

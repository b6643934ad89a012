// The page "настройка печати": token insertion at the caret, the help text
// that never takes the header's place in what is printed and loaded, the
// set following the archive tab, and a report drawn on a PDF printer.

#include "UiSupport.h"

#include "../reports/ReportFixtures.h"
#include "base/DataPath.h"
#include "base/TextFile.h"
#include "devices/DeviceSession.h"
#include "reports/ArchiveReport.h"
#include "ui/Events.h"
#include "ui/PrintPage.h"
#include "workflows/WorkflowUi.h"

#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTextCursor>

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

namespace {

struct PrintPageFixture {
    uitest::UiEnv env;
    Events events;
    WorkflowUi ui;
    DeviceSession session;
    QPrinter printer{QPrinter::HighResolution};
    PrintPage page{events, ui, session, [this] { return &printer; }};

    void setCaret(int section, int position)
    {
        QTextCursor c = page.section(section)->textCursor();
        c.setPosition(position);
        page.section(section)->setTextCursor(c);
    }
};

} // namespace

TEST(PrintPage, TokenGoesInAtTheCaret)
{
    PrintPageFixture f;
    auto *cbd = f.page.findChild<QComboBox *>(QStringLiteral("cbd"));
    ASSERT_NE(cbd, nullptr);
    cbd->setCurrentIndex(3);
    f.page.section(1)->setPlainText(QStringLiteral("ab@07cd"));
    f.setCaret(1, 2);
    f.page.insertToken(1);
    EXPECT_EQ(f.page.section(1)->toPlainText(), QStringLiteral("ab@03@07cd"));
    f.setCaret(1, 0);
    f.page.insertToken(1);
    EXPECT_EQ(f.page.section(1)->toPlainText(), QStringLiteral("@03ab@03@07cd"));
    {
        EventsOff off(f.events); // printing or rebuilding the tab
        f.page.insertToken(1);
    }
    EXPECT_EQ(f.page.section(1)->toPlainText(), QStringLiteral("@03ab@03@07cd"));
}

// While the help text is shown the header's own lines are what a print
// uses and what a tab change reloads; releasing brings them back.
TEST(PrintPage, HelpTextNeverReplacesTheHeader)
{
    PrintPageFixture f;
    f.page.section(0)->setPlainText(QStringLiteral("моя шапка @00"));
    f.page.showHelp(true);
    EXPECT_TRUE(f.page.section(0)->toPlainText().startsWith(QStringLiteral("файл справки ")));
    EXPECT_TRUE(f.page.section(0)->toPlainText().endsWith(QStringLiteral(" отсутствует или поврежден")));
    EXPECT_EQ(f.page.forms().header.lines, QStringList{QStringLiteral("моя шапка @00")});

    // The stored set of 238 has its own header: the tab change loads it
    // behind the help text.
    PrintForms stored;
    stored.header.lines = {QStringLiteral("шапка из файла")};
    QDir().mkpath(printFolder());
    ASSERT_TRUE(stored.save(printFolder(), 238, 0).isEmpty());
    f.page.loadForms(238, 0);
    EXPECT_TRUE(f.page.section(0)->toPlainText().startsWith(QStringLiteral("файл справки ")));
    EXPECT_EQ(f.page.forms().header.lines, QStringList{QStringLiteral("шапка из файла")});

    f.page.showHelp(false);
    EXPECT_EQ(f.page.section(0)->toPlainText(), QStringLiteral("шапка из файла"));
}

// The preview's drawing on a PDF printer: the rows of the archive in view.
TEST(PrintPage, PrintsTheArchiveInView)
{
    PrintPageFixture f;
    f.session.setIdentity(238, 12);
    reporttest::showSeries(*f.session.moduleFor(238)->arh(), ArhDaily, 3);
    f.page.loadForms(238, 0);
    f.page.section(1)->setPlainText(QStringLiteral("0> 40>\n@06 @07"));
    const QString pdf = QDir::current().filePath(QStringLiteral("отчет.pdf"));
    f.printer.setOutputFormat(QPrinter::PdfFormat);
    f.printer.setOutputFileName(pdf);
    ReportSource src;
    src.type = 238;
    src.tabIndex = 0;
    src.number = 12;
    src.today = QDate(2026, 11, 30);
    EXPECT_EQ(f.page.printArchive(&f.printer, src), 1);

    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000)) << "pdftotext (poppler-utils) is needed";
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    for (const char *row : {"31.10.26 +100.0", "01.11.26 +102.5", "02.11.26 +105.0"})
        EXPECT_TRUE(out.contains(QRegularExpression(QString::fromUtf8(row)))) << row << "\n" << out.toStdString();
}

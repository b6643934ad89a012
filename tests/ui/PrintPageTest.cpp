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
#include "ui/MainWindow.h"
#include "ui/PrintPage.h"
#include "workflows/WorkflowUi.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
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

// "переменные значения" shows the list as it was loaded, in the combo box
// and as a whole list, with entry 0 chosen until the operator chooses;
// choosing in the list chooses the token.
TEST(PrintPage, VariableListShowsTheLoadedList)
{
    PrintPageFixture f;
    auto *cbd = f.page.findChild<QComboBox *>(QStringLiteral("cbd"));
    auto *list = f.page.findChild<QListWidget *>(QStringLiteral("LBvars"));
    ASSERT_TRUE(cbd && list);
    EXPECT_EQ(cbd->currentIndex(), 0);
    EXPECT_EQ(f.page.selectedToken(), QStringLiteral("@00"));
    const struct {
        int type;
        int kind;
        VarList list;
    } cases[] = {{238, 0, VarList::Full}, {225, 2, VarList::U25}, {235, 1, VarList::Short}, {227, 3, VarList::U27}};
    for (const auto &k : cases) {
        f.page.loadForms(k.type, k.kind);
        const QStringList expected = defaultVarList(k.list);
        QStringList shown, listed;
        for (int i = 0; i < cbd->count(); ++i)
            shown << cbd->itemText(i);
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text();
        EXPECT_EQ(shown, expected) << k.type;
        EXPECT_EQ(listed, expected) << k.type;
        EXPECT_EQ(cbd->currentText(), expected[0]) << k.type;
    }
    list->setCurrentRow(7);
    EXPECT_EQ(cbd->currentIndex(), 7);
    EXPECT_EQ(f.page.selectedToken(), QStringLiteral("@07"));
}

// The preview opens over the screen's working area even where no window
// manager maximises it.
TEST(PrintPage, PreviewOpensAtAUsableSize)
{
    PrintPageFixture f;
    f.session.setIdentity(238, 12);
    reporttest::showSeries(*f.session.moduleFor(238)->arh(), ArhDaily, 3);
    f.page.loadForms(238, 0);
    QSize opened;
    QTimer::singleShot(0, &f.page, [&] {
        auto *dialog = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        opened = dialog->size();
        dialog->reject();
    });
    ReportSource src;
    src.type = 238;
    src.tabIndex = 0;
    f.page.previewArchive(src);
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    EXPECT_GE(opened.width(), screen.width() * 9 / 10);
    EXPECT_GE(opened.height(), screen.height() * 9 / 10);
}

// "Bint" of the archive page is the report's line interval: each step sets
// "SEint", −1 included, and the report uses it.
TEST(PrintPage, BintSetsTheLineInterval)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    auto *bint = w->findChild<QPushButton *>(QStringLiteral("Bint"));
    auto *seint = w->findChild<QSpinBox *>(QStringLiteral("SEint"));
    auto *page = w->findChild<PrintPage *>(QStringLiteral("TSp"));
    ASSERT_TRUE(bint && seint && page);
    for (int expected : {1, 2, -1, 0, 1}) {
        bint->click();
        EXPECT_EQ(bint->text(), QString::number(expected));
        EXPECT_EQ(seint->value(), expected);
        EXPECT_EQ(page->pageSettings().interval, expected);
    }
}

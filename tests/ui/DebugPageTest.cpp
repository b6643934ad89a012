// The service page: example tables of the type, the drops it takes and
// refuses, an encoding without sending, a frame sent to pimsim and its
// reply listed through the asynchronous receive path, the ASCII table.

#include "UiSupport.h"

#include "console/CommandTable.h"
#include "ui/DebugPage.h"
#include "ui/MainWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

namespace {

QString status(MainWindow &w)
{
    return w.findChild<QLabel *>("LuState")->text();
}

// Handles events until `done` holds; the bound only keeps a broken run
// from hanging, nothing is measured against it.
template <typename F>
bool eventually(F done)
{
    QDeadlineTimer limit(20000);
    while (!done() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

} // namespace

TEST(DebugPage, ExamplesDropsEncodingAndASentFrame)
{
    uitest::UiEnv env;
    uitest::PimSim sim;
    ASSERT_TRUE(sim.start(229, 22)) << qPrintable(sim.error());
    auto w = uitest::preparedWindow();
    uitest::choosePort(*w, sim.port());
    DebugPage *page = w->debugPage();
    auto *setu = page->findChild<QSpinBox *>("SEtu");
    setu->setValue(229);
    w->findChild<QTabWidget *>("PCW")->setCurrentIndex(5);
    QCoreApplication::processEvents();
    EXPECT_EQ(page->findChild<QComboBox *>("CBCd")->currentText(), sim.port());
    EXPECT_EQ(page->stateLabel()->text(), "порт свободен (подключен)");

    // The example tables of the type are there to start from.
    auto *cbcmd = page->findChild<QComboBox *>("CBcmd");
    const QString stateRequest = QDir(console::tableFolder(229)).filePath("запрос состояния.txt");
    const QString stateReply = QDir(console::tableFolder(229)).filePath("ответ состояния.txt");
    ASSERT_GE(cbcmd->findText(stateRequest), 0);
    ASSERT_GE(cbcmd->findText(stateReply), 0);

    // Only the table list may be dropped on the labels.
    cbcmd->setCurrentIndex(cbcmd->findText(stateRequest));
    EXPECT_FALSE(page->dropOnLabel(true, "CBfmt"));
    EXPECT_TRUE(page->dropOnLabel(true, "CBcmd"));
    cbcmd->setCurrentIndex(cbcmd->findText(stateReply));
    EXPECT_TRUE(page->dropOnLabel(false, "CBcmd"));
    EXPECT_EQ(page->findChild<QLabel *>("Lcod")->text(), stateRequest);

    // Without "посылать" the frame is only listed.
    page->encodeAndSend();
    EXPECT_EQ(status(*w), "КОДИРОВКА БЕЗ ПОСЫЛКИ");
    EXPECT_TRUE(page->listing().contains("запрос"));
    EXPECT_TRUE(page->listing().contains("0.=6 (0x06)"));

    page->findChild<QCheckBox *>("CBp")->setChecked(true);
    page->findChild<QCheckBox *>("CBdec")->setChecked(true); // fields only
    page->encodeAndSend();
    ASSERT_TRUE(eventually([&] { return page->listing().contains("ответ:"); })) << qPrintable(status(*w));
    const QStringList listing = page->listing();
    EXPECT_EQ(listing.value(0), "запрос");
    EXPECT_FALSE(listing.contains("табл ф-т №зн зн итого"));
    const qsizetype answer = listing.indexOf("ответ:");
    EXPECT_EQ(listing.value(answer + 1), "длина=105");
    EXPECT_EQ(listing.value(answer + 3), "номер=22");
    EXPECT_TRUE(status(*w).startsWith("Принял ответ 105 байт")) << qPrintable(status(*w));

    // A format dragged onto the grid lands in its rows and is saved.
    cbcmd->setCurrentIndex(cbcmd->findText(stateRequest));
    page->findChild<QComboBox *>("CBfmt")->setCurrentIndex(1); // W
    page->findChild<QComboBox *>("CBv")->setCurrentIndex(4);
    EXPECT_TRUE(page->dropOnGrid(3, "CBfmt"));
    console::CommandTable t;
    ASSERT_EQ(console::LoadTable(stateRequest, '\t', t), QString());
    EXPECT_EQ(t.cell(3, 2), "W@04");
    EXPECT_EQ(t.cell(4, 2), "W@04");

    page->findChild<QCheckBox *>("cbASCII")->setChecked(true);
    EXPECT_TRUE(page->listing().contains("066=65(41) A"));
}

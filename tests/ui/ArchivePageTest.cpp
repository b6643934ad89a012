// The archive grid of the window marks a difference taken across missing
// records.

#include "UiSupport.h"

#include "ui/ArchivePage.h"
#include "ui/MainWindow.h"

#include <QTableWidget>

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

TEST(ArchivePage, DifferenceAcrossMissingRecordsIsMarked)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    auto *page = w->findChild<ArchivePage *>(QStringLiteral("TSa"));
    ASSERT_NE(page, nullptr);
    ArchiveView::Grid g;
    g.ok = true;
    g.kind = 3;
    g.cells = {{"ДАТА", "тепло"}, {"дд.мм.гггг", "Гкал"}, {"10.03.2024", "1.00"}, {"10.03.2024", "2.00"},
               {"ИТОГО(2):", "3.00"}};
    g.gaps = {false, true, false};
    auto *sga = w->findChild<QTableWidget *>(QStringLiteral("SGa"));
    ASSERT_NE(sga, nullptr);
    ArchivePage::fillGrid(sga, g);
    ASSERT_EQ(sga->rowCount(), 5);
    EXPECT_EQ(sga->item(2, 0)->text(), "10.03.2024");
    EXPECT_TRUE(sga->item(2, 0)->toolTip().isEmpty());
    EXPECT_EQ(sga->item(3, 0)->text(), "10.03.2024*");
    EXPECT_EQ(sga->item(3, 1)->toolTip(), ArchivePage::gapHint());
    EXPECT_EQ(sga->item(4, 0)->text(), "ИТОГО(2):");
}

#include "base/DataPath.h"

#include <gtest/gtest.h>

using namespace pim;

TEST(DataPath, JoinsBelowTheProgramFolder)
{
    setProgramFolder(QStringLiteral("/opt/pim"));
    EXPECT_EQ(DataPath({QStringLiteral("ДАННЫЕ")}, QStringLiteral("ПАМЯТЬ"), QStringLiteral("mem")),
              QStringLiteral("/opt/pim/ДАННЫЕ/ПАМЯТЬ.mem"));
    EXPECT_EQ(DataPath({QStringLiteral("ДАННЫЕ"), QStringLiteral("АРХИВЫ")}),
              QStringLiteral("/opt/pim/ДАННЫЕ/АРХИВЫ"));
    EXPECT_EQ(DataPath({}, QStringLiteral("Help"), QStringLiteral("chm")), QStringLiteral("/opt/pim/Help.chm"));
    setProgramFolder(QString());
    EXPECT_FALSE(programFolder().isEmpty());
}

#include "base/DataPath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

// Which executable's folder keeps the data: a portable copy (ДАННЫЕ beside
// it) and the build's own bin folder do; an install prefix never does, not
// even with a ДАННЫЕ an older version left there, and a lone copy does not.
TEST(DataPath, OnlyABuildOrAPortableCopyKeepsItsDataBesideIt)
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    for (const char *folder : {"portable/ДАННЫЕ", "lone", "prefix/bin/ДАННЫЕ", "prefix/share/applications"})
        ASSERT_TRUE(root.mkpath(QString::fromUtf8(folder)));
    QFile desktop(root.filePath(QStringLiteral("prefix/share/applications/pim.desktop")));
    ASSERT_TRUE(desktop.open(QIODevice::WriteOnly));
    desktop.close();
    EXPECT_TRUE(keepsDataBeside(root.filePath(QStringLiteral("portable"))));
    EXPECT_FALSE(keepsDataBeside(root.filePath(QStringLiteral("lone"))));
    EXPECT_FALSE(keepsDataBeside(root.filePath(QStringLiteral("prefix/bin"))));
    EXPECT_FALSE(keepsDataBeside(root.filePath(QStringLiteral("missing"))));
    EXPECT_TRUE(keepsDataBeside(QStringLiteral(PIM_TEST_BIN_DIR)));
}

// The state file on disk: a row goes on a line of its own even after a
// file cut short, a row the code page cannot hold leaves the file as it
// was, and loading gives back the cells without the tab after the last.

#include "base/TextFile.h"
#include "workflows/StateFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pim;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

} // namespace

TEST(StateFile, AppendsWholeRowsAndNeverTouchesWhatIsThere)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("s.txt");
    struct Case {
        const char *before; // null: no file
        QStringList values;
        bool ok;
        const char *after;
    };
    const Case cases[] = {
        {nullptr, {"1", "2"}, true, "h1\t\r\nh2\t\r\n1\t2\t\r\n"},
        {"h1\t\r\nh2\t\r\n1\t\r\n", {"2"}, true, "h1\t\r\nh2\t\r\n1\t\r\n2\t\r\n"},
        {"h1\t\r\nh2\t\r\n1\t", {"2"}, true, "h1\t\r\nh2\t\r\n1\t\r\n2\t\r\n"}, // cut short elsewhere
        {"h1\t\r\nh2\t\r\n1\t\r", {"2"}, true, "h1\t\r\nh2\t\r\n1\t\r\n2\t\r\n"}, // cut between CR and LF
        {"", {"т"}, true, "h1\t\r\nh2\t\r\n\xF2\t\r\n"},                           // an empty file gets the header too
        {"h1\t\r\n", {"€ ∞"}, false, "h1\t\r\n"},                                   // no Windows-1251 for it
        {nullptr, {"∞"}, false, nullptr},
    };
    for (const Case &c : cases) {
        QFile::remove(path);
        if (c.before) {
            ASSERT_TRUE(writeFileAtomic(path, QByteArray(c.before)));
        }
        QString error;
        bool created = false;
        EXPECT_EQ(StateFile::append(path, {"h1"}, {"h2"}, c.values, &error, &created), c.ok) << c.before;
        EXPECT_EQ(created, c.ok && (!c.before || !*c.before));
        if (c.after) {
            EXPECT_EQ(bytesOf(path), QByteArray(c.after)) << c.before;
        } else {
            EXPECT_FALSE(QFile::exists(path));
        }
        if (!c.ok) {
            EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
        }
    }
}

TEST(StateFile, LoadsTheRowsItWrote)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("s.txt");
    ASSERT_TRUE(writeFileAtomic(path, "a\tb\t\r\n\r\nc\t\t\r\nd"));
    QList<QStringList> rows;
    ASSERT_TRUE(StateFile::load(path, rows));
    EXPECT_EQ(rows, (QList<QStringList>{{"a", "b"}, {"c", ""}, {"d"}}));
    EXPECT_FALSE(StateFile::load(dir.filePath("missing"), rows));
}

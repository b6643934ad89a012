#include "protocol/Tab.h"

#include <gtest/gtest.h>

using namespace pim;

TEST(Tab, HexTextsAcceptedAndRefused)
{
    struct Case {
        const char *text;
        bool ok;
        const char *hex;
    };
    const Case cases[] = {
        {"06 E5 34 12", true, "06 E5 34 12"},
        {"06e53412", true, "06 E5 34 12"},
        {"06,e5;34-12\n", true, "06 E5 34 12"},
        {"", true, ""},
        {"6 E5", false, ""},   // odd group
        {"06 E", false, ""},   // dangling digit
        {"06 G5", false, ""},  // not a hex letter
        {"0x06", false, ""},
    };
    for (const Case &c : cases) {
        Tab t{1, 2};
        EXPECT_EQ(Tab::fromHex(QString::fromUtf8(c.text), t), c.ok) << c.text;
        EXPECT_EQ(t.toHex(), QString::fromLatin1(c.hex)) << c.text;
    }
}

TEST(Tab, AccessOutsideIsHarmless)
{
    Tab t{0x10, 0x20, 0x30};
    EXPECT_EQ(t.at(-1), 0);
    EXPECT_EQ(t.at(3), 0);
    EXPECT_EQ(t[1], 0x20);
    t.set(3, 0xFF);
    t.set(-1, 0xFF);
    EXPECT_EQ(t.toHex(), "10 20 30");
    EXPECT_TRUE(t.inside(1, 2));
    EXPECT_FALSE(t.inside(2, 2));
    EXPECT_FALSE(t.inside(0, -1));

    EXPECT_EQ(t.mid(1).toHex(), "20 30");
    EXPECT_EQ(t.mid(1, 1).toHex(), "20");
    EXPECT_EQ(t.mid(2, 100).toHex(), "30");
    EXPECT_TRUE(t.mid(3).isEmpty());
    EXPECT_TRUE(t.mid(100, 2).isEmpty());
    EXPECT_EQ(t.mid(-1, 2).toHex(), "10");
    EXPECT_EQ(Tab(-5).size(), 0);
}

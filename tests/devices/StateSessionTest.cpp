// Two devices served side by side in one process: each session keeps its
// own identity, decoded records and value format.

#include "devices/DeviceSession.h"
#include "devices/StateCodec.h"
#include "support/StateFrame.h"
#include "support/StateTestEnv.h"

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::test;

namespace {

class StateSession : public StateTestBase {};

// A two-system state reply whose reals carry `base` + offset, so replies of
// different devices differ in every value.
Tab twoSystemReply(int length, int type, int number, float base)
{
    StateFrame f(length, type, number);
    for (int off = 5; off + 4 <= 77; off += 4)
        f.f32(off, base + float(off));
    f.u8(77, 1).u8(78, 2).u8(79, 3);
    return f.tab();
}

TEST_F(StateSession, TwoSessionsDoNotDisturbEachOther)
{
    DeviceSession a, b, c;
    a.setIdentity(238, 0x1234);
    b.setIdentity(229, 0x0042);
    c.setIdentity(238, 0x0777); // the same module as a, another device

    const Tab replyA = twoSystemReply(161, 238, 0x1234, 1000.0f);
    const Tab replyB = twoSystemReply(105, 229, 0x0042, 2000.0f);
    const Tab replyC = twoSystemReply(161, 238, 0x0777, 3000.0f);

    // Each reply is checked against its own session's device only.
    EXPECT_FALSE(a.module()->state().DecState(replyC, a.identity()).isEmpty());
    EXPECT_FALSE(b.module()->state().DecState(replyA, b.identity()).isEmpty());
    ASSERT_EQ(a.module()->state().DecState(replyA, a.identity()), QString());
    const QStringList shownA = a.module()->state().SLfromState(0);
    EXPECT_EQ(shownA.first(), "1005.00");

    ASSERT_EQ(b.module()->state().DecState(replyB, b.identity()), QString());
    ASSERT_EQ(c.module()->state().DecState(replyC, c.identity()), QString());
    EXPECT_EQ(a.module()->state().SLfromState(0), shownA);
    EXPECT_EQ(b.module()->state().SLfromState(0).first(), "2005.00");
    EXPECT_EQ(c.module()->state().SLfromState(0).first(), "3005.00");
    EXPECT_NE(a.module(), c.module());

    // The operator's precision is one session's view setting.
    a.valueFormat().setPrecision(4);
    EXPECT_EQ(a.module()->state().SLfromState(0).first(), "1005.0000");
    EXPECT_EQ(c.module()->state().SLfromState(0).first(), "3005.00");
    // And forgetting one device leaves the other identified.
    b.resetIdentity();
    EXPECT_FALSE(b.identified());
    EXPECT_TRUE(a.identified());
    EXPECT_EQ(b.module(), nullptr);
}

} // namespace

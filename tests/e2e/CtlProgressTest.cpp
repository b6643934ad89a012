// The progress line of pimctl's archive reads: the time left comes from
// the rate measured so far, so it settles on the truth as the read goes on,
// and the lines come as often as their stream wants them.

#include "CtlProgress.h"

#include <gtest/gtest.h>

using pimctl::CtlProgress;

TEST(CtlProgress, TimeLeftFromTheMeasuredRate)
{
    struct Case {
        int done, asked;
        qint64 elapsed, left;
    } cases[] = {
        {0, 100, 0, -1},          // nothing read: no rate to go by
        {0, 100, 5000, -1},
        {10, 100, 1000, 9000},    // 100 ms a record, 90 to come
        {50, 100, 1000, 1000},    // faster now: the estimate follows
        {100, 100, 7000, 0},      // done
        {120, 100, 7000, 0},      // retried requests never make it negative
        {3, 4401, 3000, 4398000},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CtlProgress::remainingMs(c.done, c.asked, c.elapsed), c.left) << c.done << " of " << c.asked;

    // A first slow record (the device woke up) does not fix the estimate:
    // with the next ones at 10 ms each it comes down to the real rest.
    const int asked = 1000;
    auto elapsedAt = [](int done) { return 2000 + qint64(done - 1) * 10; };
    auto ratio = [&](int done) {
        return double(CtlProgress::remainingMs(done, asked, elapsedAt(done))) / ((asked - done) * 10);
    };
    EXPECT_GT(ratio(100), ratio(500));
    EXPECT_GT(ratio(500), ratio(900));
    EXPECT_LT(ratio(900), 1.25);
    EXPECT_EQ(CtlProgress::remainingMs(asked, asked, elapsedAt(asked)), 0);
}

TEST(CtlProgress, Line)
{
    EXPECT_EQ(CtlProgress::line(0, 4401, 400), "архив: 0 из 4401 записей, прошло 0:00");
    EXPECT_EQ(CtlProgress::line(120, 4401, 12000), "архив: 120 из 4401 записей, прошло 0:12, осталось 7:08");
    EXPECT_EQ(CtlProgress::line(5, 3, 1000), "архив: 5 из 5 записей, прошло 0:01, осталось 0:00");
    EXPECT_EQ(CtlProgress::duration(59499), "0:59");
    EXPECT_EQ(CtlProgress::duration(65000), "1:05");
    EXPECT_EQ(CtlProgress::duration(3723000), "1:02:03");
    EXPECT_EQ(CtlProgress::duration(-5), "0:00");
}

TEST(CtlProgress, DueOnATerminalOftenElsewhereEveryFewSeconds)
{
    for (bool terminal : {true, false})
        EXPECT_TRUE(CtlProgress::due(terminal, 0, -1)); // the first line at once
    EXPECT_FALSE(CtlProgress::due(true, 1050, 1000));
    EXPECT_TRUE(CtlProgress::due(true, 1100, 1000));
    EXPECT_FALSE(CtlProgress::due(false, 1100, 1000));
    EXPECT_FALSE(CtlProgress::due(false, 5999, 1000));
    EXPECT_TRUE(CtlProgress::due(false, 6000, 1000));
}

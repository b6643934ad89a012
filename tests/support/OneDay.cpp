#include "support/OneDay.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace pimtest {

void onOneDay(const std::function<void(const QDate &today)> &body)
{
    for (int run = 0;; ++run) {
        const QDate today = QDate::currentDate();
        ::testing::TestPartResultArray found;
        {
            ::testing::ScopedFakeTestPartResultReporter hold(
                ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &found);
            body(today);
        }
        if (run == 0 && QDate::currentDate() != today)
            continue;
        for (int i = 0; i < found.size(); ++i) {
            const ::testing::TestPartResult &r = found.GetTestPartResult(i);
            if (r.failed())
                ADD_FAILURE_AT(r.file_name() ? r.file_name() : "?", r.line_number()) << r.message();
            else if (r.skipped())
                GTEST_SKIP() << r.message();
        }
        return;
    }
}

} // namespace pimtest

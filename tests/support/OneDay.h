#pragma once
// For tests whose code under test takes "today" from the computer's clock
// (the window's date pickers, the archive read plan) and cannot be handed a
// fixed one.

#include <QDate>

#include <functional>

namespace pimtest {

// Runs `body(today)` so that its "today" holds for the whole run: when the
// date changes while it runs (midnight passed), what it found is dropped and
// it runs once more on the new day, which a run of seconds cannot leave.
void onOneDay(const std::function<void(const QDate &today)> &body);

} // namespace pimtest

#pragma once
// A short scripted run of the window for people who look at it without
// sitting at it (the screenshot script): PIM_REHEARSAL holds steps separated
// by ";", run in order once the window is prepared:
//   port=PATH   choose PATH in the port list (added when missing) and check it
//   identify    "номер/тип"
//   state       "состояние" on
//   shot=FILE   save a PNG of the window
//   quit        close the window (settings are saved as usual)

#include <QString>
#include <QStringList>

namespace pim::ui {

class MainWindow;

class Rehearsal {
public:
    static void startFromEnvironment(MainWindow &w);
    // Runs the steps now; false (with `error`) at the first unknown step.
    static bool run(MainWindow &w, const QStringList &steps, QString *error = nullptr);
};

} // namespace pim::ui

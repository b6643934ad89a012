#pragma once
// A short scripted run of the window for people who look at it without
// sitting at it (scripts/run, scripts/screenshot): the option --demo of
// pim holds steps separated by ";", run in order once the window is
// prepared:
//   port=PATH   choose PATH in the port list (added when missing) and check it
//   identify    "номер/тип"
//   state       "состояние" on
//   save=FILE   save the archive in view to FILE, as answered in the file dialog
//   size=WxH    give the window that size (a screen without window manager)
//   shot=FILE   save a PNG of the window
//   quit        close the window (settings are saved as usual)

#include <QString>
#include <QStringList>

namespace pim::ui {

class MainWindow;

class Rehearsal {
public:
    // The option's help text.
    static QString help();
    // Runs `script` once the window has been shown.
    static void start(MainWindow &w, const QString &script);
    // Runs the steps now; false (with `error`) at the first unknown step.
    static bool run(MainWindow &w, const QStringList &steps, QString *error = nullptr);
};

} // namespace pim::ui

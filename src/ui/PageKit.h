#pragma once
// Small builders for the named controls of the pages.

#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QWidget;

namespace pim {
class DeviceSession;
}

namespace pim::ui {
class CommandMap;
}

namespace pim::ui::kit {

QSpinBox *spin(const char *name, int min, int max, int value, const char *hint, QWidget *parent);
QLineEdit *edit(const char *name, const QString &text, const char *hint, QWidget *parent);
QCheckBox *check(const char *name, const char *caption, const char *hint, bool checked, QWidget *parent);
QComboBox *combo(const char *name, const char *hint, QWidget *parent);
QLabel *label(const char *name, const char *caption, const char *hint, QWidget *parent);
QPushButton *button(const char *name, const char *caption, const char *hint, QWidget *parent);
QDateEdit *date(const char *name, QWidget *parent);

// The pop-up menu `menuName` of the command map on a widget: a right click
// on it or on any of its children (enabled or not) opens the menu, whose
// items follow their commands' enabled state.
QMenu *attachMenu(CommandMap &commands, QWidget *w, const QString &menuName);
// A push button that runs a command and follows its enabled state.
QPushButton *commandButton(CommandMap &commands, const char *name, const char *action, QWidget *parent);

// The buttons of "калибровка" and "стереть архивы" on `panel` (named
// `calibrate` and `clearArchives`) are off while the known type offers no
// calibration kind or keeps no archive (the pulse counter), else they follow
// their commands. Returns the refresh to run when the page is shown.
std::function<void()> offerByType(CommandMap &commands, QWidget *panel, const DeviceSession &session,
                                  const char *calibrate, const char *clearArchives);

// "not bounded" spin fields still need a range.
inline constexpr int kUnbounded = 1000000000;

} // namespace pim::ui::kit

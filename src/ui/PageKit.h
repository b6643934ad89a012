#pragma once
// Small builders for the named controls of the pages.

#include <QString>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace pim::ui {
struct Shell;
}

namespace pim::ui::kit {

QSpinBox *spin(const char *name, int min, int max, int value, const char *hint, QWidget *parent);
QLineEdit *edit(const char *name, const QString &text, const char *hint, QWidget *parent);
QCheckBox *check(const char *name, const char *caption, const char *hint, bool checked, QWidget *parent);
QComboBox *combo(const char *name, const char *hint, QWidget *parent);
QLabel *label(const char *name, const char *caption, const char *hint, QWidget *parent);
QPushButton *button(const char *name, const char *caption, const char *hint, QWidget *parent);
QDateEdit *date(const char *name, QWidget *parent);

// The pop-up menu `menuName` of the command map on a widget.
void attachMenu(Shell &shell, QWidget *w, const QString &menuName);
// A push button that runs a command and follows its enabled state.
QPushButton *commandButton(Shell &shell, const char *name, const char *action, QWidget *parent);

// "not bounded" spin fields still need a range.
inline constexpr int kUnbounded = 1000000000;

} // namespace pim::ui::kit

#pragma once
// "КАЛИБРОВКА": the calibration controls, the identity and new-number
// fields and the buttons of the maintenance commands, with its menu.

#include <QWidget>

namespace pim::ui {

struct Shell;

class CalibrationPage : public QWidget {
    Q_OBJECT
public:
    CalibrationPage(Shell &shell, QWidget *parent = nullptr);
};

} // namespace pim::ui

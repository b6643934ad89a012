#pragma once
// "КАЛИБРОВКА": the calibration controls, the identity and new-number
// fields and the buttons of the maintenance commands, with its menu.

#include <QWidget>

class QLineEdit;
class QSpinBox;
class QMenu;

namespace pim::ui {

class CommandMap;

class CalibrationPage : public QWidget {
    Q_OBJECT
public:
    CalibrationPage(CommandMap &commands, QWidget *parent = nullptr);

    // "Enok": the identity's number again (filled and cleared with "ENo").
    QLineEdit *enok() const { return m_enok; }
    QMenu *menu() const { return m_pmk; }
    // "SEDN": the number "задать №" gives the device.
    QSpinBox *newNumber() const { return m_sedn; }

private:
    QLineEdit *m_enok;
    QSpinBox *m_sedn;
    QMenu *m_pmk;
};

} // namespace pim::ui

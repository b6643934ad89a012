#pragma once
// "КАЛИБРОВКА": the calibration kinds of the type, the set-point fields
// with their labels, the pressure mode, the measured values, the identity
// and new-number fields and the buttons of the maintenance commands, with
// its menu. "калибровка" runs the headless calibration workflow.

#include "workflows/Calibration.h"

#include <QWidget>

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;

namespace pim {
class DeviceRoad;
class DeviceSession;
class WorkflowUi;
}

namespace pim::ui {

class CommandMap;
class Events;
class ParamEditor;
class RadioGroup;

class CalibrationPage : public QWidget {
    Q_OBJECT
public:
    CalibrationPage(Events &events, CommandMap &commands, WorkflowUi &ui, DeviceSession &session, DeviceRoad &road,
                    QWidget *parent = nullptr);

    // "Enok": the identity's number again (filled and cleared with "ENo").
    QLineEdit *enok() const { return m_enok; }
    QMenu *menu() const { return m_pmk; }
    // "SEDN": the number "задать №" gives the device.
    QSpinBox *newNumber() const { return m_sedn; }

    // The page was shown: the link's state on the status line, the
    // clock and configuration writes enabled, the configuration editor,
    // the kinds of the current type, then the kind.
    void pageShown();
    // The text the status line shows when the page is shown without a
    // device: the chosen port and its state ("COM1: ...").
    void setLinkText(std::function<QString()> text) { m_linkText = std::move(text); }
    // A kind chosen: labels and visibility by type, the kind's defaults,
    // the pressure mode switch in the pressure kind only.
    void kindChosen();
    // "калибровка".
    Calibration::Result calibrate();
    // The channel of the set-point field that has the focus (2..5; 0 none).
    int selectedChannel() const { return m_channel; }
    // "sbd" down: every pressure channel in turn.
    bool allChannels() const;
    // The measured values shown beside the set points.
    QString measured(int i) const;
    // The type's configuration editor of this page.
    ParamEditor *editor() const { return m_editor; }

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    Events &m_events;
    CommandMap &m_commands;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
    DeviceRoad &m_road;
    RadioGroup *m_rgk;
    std::array<QSpinBox *, 4> m_points{};
    std::array<QLabel *, 4> m_labels{};
    std::array<QLineEdit *, 4> m_results{};
    std::array<QLabel *, 4> m_resultLabels{};
    QPushButton *m_sbd;
    QLineEdit *m_enok;
    QSpinBox *m_sedn;
    QMenu *m_pmk;
    ParamEditor *m_editor;
    int m_channel = 0;
    std::function<QString()> m_linkText;
    // Sets the buttons a known type does not offer off (see pageShown).
    std::function<void()> m_offerButtons;
};

} // namespace pim::ui

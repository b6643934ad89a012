#pragma once
// "Pind": the strip under the toolbar: the lamp, the status text "LuState",
// the seconds bar "Gsec" and the clock "LDT", painted from the status line.

#include <QFrame>

class QLabel;
class QProgressBar;

namespace pim {
class StatusLine;
}

namespace pim::ui {

class Lamp;

class IndicatorStrip : public QFrame {
    Q_OBJECT
public:
    IndicatorStrip(StatusLine &model, QWidget *parent = nullptr);

    Lamp *lamp() const { return m_lamp; }
    QLabel *statusLabel() const { return m_state; }
    QLabel *clockLabel() const { return m_clock; }
    QProgressBar *secondsBar() const { return m_sec; }

signals:
    void clockDoubleClicked();

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void paintLamp();
    void paintClock();

    StatusLine &m_model;
    Lamp *m_lamp;
    QLabel *m_state;
    QProgressBar *m_sec;
    QLabel *m_clock;
};

} // namespace pim::ui

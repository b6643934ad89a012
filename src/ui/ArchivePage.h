#pragma once
// The page "АРХИВЫ": the date range, precision, print spacing, printer
// choice, live display, range choice and the archive tabs with their grid.
// Reading and viewing archives come with their own workflows; the range
// choice and the precision already work.

#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveView.h"

#include <QWidget>

class QDateEdit;
class QMenu;
class QSpinBox;
class QTabBar;
class QTableWidget;

namespace pim {
class DeviceSession;
class WorkflowUi;
}

namespace pim::ui {

class CommandMap;
class Events;
class RadioGroup;

class ArchivePage : public QWidget {
    Q_OBJECT
public:
    ArchivePage(Events &events, CommandMap &commands, WorkflowUi &ui, DeviceSession &session, QWidget *parent = nullptr);

    // Range choice (also run at start and when the setting is restored).
    void rangeChoice();
    // Begin = end = today.
    void resetRange();
    // The latest date the pickers accept.
    void limitToToday();
    // Fills the grid "SGa" with an archive view. A difference taken across
    // missing records is marked: its first cell gets a "*", its row a
    // colour and a hint, so two periods never pass for one.
    void showGrid(const ArchiveView::Grid &g);
    static QString gapHint();
    // The precision "SEprec" shows becomes the one values are shown with
    // (after it came back from the settings with its handler held off).
    void takePrecision();

    QMenu *menu() const { return m_pma; }

private:
    Events &m_events;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
    QMenu *m_pma;
    ArchiveRange m_range;
    QDateEdit *m_begin;
    QDateEdit *m_end;
    RadioGroup *m_rgdtp;
    QSpinBox *m_prec;
    QTabBar *m_tca;
    QTableWidget *m_sga;
};

} // namespace pim::ui

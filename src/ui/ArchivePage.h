#pragma once
// The page "АРХИВЫ": the date range, precision, print spacing, printer
// choice, live display, range choice and the archive tabs with their grid.
// Reading and viewing archives come with their own workflows; the range
// choice and the precision already work.

#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveView.h"

#include <QWidget>

class QDateEdit;
class QSpinBox;
class QTabBar;
class QTableWidget;

namespace pim::ui {

struct Shell;
class RadioGroup;

class ArchivePage : public QWidget {
    Q_OBJECT
public:
    ArchivePage(Shell &shell, QWidget *parent = nullptr);

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

private:
    Shell &m_shell;
    ArchiveRange m_range;
    QDateEdit *m_begin;
    QDateEdit *m_end;
    RadioGroup *m_rgdtp;
    QSpinBox *m_prec;
    QTabBar *m_tca;
    QTableWidget *m_sga;
};

} // namespace pim::ui

#pragma once
// The page "АРХИВЫ": the date range, precision, print spacing, printer
// choice, live display, range choice and the archive tabs of the current
// type with their grid. The page runs the archive commands of the window
// ("архив", "стоп", "запись архива", the file load, "в CSV") on the
// headless readers and views and only shows what they give.

#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveReading.h"
#include "workflows/ArchivePlot.h"
#include "workflows/ArchiveView.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <memory>

class QCheckBox;
class QDateEdit;
class QLabel;
class QMenu;
class QPrinter;
class QSplitter;
class QPushButton;
class QSpinBox;
class QTabBar;
class QTableWidget;
class QTimer;

namespace pim {
class DeviceRoad;
class DeviceSession;
class WorkflowUi;
struct ReportSource;
}

namespace pim::ui {

class CommandMap;
class Events;
class RadioGroup;

class ArchivePage : public QWidget {
    Q_OBJECT
public:
    ArchivePage(Events &events, CommandMap &commands, WorkflowUi &ui, DeviceSession &session, DeviceRoad &road,
                QWidget *parent = nullptr);
    ~ArchivePage() override;

    // Range choice (also run at start and when the setting is restored).
    void rangeChoice();
    // Begin = end = today.
    void resetRange();
    // The latest date the pickers accept.
    void limitToToday();
    // The precision "SEprec" shows becomes the one values are shown with
    // (after it came back from the settings with its handler held off).
    void takePrecision();

    // The page was shown: the link's state on the status line, the tabs of
    // the current type, the range choice again and the archive view.
    void pageShown();
    // The text the status line shows when the page is shown without a
    // device: the chosen port and its state ("COM1: ...").
    void setLinkText(std::function<QString()> text) { m_linkText = std::move(text); }
    // The tabs "TCa" from the current type's tab captions, keeping the
    // selected index; the read command's hint and image follow the tab.
    void rebuildTabs();
    // The archive view of the selected tab over the range.
    void refreshView();

    // "архив": reads the archive of the selected tab; "стоп" ends it with
    // what was read kept and shown.
    ArchiveReading::Result readArchive();
    void stopReading();
    bool reading() const { return m_reader != nullptr; }

    // "отображать архив при чтении" and the rows a read adds as it goes.
    bool liveUpdate() const;
    void archiveGrown(int kind);

    // The import of a carrier file: "все записи" chosen and its handler
    // run; the first tab of the file's kind selected (daily: the first tab,
    // hourly: the first hourly cumulative one) with the tab's handler.
    void chooseAllRecords();
    void selectCarrierTab(bool daily);

    // Double click on "ОТ"/"ДО": the range of the whole read archive.
    void wholeArchive();
    // Double click on a cell of "SGa": an error cell is decoded.
    void gridDoubleClick(int row, int column);

    // "запись архива": the save dialog with the proposed name, then the
    // companion text and the archive file. False when nothing was written.
    bool saveArchive();
    // "чтение архива": the open dialog, then the file's grid (not ok when
    // cancelled or refused).
    ArchiveView::Grid loadArchive(bool *cancelled = nullptr);
    // "в CSV": the grid as shown, as pimctl writes it.
    bool exportCsv();

    // "график": the plot of the shown tab beside the grid, following its
    // range and tab; "сохранить график" writes it as a PNG.
    void showPlot(bool on);
    bool savePlotPng();
    PlotData currentPlot() const;

    // "Bint": the print line spacing, 0 → 1 → 2 → −1 → 0.
    int printSpacing() const { return m_spacing; }
    void stepPrintSpacing();
    // "BBspa": the printer the archive is printed on.
    QPrinter *printer();

    // The archive "печать архива" prints: the selected tab's, or the file
    // last read while its records are the ones shown.
    ReportSource reportSource() const;

    // The tab selected in "TCa" (-1 when none).
    int tabIndex() const;
    // The archive grid is printable: its last row is not "нет данных".
    bool printable() const { return m_printable; }
    QMenu *menu() const { return m_pma; }
    QTableWidget *grid() const { return m_sga; }
    static QString gapHint();
    // Fills a grid with archive rows: two fixed header rows, each column
    // as wide as its widest text + 5 px and never narrowed; a difference
    // taken across missing records is marked ("*", a colour and a hint).
    static void fillGrid(QTableWidget *grid, const ArchiveView::Grid &g);
    // The text of the error decoder for a cell below the two header rows
    // whose column is an error column by its header texts; none otherwise.
    static std::optional<QString> errorCellText(const QTableWidget *grid, int row, int column,
                                                DeviceSession &session);

    // The file dialogs; tests answer them instead of an operator. `save`
    // asks for a new name (with the overwrite question), else for an
    // existing file. An empty answer is a cancel.
    using FileChooser =
        std::function<QString(bool save, const QString &proposed, const QString &filter)>;
    static void setFileChooser(FileChooser chooser);

signals:
    // The precision changed: the state display follows at once.
    void precisionChanged();
    // The page asks to be shown (a read starts).
    void showRequested();
    // "печать архива" may be enabled (the last row is not "нет данных").
    void printableChanged(bool printable);
    // The template set to load: the tab changed, or an archive file was read.
    void printSetChanged(int type, int kind);
    // "Bint" stepped: the report's line interval in millimetres.
    void printSpacingChanged(int mm);

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void showGrid(const ArchiveView::Grid &g);
    void appendRows(const QList<QStringList> &rows);
    void flushLive();
    void refreshPlot();
    // An archive file read is in view ("чтение архива" on).
    bool showingFile() const;
    void setPrintable(bool on);
    QString choose(bool save, const QString &proposed, const QString &filter);

    Events &m_events;
    CommandMap &m_commands;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
    DeviceRoad &m_road;
    std::function<QString()> m_linkText;
    ArchiveRange m_range;
    ArchiveView m_view;
    ArchiveReading *m_reader = nullptr;
    int m_liveShown = 0;   // read records that have their row in the grid
    QTimer *m_liveTimer;   // gathers the rows of a fast read into one update
    bool m_liveRows = false; // the grid holds rows added while reading
    bool m_printable = false;
    QString m_loadedFile;  // the archive file whose records are shown; empty: the device's
    ArchiveView::Grid m_loadedGrid; // its grid
    int m_spacing = 0;
    std::unique_ptr<QPrinter> m_printer;
    QMenu *m_pma;
    QLabel *m_lot;
    QLabel *m_ldo;
    QDateEdit *m_begin;
    QDateEdit *m_end;
    RadioGroup *m_rgdtp;
    QSpinBox *m_prec;
    QCheckBox *m_live;
    QPushButton *m_bint;
    QTabBar *m_tca;
    QTableWidget *m_sga;
    QSplitter *m_gridSplit;
    class ArchivePlotWidget *m_plot;
    QPushButton *m_plotButton;
};

} // namespace pim::ui

#pragma once
// "ОТЛАДКА": the service console. Command tables of the type in "SEtu"
// are listed, edited in the grid and saved on Enter; formats and
// predefined values are dragged onto the grid, a table onto "КОДИРОВКА:"
// or "РАСКОДИРОВКА:"; a double click on "КОДИРОВКА:" (or "послать...")
// encodes the frame, lists it and, with "посылать", writes it once to the
// page's port. The reply comes through the asynchronous receive path and
// is listed byte by byte and field by field.

#include "console/Listing.h"
#include "links/AsyncReceiver.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class QTableWidget;

namespace pim {
class ExchangeEngine;
class WorkflowUi;
}

namespace pim::ui {

class Events;
class PortPage;

class DebugPage : public QWidget, public RxCompletion {
    Q_OBJECT
public:
    DebugPage(Events &events, WorkflowUi &ui, ExchangeEngine &engine, AsyncReceiver &rx, PortPage *portPage,
              QWidget *parent = nullptr);

    // "LDstate": the service console's port state.
    QLabel *stateLabel() const { return m_ldstate; }

    // The page was shown / left.
    void pageShown();
    void pageHidden();
    // The port check of the page's port and rate.
    bool portCheck();
    // The tables of the type in "SEtu" into "CBcmd"; the first one loaded.
    void fillTables();
    // "КОДИРОВКА:" double-clicked: encode, list and (with "посылать") send.
    void encodeAndSend();
    // A drag from the combo box `source` dropped on the grid's row / on
    // "КОДИРОВКА:" (`encoding`) or "РАСКОДИРОВКА:"; false when refused.
    bool dropOnGrid(int row, const QString &source);
    bool dropOnLabel(bool encoding, const QString &source);
    // The grid's Enter: the table into its file.
    void saveTable();
    // Double click on the grid at `row`, Ctrl held or not.
    void gridDoubleClick(int row, bool ctrl);

    // A reception ended while this page was up.
    void rxComplete(const QByteArray &buffer) override;

    QStringList listing() const;

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void loadTable(const QString &path);
    void showTable();
    console::CommandTable tableFromGrid() const;
    void list(const QStringList &lines);
    QString currentTablePath() const;
    console::ListingOptions options() const;

    Events &m_events;
    WorkflowUi &m_ui;
    ExchangeEngine &m_engine;
    AsyncReceiver &m_rx;
    PortPage *m_portPage;
    QLabel *m_ldstate;
    QComboBox *m_cbcd, *m_cbbd, *m_cbcmd, *m_cbfmt, *m_cbv;
    QSpinBox *m_setu, *m_senou;
    QLabel *m_label1, *m_lcod, *m_label2, *m_ldec;
    QCheckBox *m_cbp, *m_cbdec, *m_cbant, *m_ascii;
    QTableWidget *m_sgcmd;
    QListWidget *m_lbq;
    QPlainTextEdit *m_memod;
    QPoint m_dragStart;
    bool m_shown = false;
    int m_pressedRow = -1;
    bool m_pressedCtrl = false;
};

} // namespace pim::ui

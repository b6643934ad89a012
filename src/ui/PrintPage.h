#pragma once
// "настройка печати": the three sections of the report template with their
// fonts, the variable list "cbd", the token insertion by double click, the
// font dialog, the help text, the page margins, line interval and margin
// frame, the printer; and "печать архива", which opens the print preview
// of the archive in view.

#include "reports/PrintForms.h"
#include "reports/ReportLayout.h"

#include <QString>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QSpinBox;

namespace pim {
class DeviceSession;
class WorkflowUi;
struct ReportSource;
}

namespace pim::ui {

class Events;

class PrintPage : public QWidget {
    Q_OBJECT
public:
    // `printer` gives the printer chosen on the archive page ("BBspa"),
    // which this page's "выбор принтера" chooses as well.
    PrintPage(Events &events, WorkflowUi &ui, DeviceSession &session, std::function<QPrinter *()> printer,
              QWidget *parent = nullptr);

    // LoadPrintForms: the set of the type for the archive kind from the
    // template files; what is not in a file stays as it is. Edits not yet
    // printed are replaced.
    void loadForms(int type, int kind);
    // The set as it will be printed: the sections as edited (the kept
    // header while the help text is shown) with their fonts and the list.
    PrintForms forms() const;
    PageSettings pageSettings() const;
    // The line interval "SEint" in millimetres; "Bint" of the archive page
    // sets it (0, 1, 2, −1).
    void setLineInterval(int mm);

    // "печать архива": saves the set of the type (SavePrintForms) and opens
    // the preview of the report, from which the operator prints or saves a
    // PDF. `source` names the archive in view.
    void previewArchive(const ReportSource &source);
    // What the preview draws, on any printer (tests print to a PDF file).
    int printArchive(QPrinter *printer, const ReportSource &source);

    // The "cbd" selection, the token a double click inserts ("@07").
    QString selectedToken() const;
    // Inserts the selected token at the caret of a section (0 header,
    // 1 data, 2 footer): what a double click there does.
    void insertToken(int section);
    // "помощь настройки печати".
    void showHelp(bool on);
    bool helpShown() const { return m_helpShown; }

    QPlainTextEdit *section(int id) const { return m_sections[qBound(0, id, 2)]; }

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void showForms();
    void showCaret(int section);
    void chooseFont();
    void editVariable();
    void chooseVariable(int index);

    Events &m_events;
    WorkflowUi &m_ui;
    DeviceSession &m_session;
    std::function<QPrinter *()> m_printer;
    PrintForms m_forms;        // fonts and list; the sections' lines live in the editors
    QStringList m_keptHeader;  // the header's lines while the help text is shown
    bool m_helpShown = false;
    int m_current = 0;         // the section last entered
    int m_cbdIndex = 0;        // the variable last chosen
    QPlainTextEdit *m_sections[3];
    QComboBox *m_cbd;
    QListWidget *m_varList; // every entry of the list, as "cbd" holds it
    QSpinBox *m_left, *m_top, *m_right, *m_bottom, *m_interval;
    QCheckBox *m_frame;
    QPushButton *m_help;
    QLabel *m_line, *m_column, *m_sectionName;
};

} // namespace pim::ui

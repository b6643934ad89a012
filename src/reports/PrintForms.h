#pragma once
// Report template sets: the header, data and footer sections with their
// fonts and the variable list, the built-in defaults, the font line that
// heads every stored section, and the files of a print-format number in
// ДАННЫЕ/ПЕЧАТЬ (ФОРМАТЫ_nn, ВЕРХ/ОСНОВА/НИЗ with _СУТ_nn or _ЧАС_nn).

#include <QString>
#include <QStringList>

namespace pim {

struct TypeInfo;

struct ReportFont {
    QString name = QStringLiteral("MS Sans Serif");
    int size = 8;
    bool bold = false;
    bool italic = false;
    friend bool operator==(const ReportFont &, const ReportFont &) = default;
};

// One section: its lines (without the font line) and its font.
struct ReportSection {
    QStringList lines;
    ReportFont font;
};

// The four built-in variable lists and the window's list before any type
// is known.
enum class VarList { Full, Short, U25, U27, Initial };
QStringList defaultVarList(VarList list);
// The list a type starts from (by its module and list length).
VarList varListOf(const TypeInfo &type);

// The format of a variable entry: the text between the first "." and the
// first "~" (to the end when there is no "~").
QString varFormat(const QString &entry);

// The font line: "Name=" + name + TAB + "Size=" + size + TAB [+ "Bold" TAB]
// [+ "Italic" TAB].
QString fontLine(const ReportFont &font);
// Takes the font line of a section: a whole one sets the font and is
// removed (bold and italic are on exactly when it names them); one with
// only the name sets the name and stays as a text line.
void readMemoFont(ReportSection &section);

// The most bytes a template file (a section or a variable list) may hold,
// and the longest line: the built-in ones are about a kilobyte with lines
// far shorter than a page is wide, and every line of a section is laid out
// on every page (the data section on every row), so a file of megabytes or
// a line of thousands of tokens would only stall the report.
inline constexpr qint64 kTemplateFileBound = 64 * 1024;
inline constexpr int kTemplateLineBound = 1024;

// ДАННЫЕ/ПЕЧАТЬ under the program folder.
QString printFolder();

// The report's three sections and variable list. Starts with the built-in
// default template and the initial list; loading replaces what the files
// of a type hold.
class PrintForms {
public:
    PrintForms();

    ReportSection header;
    ReportSection data;
    ReportSection footer;
    QStringList vars;

    // The built-in sections of a list family: each value under the header
    // word that names it, in the numbers of that list; the hourly data
    // section prints the hour of each record. The 225 list's daily set is
    // also the set the program starts with.
    static ReportSection defaultHeader(VarList list = VarList::U25);
    static ReportSection defaultData(VarList list = VarList::U25, bool hourly = false);
    static ReportSection defaultFooter();

    // File names of print-format number nn: "ФОРМАТЫ_30.txt",
    // "ВЕРХ_СУТ_30.txt", ... (section 0 header, 1 data, 2 footer).
    static QString varsFileName(int nn);
    static QString sectionFileName(int section, bool daily, int nn);

    // Loads the set of `type` for archive kind `kind` from `folder`: the
    // variable list (its default when the file is missing; a stored list of
    // another length is followed by the whole default list, unless it
    // already ends with it), then the daily (kinds 0, 1) or hourly (2, 3)
    // sections; a section without a file is the type's built-in one. A file
    // is read as Windows-1251 or, when its bytes are valid UTF-8, as UTF-8;
    // a file larger than kTemplateFileBound or with a line longer than
    // kTemplateLineBound is not taken: its part is the built-in one, the
    // first such refusal is said in `error`, and the file is kept out of
    // every later save, so the operator's file is never replaced by a
    // default it was not read into. False for a type without a print set.
    bool load(const QString &folder, int type, int kind, QString *error = nullptr);

    // Writes the variable list and, for kinds 0..3, the three sections with
    // their font lines, each file atomically; a file the last load refused
    // stays as it is. Returns the first failure as a text (empty when
    // everything was written).
    QString save(const QString &folder, int type, int kind) const;

private:
    // Paths of the files the last load refused.
    QStringList m_refused;
};

} // namespace pim

#pragma once
// The archive description table of the carrier files: a grid of at most 51
// rows and 12 columns, four columns to a type group (columns g .. g+3 for
// the group number g = 0, 4, 8). Row 0 holds the group's types and its
// record counts and reply length ("CoAD=61;", "CoAH=959;", "Q_ArhivL=166;"),
// rows 1..50 one record field each: caption, second caption line or unit,
// field format, display position. Loaded from ДАННЫЕ\описание архивов.txt
// when that file exists, else built in (and never written).

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pim {

class ArchiveDescription {
public:
    static constexpr int kRows = 51;
    static constexpr int kColumns = 12;

    // The built-in table.
    ArchiveDescription();

    // The table of the program: the file in ДАННЫЕ when it exists and can
    // be read, else the built-in one (`error` then says why a file that
    // exists was not read: unreadable, or larger than any table can be).
    static ArchiveDescription programTable(QString *error = nullptr);
    // A table from the lines of a description file (TAB after every cell);
    // rows and cells beyond the grid are ignored.
    static ArchiveDescription fromLines(const QStringList &lines);
    static QString fileName(); // the path of ДАННЫЕ\описание архивов.txt

    // Columns of the table: the cells of its first row (at most kColumns).
    int columns() const { return m_columns; }
    QString cell(int row, int column) const;

    // The type group of a carrier type code (0, 4 or 8), -1 when the type
    // has no carrier files.
    static int columnGroup(int type);

    // The number between "=" and ";" of a row-0 cell such as "CoAD=61;";
    // false when there is none.
    static bool cellNumber(const QString &cell, int &value);

    // The fields of a group: formats and captions (caption and second line
    // joined by a blank), up to the first row of blanks.
    QStringList formats(int group) const;
    QStringList names(int group) const;

private:
    QList<QStringList> m_cells; // kRows rows of kColumns cells
    int m_columns = kColumns;
};

// The fields of one record as name=value texts, the formats walked in order
// from the first byte of the record: "byte", "word", "single", "word/10",
// "word/100", and a format containing "word/date" (a day number, 1 = 1
// January 2000, shown with the date pattern after "=" in the format, else
// the short date). A field past the end of the record is "данные кончились".
// An unknown format ends the walk; `error` then names it.
QStringList CMDMakeValues(const QByteArray &record, const QStringList &formats, const QStringList &names,
                          QString *error = nullptr);

} // namespace pim

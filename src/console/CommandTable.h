#pragma once
// The command tables of the service page: one text file per frame layout,
// one line per row, every cell followed by a TAB. Row 0 is free text; row
// r describes frame byte r - 1: column 0 its index, column 1 the field's
// name, column 2 the field cell (format letter, predefined value,
// expression), further columns free text kept in the file.

#include <QList>
#include <QString>
#include <QStringList>

namespace pim::console {

struct CommandTable {
    QList<QStringList> rows;

    int rowCount() const { return int(rows.size()); }
    int columnCount() const;
    QString cell(int row, int column) const { return rows.value(row).value(column); }
    void setCell(int row, int column, const QString &text);

    // Column 0 of rows 1 and on: 00, 01, ... (at least two digits).
    void renumber();
    // An empty row after `row`, then the numbers again.
    void insertRowAfter(int row);
    // Row `row` out while more than two rows remain, then the numbers again.
    void deleteRow(int row);
    // A format dropped on `row`: that row and the ones its width covers get
    // the letter, "@" and the predefined value's number (two digits; -1 for
    // none) in column 2; rows are added where the table is too short.
    void dropFormat(int row, QChar letter, int predefined);
};

// The folder of a device type's tables: ДАННЫЕ\ОТЛАДКА\<type as three digits>.
QString tableFolder(int type);

// Error text (empty when read): "не найден файл:" CR path for a missing
// file, the reason for one that cannot be read or holds over a megabyte. A line without its final TAB gets one; the table has at least two
// rows and one column.
QString LoadTable(const QString &path, QChar separator, CommandTable &table);
// Every row as its cells each followed by the separator; written through a
// temporary file so a failed write leaves the old table. Error text, empty
// when written.
QString SaveTable(const CommandTable &table, const QString &path, QChar separator);
// The full paths of the *.txt files of a folder, by name.
QStringList ListTables(const QString &folder);

// Width in bytes of a format letter (B 1, W 2, L 4, S 4; 0 for another).
int formatWidth(QChar letter);

} // namespace pim::console

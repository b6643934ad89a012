#pragma once
// The state file: a Windows-1251 CR LF text file that grows by one row per
// state reading. A new file starts with the state grid's two header rows;
// every row holds the texts of the state fields in the module's column
// order, each cell followed by a tab. Rows are only ever appended: a file
// watched for hours is never rewritten, and a write that fails leaves it as
// it was.

#include <QList>
#include <QString>
#include <QStringList>

namespace pim {

class StateCodec;

class StateFile {
public:
    // The grid of one system of the last state decoded: header row 1,
    // header row 2 and the values, each in the module's column order.
    static QList<QStringList> gridRows(const StateCodec &codec, int system);

    // One row as the file holds it: every cell followed by a tab.
    static QString row(const QStringList &cells);

    // Appends `values` as one row; a missing (or empty) file gets the two
    // header rows first. False, with `error` naming the file, when nothing
    // could be written (the file then is as it was). `created` says whether
    // the header rows were written.
    static bool append(const QString &path, const QStringList &header1, const QStringList &header2,
                       const QStringList &values, QString *error = nullptr, bool *created = nullptr);

    // The whole file as a grid: one row per non-empty line, cells split at
    // the tabs (the tab after the last cell makes no cell of its own).
    static bool load(const QString &path, QList<QStringList> &rows, QString *error = nullptr);

    // Where a state file name points: an absolute name as it is, a bare or
    // relative one below the program folder.
    static QString resolve(const QString &name);

    // CSV of the same readings for a spreadsheet: ';' separators, the
    // reading's time (ISO) first; header "время" and the column names.
    static QString csvRow(const QStringList &cells);
    static bool appendCsv(const QString &path, const QStringList &header, const QStringList &values,
                          QString *error = nullptr);
};

} // namespace pim

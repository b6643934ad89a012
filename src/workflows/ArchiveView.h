#pragma once
// The archive page without widgets: the grid of the selected tab for the
// date range, the precision, the whole read archive as the range, saving
// the shown archive to an archive file and loading one back.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace pim {

class ArchiveRange;
class DeviceSession;
class WorkflowUi;
class ArhCodec;

class ArchiveView {
public:
    // The records shown are the session's.
    ArchiveView(WorkflowUi &ui, ArchiveRange &range, DeviceSession &session);

    struct Grid {
        bool ok = false;
        int kind = 0;
        int system = 1;
        QStringList rows;          // the codec's rows, cells followed by a tab
        QList<int> columns;        // the column map the grid shows them with
        QList<QStringList> cells;  // the grid as shown: rows × columns
        bool printable = false;    // the last row is not "нет данных"
        int records = 0;           // rows of records (no header, no totals, no "нет данных")
        // Per row of `cells` below the two header rows: a difference taken
        // across missing records, so that it covers more than one period.
        QList<bool> gaps;
        int leftover = 0;          // a loaded file: bytes after its last whole record
        int type = -1;             // a loaded file: the type it was read as
        int unreal = 0;            // a loaded file: records left out that cannot be real
        bool gap(int row) const { return gaps.value(row - 2, false); }
    };

    // The archive view of tab `tabIndex` of the type (its kind and system)
    // over the range; the displayed archive of the module is rebuilt.
    Grid build(int type, int tabIndex);

    // The rows a read has added since `shown` of the tab's archive records
    // had theirs (advanced past them): one row per record of a cumulative
    // tab; a difference row once the older record of the pair has come.
    // Picked by the tab's column map, so the grid grows without a rebuild.
    QList<QStringList> liveRows(int type, int tabIndex, int &shown);

    // Double click on "ОТ"/"ДО": the range becomes the oldest to the newest
    // day read in the tab's archive. With no record nothing changes (false).
    bool wholeArchive(int type, int tabIndex);

    // Digits after the decimal point, 2..9 ("SEprec").
    void setPrecision(int digits);

    // The proposed path of the save dialog, in the device folder.
    QString proposedPath(int type, int number, int tabIndex, const QDateTime &now) const;

    struct Saved {
        bool ok = false;
        bool nothing = false;   // no record to save: no file was touched
        QString error;          // a file error, or why nothing was saved
        QStringList messages;   // "НЕ МОГУ СОЗДАТЬ ДИР" per folder
    };
    // Writes the companion text of the grid as shown and the records of the
    // tab's system (creating the device folders when `path` lies in the
    // device folder, else only the file's own folder). A view without a
    // record writes nothing: an existing file keeps its archive.
    Saved save(int type, int number, int tabIndex, const QString &path);

    // The grid as a spreadsheet file: one header row, ";" between cells and
    // ISO dates in the date column (its header names the format, "ГГГГ-ММ-ДД"), then a
    // last column "разрыв": 1 on a difference taken across missing records.
    // The "нет данных" row of an empty view is no record. Windows-1251 with
    // CR LF like every file of the program. Returns a file error, or why
    // nothing was written (a view without a record never replaces a file);
    // empty when written.
    QStringList csvLines(int type, const Grid &g) const;
    QString saveCsv(int type, const Grid &g, const QString &path) const;

    // "чтение архива": loads a file into the displayed archive and returns
    // its grid (system 1, hourly column map). The file is read as the type
    // its device folder or companion text names (ArchiveFiles::namedType),
    // else as `type`. A file refused by its size or kind, one without a
    // whole record ("нет данных"), one whose size is no whole number of
    // records, and one read as `type` alone with a record that cannot be
    // real (another type's file) is not ok, with the likely cause in the
    // status. Of a file whose type is named, records that cannot be real
    // are left out and counted (`unreal`).
    Grid load(int type, const QString &path);

    // Cells of rows picked by a column map (1-based cell numbers, sign
    // ignored); a cell a row lacks is empty.
    static QList<QStringList> pick(const QStringList &rows, const QList<int> &columns);

private:
    ArhCodec *codecOf(int type) const;

    WorkflowUi &m_ui;
    ArchiveRange &m_range;
    DeviceSession &m_session;
};

} // namespace pim

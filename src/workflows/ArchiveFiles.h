#pragma once
// Archive files: the device folder below the program folder, the proposed
// file name, the save (companion text file first, then the fixed-length
// record images) and the load (record images back, with the warning for a
// name whose extension is not ".Arh").
//
// The container knows nothing of the layouts: it takes and returns record
// images of the length the current type's archive codec gives.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace pim {

class ArchiveFiles {
public:
    // ДАННЫЕ/АРХИВЫ/<model name>/<number, at least 5 digits>
    static QString deviceFolder(int type, int number);
    // ДАННЫЕ/АРХИВЫ
    static QString archivesFolder();

    // Creates the four folders in turn where missing; one message
    // "НЕ МОГУ СОЗДАТЬ ДИР" per folder that cannot be created.
    static QStringList makeDeviceFolder(int type, int number);

    // "СУТОЧНЫЙ_от0101до0131дз021409.Arh" from the tab caption, the range
    // and the time of saving.
    static QString proposedName(const QString &tabCaption, QDate begin, QDate end, const QDateTime &now);

    // The companion text file of an archive file: the name without its
    // extension followed by ".txt".
    static QString companionName(const QString &arhPath);

    // Writes the companion text (grid rows, cells followed by a tab, CR LF,
    // Windows-1251) and then the records. False with `error` on failure; a
    // failure of the text file leaves the archive file unwritten. Empty
    // records are refused: an existing file is never replaced by an empty
    // archive.
    static bool save(const QString &arhPath, const QStringList &gridRows, const QByteArray &records,
                     QString *error = nullptr);

    struct Loaded {
        QByteArray image; // the whole file
        QString warning;  // "файл: <path> - не опознан как архивный" or empty
        QString error;    // the file was refused or could not be read
        bool ok() const { return error.isEmpty(); }
        // Whole records of a length; a shorter tail is not a record.
        int records(int recordLength) const { return recordLength > 0 ? int(image.size() / recordLength) : 0; }
        // Bytes after the last whole record.
        int leftover(int recordLength) const { return recordLength > 0 ? int(image.size() % recordLength) : 0; }
    };
    // Refuses, before reading anything, what is not a regular file and a
    // file larger than largestArchive(); never reads more than that.
    static Loaded load(const QString &arhPath);

    // The largest archive file any served type can produce: its longest
    // ring, one totals record more, at the size of a whole two-system
    // element per record. Generous, so that no real file is refused, and
    // small, so that a wrong file is never read whole into memory.
    static qint64 largestArchive();

    // The type an archive file names by where it lies or what lies beside
    // it (the file itself names none): the device folder
    // .../<model name>/<number>/ it was saved to, else the header rows of
    // its companion text, which differ from module to module. `preferred`
    // (the identified type) wins among types the text fits equally. -1
    // when neither names one.
    struct NamedType {
        int type = -1;
        QString source; // "по папке прибора" or "по тексту рядом"
        // Every type the text fits (their files are alike); `type` alone
        // when the folder names it.
        QList<int> alike;
    };
    static NamedType namedType(const QString &arhPath, int preferred = -1);

    // The rows of a grid (lists of cells) as companion-file lines.
    static QStringList gridLines(const QList<QStringList> &grid);
};

} // namespace pim

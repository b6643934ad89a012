#pragma once
// The modem page's phone book: a grid of texts whose row 0 holds the
// headers and every further row one connection entry, kept in the file
// ДАННЫЕ\МОДЕМ\СОЕДИНЕНИЯ.TXT, one line per row, each cell followed by a
// TAB. The operator's files of earlier versions load unchanged: a line
// without its final TAB reads the same, and rows may be ragged.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace pim {

// One connection entry, as its row holds it.
struct PhoneEntry {
    QString name;
    QString phone;
    QString port;
    bool tone = true;       // "T"; pulse is "P"
    QString cityCode;       // empty: no long-distance call
    QString exitCode;       // empty: no exit code
    QString longCode;       // long-distance access code; empty with cityCode
    bool longDistance() const { return !cityCode.isEmpty() || !longCode.isEmpty(); }
    bool exitFirst() const { return !exitCode.isEmpty(); }
};

class PhoneBook {
public:
    enum Column { Name = 0, Phone, Port, ToneCol, CityCode, ExitCode, LongCode, ColumnCount };

    static QStringList headers();
    // The book a missing file is created with: the headers and one entry.
    static PhoneBook defaults();
    // ДАННЫЕ\МОДЕМ\СОЕДИНЕНИЯ.TXT below the program folder.
    static QString defaultPath();

    // Reads the file; a missing file gives the default book, which is saved
    // (its folder created). False, with `error`, when the file exists but
    // cannot be read or the new one cannot be written (the book then holds
    // the defaults all the same).
    // An entry whose number or codes hold what no dial string may (a CR
    // that would make the modem run the rest as commands, a Cyrillic
    // letter) is kept, so a save loses nothing, but refused: `refusals()`
    // names its file line, and `refusal(name)` says it when it is chosen.
    bool load(const QString &path, QString *error = nullptr);
    // Writes every row, each cell followed by a TAB, atomically.
    bool save(const QString &path, QString *error = nullptr) const;

    // Rows as read: row 0 the headers. Every row has at least ColumnCount
    // cells (missing ones empty).
    const QList<QStringList> &rows() const { return m_rows; }
    QStringList names() const; // rows 1 onwards
    int entryCount() const { return qMax(0, int(m_rows.size()) - 1); }
    // "уничтожить" is offered only while more than one entry is left.
    bool canRemove() const { return m_rows.size() > 2; }

    // The entry named exactly so; false when there is none.
    bool find(const QString &name, PhoneEntry *entry = nullptr) const;
    // "запомнить": the row of that name is overwritten, or a row is added;
    // the entries are then kept in name order, letter case aside.
    void store(const PhoneEntry &entry);
    // "уничтожить": every row of that name goes. The last entry stays.
    bool remove(const QString &name);

    // "<file>, строка N: запись "NAME": <why>" per refused entry, in file order.
    QStringList refusals() const;
    // The refusal of the entry named so; empty when it may be dialled.
    QString refusal(const QString &name) const;

    static PhoneEntry entryOf(const QStringList &row);
    static QStringList rowOf(const PhoneEntry &entry);

private:
    void sortEntries(bool ascending);

    QList<QStringList> m_rows;
    // Entries refused when the file was read: name and text.
    QList<QPair<QString, QString>> m_refused;
};

} // namespace pim

#pragma once
// The operator's settings: one "name=value" line per control of the main
// window, kept in ДАННЫЕ/ПАМЯТЬ.mem below the program folder (Windows-1251,
// CR LF, lines in ascending case-insensitive order). The file knows nothing
// about widgets; the window turns its controls into entries and back by
// control class.

#include <QList>
#include <QString>
#include <QStringList>

namespace pim {

struct SettingsEntry {
    QString name;
    QString value;
    friend bool operator==(const SettingsEntry &a, const SettingsEntry &b)
    {
        return a.name == b.name && a.value == b.value;
    }
};

class SettingsFile {
public:
    // A value read back is cut to this many characters.
    static constexpr int kMaxValueLength = 255;

    // ДАННЫЕ/ПАМЯТЬ.mem below the program folder.
    static QString defaultPath();

    // The entries of the lines in file order. A line without "=" is
    // skipped; the name is the text before the first "=", the value all
    // after it, cut to kMaxValueLength.
    static QList<SettingsEntry> parse(const QStringList &lines);

    // Reads the file. A missing file is not an error: no entries, true.
    // An unreadable file gives false and `error`.
    static bool load(const QString &path, QList<SettingsEntry> &entries, QString *error = nullptr);

    // The lines of the entries, sorted case-insensitively. A line break
    // inside a value (a multi-line status caption) becomes a blank, so one
    // value can never turn into a second line with a name of its own.
    static QStringList build(const QList<SettingsEntry> &entries);

    // Creates the data folder when it is missing ("НЕ МОГУ СОЗДАТЬ ДИР"
    // when it cannot be made) and writes the lines atomically: the old file
    // stays whole when anything fails. Characters outside Windows-1251 are
    // stored as '?' rather than losing every other setting.
    static bool save(const QString &path, const QList<SettingsEntry> &entries, QString *error = nullptr);

    // Class rules shared by every control kind.
    // A number, or 0 when the text is not one (decimal, or "$" hex).
    static int toInt(const QString &value, bool *ok = nullptr);
    // Check boxes and radio buttons: "0" when checked, "1" when not.
    static QString checkedValue(bool checked) { return checked ? QStringLiteral("0") : QStringLiteral("1"); }
    // Checked exactly when the value reads as 0 (a text that is not a
    // number reads as 0).
    static bool isChecked(const QString &value) { return toInt(value) == 0; }
};

} // namespace pim

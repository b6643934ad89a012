#pragma once
// The regional conventions that numbers and dates follow in every message,
// list, dump and report: taken from the system once at start, replaceable
// (tests and the command line pin them).

#include <QChar>
#include <QString>
#include <QStringList>

namespace pim {

struct FormatSettings {
    QChar decimalSeparator = QLatin1Char('.');
    QChar thousandSeparator = QChar(0x00A0);
    QChar dateSeparator = QLatin1Char('.');
    QChar timeSeparator = QLatin1Char(':');
    QString shortDateFormat = QStringLiteral("dd.mm.yyyy"); // date pattern syntax
    QString longTimeFormat = QStringLiteral("hh:nn:ss");
    QStringList shortMonthNames; // 12 entries
    QStringList longMonthNames;  // 12 entries
    QStringList shortDayNames;   // 7 entries, Sunday first
    QStringList longDayNames;    // 7 entries, Sunday first
    QString currencyString = QStringLiteral("р.");
    int currencyFormat = 3;       // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    int currencyDecimals = 2;

    // Russian conventions: what an operator's Windows machine has.
    static FormatSettings russian();
    // The system's locale; the bare "C" locale falls back to russian() with
    // a '.' decimal separator.
    static FormatSettings fromSystem();
};

// The settings in force for the whole program.
const FormatSettings &formatSettings();
void setFormatSettings(const FormatSettings &s);

} // namespace pim

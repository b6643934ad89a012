#pragma once
// Windows-1251 text: the code page of every file and frame text the
// calculators and the operators' existing files use.

#include <QByteArray>
#include <QString>

namespace pim {

// Every byte has a character, so decoding never fails (0x98, unassigned in
// the code page, maps to U+0098 so that it survives a round trip).
QString fromCp1251(QByteArrayView bytes);

// Encodes text. A character the code page cannot hold is written as '?' and
// reported: `ok` becomes false and `bad` (when given) receives the first such
// character, so callers can refuse instead of storing garbage.
QByteArray toCp1251(QStringView text, bool *ok = nullptr, QChar *bad = nullptr);

// True when every character of `text` has a Windows-1251 byte.
bool fitsCp1251(QStringView text);

// One byte as the character listings show it: code + 1, the code, its two
// hex digits and its character, codes 0 to 32 by name ("066=65(41) A",
// "001=00(00) NUL(Null char.)").
QString charLine(quint8 code);

} // namespace pim

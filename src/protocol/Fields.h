#pragma once
// Numbers in frames (little-endian bytes, IEEE-754 singles), conversions of
// frames to texts for traces and link buffers, and error-code texts.
// Every access stays inside its array: a read past the end gives 0 bytes.

#include "protocol/Tab.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pim {

quint16 GetW(const Tab &frame, int i);
void PutW(int value, Tab &frame, int i);
qint32 GetL(const Tab &frame, int i);
void PutL(qint64 value, Tab &frame, int i);
float GetF(const Tab &frame, int i);
void PutF(Tab &frame, int i, double value);

// Link texts: one byte per character, 1-based positions. ChTW past the end
// sets `message` to "function ChTW" and returns text[p] alone.
quint16 ChTW(const QByteArray &text, int p, QString *message = nullptr);
float SingleAt(const QByteArray &text, int p);

QByteArray TabToStr(const Tab &frame);
Tab StrToTab(const QByteArray &text);
// "6|229|"
QString TabToDecBar(const Tab &frame);
// mode 0: "%.3d" items, mode 1: two upper-case hex digits; joined by sep.
QString ListBytes(const QByteArray &text, const QString &sep, int mode);
// Items that are not a number become '~' (126).
QByteArray ParseBytes(const QString &text, const QString &sep);
QByteArray WordToStr2(int value);

// The lines of the set bits of an error code, lowest bit first:
// "Код=" 2^k ":" "\n\r" text "\n\r"; texts[0] when no bit is set. A negative
// code is taken as its 32-bit pattern.
QString ErrText(qint64 code, const QStringList &texts);

} // namespace pim

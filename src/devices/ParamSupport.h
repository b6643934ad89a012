#pragma once
// Helpers the configuration codecs share: reading the operator's numbers,
// the page's number texts, the reply check of the two-system modules, the
// system-type list and the date fields.

#include "devices/ParamForm.h"
#include "protocol/Frame.h"
#include "protocol/Tab.h"

#include <QDate>
#include <QString>

#include <optional>

namespace pim::paramsupport {

// A real as the operator types it: blanks around it, the system decimal
// separator or a point. Nothing for a text that is not a finite number.
std::optional<double> parseReal(const QString &text);
// A decimal integer in the 32-bit range, blanks around it allowed.
std::optional<qint64> parseInt(const QString &text);

// The page's number texts: "%.1f", "%.2f", "%.0f", "%d".
QString real1(double v);
QString real2(double v);
QString real0(double v);
QString integer(qint64 v);

// Round to nearest, halves to even (pim::roundHalfEven, kept for the page code).
double roundEven(double v);
// The word a real stands for when it fits 0..max after rounding.
std::optional<int> wordOf(double v, int max = 0xFFFF);

// A real a single can carry (NaN from the device included, to send back).
bool fitsSingle(double v);

// The reply check of U28, U29, U34 and U38: the fixed "erundec" text for a
// wrong length or command, then checksum and number on new lines; the type
// is not tested.
QString moduleCheck(const Tab &reply, int length, int code, const Identity &id);

// The system-type list: items, the index of a type, the text of a type
// (its item, or "Тип системы=%d не определен").
int typeIndex(int type);
QString typeText(int type);
void fillTypeList(ParamControl &c, int type);
// The text a list shows: its selected item, or its own text.
QString listText(const ParamControl &c);
bool isOpenSystem(const ParamControl &typeList);

// label="text"-неправильное значение
QString badValue(const QString &label, const QString &text);

// The date a stored day and month show in the current year: a month
// outside 1..12 shows as 1, a day outside the month shows as 1.
QDate shownDate(int year, int day, int month);

// The value of an edit field: the stored one while the field's text is
// still the one built from it or last taken into it (a built text keeps
// fewer digits than the device's single), else the typed one.
bool untouched(const ParamControl &c);
// The typed text was taken into the record: from now on it stands for the
// stored value, so typing the previous text back counts as an edit again.
void markTaken(ParamControl &c);

// A fresh control of the form, reset to the defaults of its kind (the
// operator's edits are replaced, the object names stay).
ParamControl &resetControl(ParamForm &form, const QString &name, ParamControlKind kind);

void setEditText(ParamControl &c, const QString &text);

// A fresh edit field with its label and text, and a fresh check box.
ParamControl &editControl(ParamForm &form, const QString &name, const QString &label, const QString &text);
ParamControl &checkControl(ParamForm &form, const QString &name, const QString &label, bool checked);
// A fresh system-type list ("cbType"), labelled and filled for `type`.
ParamControl &typeControl(ParamForm &form, int type);

// The range refusal: "выход за диапазон: " and every name followed by ';'.
QString outOfRange(const QStringList &names);

} // namespace pim::paramsupport

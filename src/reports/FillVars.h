#pragma once
// Filling a template line: every token @NN is replaced by variable NN of the
// list, its value taken from one archive record half and formatted with the
// entry's format. Each module numbers its variables in its own way (the
// two-system modules and the single-system types share one numbering, U25
// and U27 have their own).

#include "devices/ArhCodec.h"
#include "devices/DeviceModule.h"
#include "base/Format.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace pim {

// What the variables take from outside the record.
struct FillContext {
    QString typeText;     // the device-type field
    QString numberText;   // the serial-number field
    QDate today;
    int system = 1;       // heating system of the archive tab; 0: no tab selected
    bool fromDevice = true; // the archive came from the device, not from a file
    QDate begin, end;     // the date range of a device archive
    bool fileRange = false; // a file archive whose begin and end are its records' first and last day
    QString archiveTitle; // "Архив суточный накопительный" ...
    QString filePath;     // the archive file of a file archive
};

// Applies a format to values through the checked Format: a "%d" given a
// real prints the rounded number; any other mismatch prints kFormatMismatch.
QString applyVarFormat(const QString &format, const FmtArgs &args);
inline const char *const kFormatMismatch = "?формат";

// "Файл: " + folder (its first 60 characters and "/.../" when longer) + name.
QString fileTitle(const QString &path);

class VarFiller {
public:
    VarFiller(const ArhCodec &codec, const QStringList &vars, const FillContext &context);

    // The line with its tokens filled from half `half` of `record`. Only the
    // template's own text is scanned: an inserted value holding "@" stays
    // as it is. A token that is not a number, whose number is past the end
    // of the list, or that has no value for the module, vanishes.
    QString fill(const QString &line, const ArhRec &record, int half) const;

private:
    QString value(int nn, const QString &format, const ArhRec &record, int half) const;

    const ArhCodec &m_codec;
    QStringList m_vars;
    FillContext m_ctx;
};

} // namespace pim

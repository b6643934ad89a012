// Windows-1251 text and format strings from files and operators: decoding
// and line splitting take any bytes, and a format text of any shape against
// a fixed argument list gives output or an error text, never a crash.

#include "base/Cp1251.h"
#include "base/Format.h"
#include "base/TextFile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace pim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));

    // Every byte has a character and comes back as itself.
    const QString text = fromCp1251(bytes);
    bool ok = false;
    if (text.size() != bytes.size() || toCp1251(text, &ok) != bytes || !ok || !fitsCp1251(text))
        __builtin_trap();

    // Lines never hold a line feed, and joining them and splitting again
    // gives the same lines.
    const QStringList lines = splitLines(bytes);
    for (const QString &l : lines)
        if (l.contains(QLatin1Char('\n')))
            __builtin_trap();
    QString error;
    const QByteArray joined = joinLines(lines, &error);
    if (!error.isEmpty() || splitLines(joined) != lines)
        __builtin_trap();

    // The format: the text of the bytes, and the same bytes read as UTF-16
    // so that characters outside the code page reach it too.
    static const FmtArgs args = {42, -7, qint64(1) << 40, 3.25, -1e300, FmtArg::date(46000.5),
                                 QStringLiteral("Текст"), QString(), 0u, 1e-320};
    QString wide;
    if (size >= 2) {
        wide.resize(qsizetype(size / 2));
        std::memcpy(wide.data(), data, size / 2 * 2);
    }
    for (const QString &fmt : {text, wide}) {
        const FormatResult r = formatChecked(fmt, args);
        if (!r.ok() && !r.text.isEmpty())
            __builtin_trap();
        (void)formatChecked(fmt, {});
        if (size > 0)
            (void)Format(fmt, args.mid(data[0] % args.size()));
    }
    return 0;
}

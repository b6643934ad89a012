// One template file of ДАННЫЕ/ПЕЧАТЬ as the operator's editor left it:
// Windows-1251 or UTF-8 (with or without a byte-order mark), of any size.
// Input: a mode byte (which file: the variable list or a section; whether
// the bytes are stretched to the size bound, one byte past it or left as
// they are), then the file's bytes.
//
// Checked: a file past the size bound, or with a line past the line bound,
// is refused with a text naming the bound, and its part is the type's
// built-in one; one within it is read, as UTF-8 exactly
// when its bytes are valid UTF-8, else byte for byte as Windows-1251; no
// line holds a line end; what was read saves as Windows-1251 when every
// character has a byte there (and reads back the same while the saved
// files stay within the bound), and is refused otherwise.

#include "base/Cp1251.h"
#include "base/TextFile.h"
#include "devices/Registry.h"
#include "reports/PrintForms.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace pim;

namespace {

bool validUtf8(QByteArrayView b)
{
    if (b.startsWith("\xEF\xBB\xBF"))
        b = b.sliced(3);
    // The mark at the start of the rest stays a character; a sequence cut
    // off at the end waits in the decoder for more bytes.
    QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = d.decode(b);
    return !d.hasError() && text.toUtf8() == b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString in = dir.filePath(QStringLiteral("in")), out = dir.filePath(QStringLiteral("out"));
    if (!dir.isValid() || !QDir().mkpath(in) || !QDir().mkpath(out))
        __builtin_trap();
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    // Stretched by repeating the input: exactly the bound, or one byte more.
    const int stretch = (mode >> 4) % 3;
    if (stretch > 0 && !bytes.isEmpty()) {
        const qsizetype want = kTemplateFileBound + (stretch == 2 ? 1 : 0);
        QByteArray big;
        big.reserve(want);
        while (big.size() < want)
            big.append(bytes.left(want - big.size()));
        bytes = big;
    }

    const int type = 238, kind = mode & 2 ? 2 : 0;
    const int nn = typeInfo(type)->printFormat;
    const bool vars = mode & 1;
    const QString name = vars ? PrintForms::varsFileName(nn) : PrintForms::sectionFileName(1, kind < 2, nn);
    for (const QString &folder : {in, out})
        for (const QString &f : QDir(folder).entryList(QDir::Files))
            QDir(folder).remove(f);
    if (!writeFileAtomic(QDir(in).filePath(name), bytes))
        __builtin_trap();

    PrintForms forms;
    const PrintForms before;
    // What a type has where it has no file, or a refused one.
    const ReportSection builtIn = PrintForms::defaultData(varListOf(*typeInfo(type)), kind >= 2);
    QString error;
    if (!forms.load(in, type, kind, &error))
        __builtin_trap();
    if (bytes.size() > kTemplateFileBound) {
        // Refused unread: the bound in the text, the built-in part instead.
        if (!error.contains(QString::number(kTemplateFileBound)) || forms.data.lines != builtIn.lines
            || forms.vars != defaultVarList(varListOf(*typeInfo(type))))
            __builtin_trap();
        return 0;
    }
    // A line past its bound refuses the file too, naming the bound.
    qsizetype longest = 0;
    for (const QString &l : splitTextLines(bytes))
        longest = qMax(longest, l.size());
    if (longest > kTemplateLineBound) {
        if (!error.contains(QString::number(kTemplateLineBound)) || forms.data.lines != builtIn.lines
            || forms.vars != defaultVarList(varListOf(*typeInfo(type))))
            __builtin_trap();
        return 0;
    }
    if (!error.isEmpty())
        __builtin_trap();

    // The lines joined by line feeds are the file's bytes with CR LF as LF,
    // without the end of the last line and without a UTF-8 byte-order mark:
    // in UTF-8 when they are valid UTF-8, byte for byte in Windows-1251
    // otherwise.
    const QStringList lines = splitTextLines(bytes);
    const bool utf8 = validUtf8(bytes);
    QByteArray expected = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    expected.replace("\r\n", "\n");
    if (expected.endsWith('\n') || expected.endsWith('\r'))
        expected.chop(1);
    const QString joined = lines.join(QLatin1Char('\n'));
    if ((utf8 ? joined.toUtf8() : toCp1251(joined)) != expected)
        __builtin_trap();
    if (vars) {
        if (forms.vars.mid(0, lines.size()) != lines)
            __builtin_trap();
    } else {
        ReportSection expected{lines, before.data.font};
        readMemoFont(expected);
        if (forms.data.lines != expected.lines || !(forms.data.font == expected.font))
            __builtin_trap();
    }

    // Saved in Windows-1251, or refused naming the character it cannot hold.
    bool fits = true;
    for (const ReportSection *sec : {&forms.header, &forms.data, &forms.footer})
        for (const QString &l : sec->lines + QStringList{fontLine(sec->font)})
            fits = fits && fitsCp1251(l);
    for (const QString &l : forms.vars)
        fits = fits && fitsCp1251(l);
    const QString saved = forms.save(out, type, kind);
    if (saved.isEmpty() != fits)
        __builtin_trap();
    if (fits) {
        // Read back the same, unless the save itself went past the bound (a
        // file at the bound without a last line end gets one).
        bool within = true;
        for (const QString &f : QDir(out).entryList(QDir::Files))
            within = within && QFileInfo(QDir(out).filePath(f)).size() <= kTemplateFileBound;
        PrintForms again;
        QString againError;
        if (!again.load(out, type, kind, &againError) || againError.isEmpty() != within)
            __builtin_trap();
        if (within && (again.vars != forms.vars || again.data.lines != forms.data.lines
                       || !(again.data.font == forms.data.font)))
            __builtin_trap();
    }
    return 0;
}

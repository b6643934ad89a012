// The report template set as it lies in ДАННЫЕ/ПЕЧАТЬ, edited by the
// operator: the variable list (ФОРМАТЫ_nn) and the header, data and footer
// sections (ВЕРХ/ОСНОВА/НИЗ), each with its font line. Input: a mode byte
// (type, archive kind, page height), then the four files' bytes separated
// by form feeds; a part that is missing leaves its file out.
//
// Checked: the set loads for every type with a print format; the variable
// list keeps the stored entries and is never shorter than the built-in
// one; what was loaded, saved and loaded again is the same set; a font line
// made of a loaded font reads back as that font; every column stop is on
// the page; the report of a small archive draws on the recording canvas
// (with page breaks on a short page) and fills every variable of every
// line without a crash.

#include "base/TextFile.h"
#include "devices/ArhCodec.h"
#include "devices/DeviceModule.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "reports/ArchiveReport.h"
#include "reports/FillVars.h"
#include "reports/PrintForms.h"
#include "reports/ReportCanvas.h"
#include "reports/ReportLayout.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace pim;

namespace {

bool sameSection(const ReportSection &a, const ReportSection &b)
{
    return a.lines == b.lines && a.font == b.font;
}

void removeFiles(const QString &folder)
{
    QDir d(folder);
    for (const QString &f : d.entryList(QDir::Files))
        d.remove(f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString in = dir.filePath(QStringLiteral("in")), out = dir.filePath(QStringLiteral("out"));
    if (!dir.isValid() || !QDir().mkpath(in) || !QDir().mkpath(out))
        __builtin_trap();
    if (size == 0 || size > 8192)
        return 0;
    static const int types[] = {225, 227, 229, 230, 234, 238};
    const uint8_t mode = data[0];
    const int type = types[(mode & 0x0F) % std::size(types)];
    const int kind = (mode >> 4) & 3;
    const double height = (mode & 0x40) ? 60 : 297;
    const bool daily = kind < 2;
    const int nn = typeInfo(type)->printFormat;

    removeFiles(in);
    removeFiles(out);
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)).split('\f');
    const QString names[] = {PrintForms::varsFileName(nn), PrintForms::sectionFileName(0, daily, nn),
                             PrintForms::sectionFileName(1, daily, nn), PrintForms::sectionFileName(2, daily, nn)};
    QString error;
    for (qsizetype i = 0; i < qMin<qsizetype>(parts.size(), 4); ++i)
        if (!writeFileAtomic(QDir(in).filePath(names[i]), parts[i], &error))
            __builtin_trap();

    PrintForms forms;
    if (!forms.load(in, type, kind))
        __builtin_trap();
    const QStringList defaults = defaultVarList(varListOf(*typeInfo(type)));
    if (forms.vars.size() < defaults.size())
        __builtin_trap();
    if (!parts.isEmpty()) {
        // Read as UTF-8 when valid UTF-8; a line past the bound refuses the
        // file, which leaves the built-in list.
        const QStringList stored = splitTextLines(parts[0]);
        bool taken = true;
        for (const QString &l : stored)
            taken = taken && l.size() <= kTemplateLineBound;
        if (forms.vars.mid(0, stored.size()) != (taken ? stored : defaults.mid(0, stored.size())))
            __builtin_trap();
    }

    // Saved and loaded again: the same set.
    if (!forms.save(out, type, kind).isEmpty())
        __builtin_trap();
    PrintForms again;
    if (!again.load(out, type, kind) || again.vars != forms.vars || !sameSection(again.header, forms.header)
        || !sameSection(again.data, forms.data) || !sameSection(again.footer, forms.footer))
        __builtin_trap();

    for (const ReportSection *s : {&forms.header, &forms.data, &forms.footer}) {
        ReportSection lineOnly{{fontLine(s->font)}, ReportFont{QStringLiteral("x"), 1, true, true}};
        readMemoFont(lineOnly);
        if (!lineOnly.lines.isEmpty() || !(lineOnly.font == s->font))
            __builtin_trap();
        for (const QString &line : s->lines)
            for (int stop : parseTabs(line, 5))
                if (stop < 0 || stop > 254)
                    __builtin_trap();
    }
    for (const QString &entry : forms.vars)
        (void)varFormat(entry);

    // The report of three records.
    DeviceSession session;
    DeviceModule *module = session.moduleFor(type);
    ArhCodec *codec = module ? module->arh() : nullptr;
    if (!codec)
        __builtin_trap();
    QList<ArhRec> read;
    for (int i = 2; i >= 0; --i) {
        ArhRec r = codec->emptyRecord();
        for (int sys = 0; sys < codec->halves(); ++sys) {
            codec->setValue(r, sys, ArhField::Date, 9801 + (daily ? i : 0));
            codec->setValue(r, sys, ArhField::Hour, daily ? 0 : i);
            codec->setValue(r, sys, ArhField::Heat, 100 + 2.5 * i);
            codec->setValue(r, sys, ArhField::Hours, 500 + i);
        }
        read << r;
    }
    codec->BuildArh(read, kind, QDate(), QDate(), true);

    ReportSource src;
    src.type = type;
    src.tabIndex = (mode >> 7) ? 1 : 0;
    src.begin = QDate(2026, 10, 31);
    src.end = QDate(2026, 11, 4);
    src.today = QDate(2026, 11, 30);
    src.number = 12;
    RecordingCanvas canvas(nullptr, 210, height);
    PageSettings page;
    page.interval = (mode & 0x20) ? 3 : 0;
    const ArchiveReport::Drawn drawn = ArchiveReport::render(canvas, forms, page, session, src);
    if (drawn.pages < 1 || canvas.pages().size() != drawn.pages)
        __builtin_trap();

    FillContext ctx;
    ctx.typeText = ModelName(type);
    const VarFiller filler(*codec, forms.vars, ctx);
    for (const ReportSection *s : {&forms.header, &forms.data, &forms.footer})
        for (const QString &line : s->lines)
            for (int half = 0; half < codec->halves(); ++half)
                (void)filler.fill(line, read.first(), half);
    return 0;
}

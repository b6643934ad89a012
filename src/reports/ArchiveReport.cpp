#include "reports/ArchiveReport.h"

#include "base/DataPath.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "reports/FillVars.h"

#include <QDir>

#include <optional>

namespace pim {

namespace {

const char *const kMismatch = "TFpim.RVsPrint:НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА";

const ArhTab *tabOf(const TypeInfo *info, int tabIndex)
{
    if (!info || tabIndex < 0 || tabIndex >= info->arhTabs.size())
        return nullptr;
    return &info->arhTabs[tabIndex];
}

} // namespace

bool ArchiveReport::reverseOrder(const TypeInfo &type)
{
    // The two-system print units of the newer generations list the newest
    // record last on paper.
    return type.printUnit == QLatin1String("U29") || type.printUnit == QLatin1String("U34")
        || type.printUnit == QLatin1String("U38");
}

QString ArchiveReport::previewTitle(int type, int tabIndex)
{
    const ArhTab *tab = tabOf(typeInfo(type), tabIndex);
    return tab ? tab->longName : QStringLiteral("ПРЕДВАРИТЕЛЬНЫЙ ПРОСМОТР чего?");
}

QStringList ArchiveReport::saveForms(const PrintForms &forms, int type, int tabIndex, const QString &folder)
{
    QStringList messages;
    const QString data = DataPath({QStringLiteral("ДАННЫЕ")});
    for (const QString &dir : {data, folder}) {
        if (!QDir().mkpath(dir))
            messages << QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР");
    }
    const TypeInfo *info = typeInfo(type);
    if (!info || info->printFormat <= 0) {
        messages << QString::fromUtf8(kMismatch);
        return messages;
    }
    const ArhTab *tab = tabOf(info, tabIndex);
    const QString error = forms.save(folder, type, tab ? tab->kind : -1);
    if (!error.isEmpty())
        messages << QStringLiteral("шаблоны печати не записаны: ") + error;
    return messages;
}

ArchiveReport::Drawn ArchiveReport::render(ReportCanvas &canvas, const PrintForms &forms, const PageSettings &page,
                                           DeviceSession &session, const ReportSource &source)
{
    Drawn out;
    const TypeInfo *info = typeInfo(source.type);
    const ArhTab *tab = tabOf(info, source.tabIndex);
    DeviceModule *module = session.moduleFor(source.type);
    const ArhCodec *codec = module ? module->arh() : nullptr;

    ReportData d;
    d.codec = codec;
    d.kind = tab ? tab->kind : -1;
    d.half = tab && !source.fromFile ? tab->system - 1 : 0;
    d.reverse = info && reverseOrder(*info);
    if (codec)
        d.table = codec->displayed();

    FillContext ctx;
    ctx.typeText = ModelName(source.type);
    ctx.numberText = source.number >= 0 ? QString::number(source.number) : QString();
    ctx.today = source.today;
    ctx.system = tab ? tab->system : 0;
    ctx.fromDevice = !source.fromFile;
    ctx.begin = source.begin;
    ctx.end = source.end;
    ctx.fileRange = source.fileRange;
    ctx.archiveTitle = tab ? tab->longName : QString();
    ctx.filePath = source.filePath;

    const bool printable = codec && info && info->printFormat > 0;
    std::optional<VarFiller> filler;
    if (printable) {
        filler.emplace(*codec, forms.vars, ctx);
        d.filler = &*filler;
    }
    if (!printable)
        for (qsizetype i = 0; i < forms.header.lines.size(); ++i)
            out.messages << QString::fromUtf8(kMismatch);

    ReportLayout layout(canvas, page);
    layout.render(forms.header, forms.data, forms.footer, d);
    out.pages = layout.pages();
    return out;
}

} // namespace pim

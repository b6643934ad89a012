// pimctl report: an archive (a saved file, or read from the device as
// `archive` reads it) printed through the template set of its type, as a
// PDF and/or as the recorded pages.

#include "CtlRunner.h"

#include "devices/ArhCodec.h"
#include "devices/Registry.h"
#include "base/Dates.h"
#include "devices/DeviceSession.h"
#include "reports/ArchiveReport.h"
#include "reports/PainterCanvas.h"
#include "reports/PrintForms.h"
#include "workflows/ArchiveFiles.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveReading.h"
#include "workflows/ArchiveView.h"
#include "workflows/LinkRoad.h"

#include <QDate>
#include <QFileInfo>
#include <QJsonArray>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

using namespace pim;

namespace pimctl {

namespace {

double mm(double v)
{
    return std::round(v * 100.0) / 100.0;
}

QJsonArray pagesJson(const RecordingCanvas &rec)
{
    QJsonArray pages;
    for (const RecordingCanvas::Page &p : rec.pages()) {
        QJsonArray items;
        for (const RecordingCanvas::Item &i : p.items) {
            QJsonObject o;
            o[QStringLiteral("x_mm")] = mm(i.x);
            o[QStringLiteral("y_mm")] = mm(i.y);
            o[QStringLiteral("text")] = i.text;
            items.append(o);
        }
        QJsonObject page;
        page[QStringLiteral("items")] = items;
        pages.append(page);
    }
    return pages;
}

QString pagesText(const RecordingCanvas &rec)
{
    QString text;
    int n = 0;
    for (const RecordingCanvas::Page &p : rec.pages()) {
        text += QStringLiteral("страница %1\n").arg(++n);
        for (const RecordingCanvas::Item &i : p.items)
            text += QStringLiteral("%1\t%2\t%3\n").arg(mm(i.x)).arg(mm(i.y)).arg(i.text);
    }
    return text;
}

} // namespace

int CtlRunner::cmdReport()
{
    const int kind = (m_kind == "daily" ? 0 : 2) + (m_diff ? 1 : 0);
    const QString archive = QString::fromStdString(m_reportArchive);
    const QString pdf = QString::fromStdString(m_reportPdf);
    const QString templates = m_reportTemplates.empty() ? printFolder() : QString::fromStdString(m_reportTemplates);
    const QDate from = QDate::fromString(QString::fromStdString(m_from), Qt::ISODate);
    const QDate to = QDate::fromString(QString::fromStdString(m_to), Qt::ISODate);
    const QDate today = QDate::currentDate();
    if (m_reportPdfSet && pdf.trimmed().isEmpty())
        return usage(QStringLiteral("an empty file name"));
    if (pdf.isEmpty() && !m_json)
        return usage(QStringLiteral("--pdf OUT.pdf or --json is needed"));
    if (from.isValid() != to.isValid())
        return usage(QStringLiteral("--from and --to go together"));
    if (from.isValid() && from > to)
        return usage(QStringLiteral("--from %1 is after --to %2").arg(m_from.c_str(), m_to.c_str()));
    if (to.isValid() && to > today)
        return usage(QStringLiteral("--to %1 is after today, %2").arg(m_to.c_str(), today.toString(Qt::ISODate)));
    if (!archive.isEmpty() && (from.isValid() || m_range != "all"))
        return usage(QStringLiteral("--archive takes no read options"));
    if (!pdf.isEmpty() && !archive.isEmpty() && QFileInfo(pdf).absoluteFilePath() == QFileInfo(archive).absoluteFilePath())
        return usage(QStringLiteral("--pdf %1 is the archive file").arg(pdf));
    if (!m_reportTemplates.empty() && !QFileInfo(templates).isDir())
        return usage(QStringLiteral("--templates %1 is not a folder").arg(templates));

    auto tabFor = [&](int type) {
        const TypeInfo *info = typeInfo(type);
        return info ? info->arhTabIndex(kind, m_system) : -1;
    };
    auto noArchive = [](int type) {
        return QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА TFpim.AArhPrintExecute: ") + QString::number(type);
    };

    ReportSource source;
    source.today = today;
    QString partial;
    if (!archive.isEmpty()) {
        const int type = m_imitation >= 0 ? m_imitation : m_typeSet ? m_type : -1;
        if (type < 0)
            return usage(QStringLiteral("--archive needs --type"));
        const TypeInfo *info = typeInfo(type);
        if (!info || !info->hasArchive())
            return usage(noArchive(type));
        source.type = type;
        source.tabIndex = tabFor(type);
        if (source.tabIndex < 0)
            return usage(ModelName(type) + QStringLiteral(" has no heating system ") + QString::number(m_system));
        const ArchiveFiles::Loaded file = ArchiveFiles::load(archive);
        if (!file.ok())
            return fail(file.error);
        ArchiveRange range;
        ArchiveView view(m_ui, range, m_session);
        const ArchiveView::Grid g = view.load(type, archive);
        if (!g.ok)
            return fail(m_ui.lastFailure().isEmpty() ? m_ui.lastStatus() : m_ui.lastFailure());
        source.fromFile = true;
        source.filePath = QFileInfo(archive).absoluteFilePath();
        source.number = m_numberSet ? m_number : -1;
        if (g.records == 0)
            return fail(QStringLiteral("ничего не записано: в файле ") + archive + QStringLiteral(" нет ни одной записи"));
        // A file names no range: the header's "от ... до ..." are the days
        // of its first and last record.
        if (const DeviceModule *module = m_session.moduleFor(type); module && module->arh()) {
            const ArhCodec &codec = *module->arh();
            int first = std::numeric_limits<int>::max(), last = std::numeric_limits<int>::min();
            for (const ArhRec &rec : codec.displayed()) {
                const int day = codec.day(rec, 0);
                if (day <= 0)
                    continue; // a totals row or a missing record
                first = std::min(first, day);
                last = std::max(last, day);
            }
            if (first <= last) {
                source.begin = dayNumberToDate(first);
                source.end = dayNumberToDate(last);
                source.fileRange = true;
            }
        }
    } else {
        const int givenType = m_imitation >= 0 ? m_imitation : m_typeSet ? m_type : -1;
        if (givenType >= 0 && (!typeInfo(givenType) || !typeInfo(givenType)->hasArchive()))
            return usage(noArchive(givenType));
        if (const int rc = openLink(); rc >= 0)
            return rc;
        if (!identityKnown())
            return linkFailure();
        const int type = m_session.type();
        const TypeInfo *info = typeInfo(type);
        if (!info || !info->hasArchive())
            return usage(noArchive(type));
        const int tabIndex = tabFor(type);
        if (tabIndex < 0)
            return usage(ModelName(type) + QStringLiteral(" has no heating system ") + QString::number(m_system));
        ArchiveRange range;
        ArchiveReading::Result r;
        if (const int rc = readArchiveRange(kind, type, ArchiveRange::itemByName(QString::fromStdString(m_range)),
                                            today, from, to, range, r);
            rc >= 0)
            return rc;
        if (CtlSignals::received())
            return interrupted();
        // A report of an archive the link lost half-way would be handed on
        // as the month's figures: refused.
        if (!r.ran)
            return fail(m_ui.lastFailure().isEmpty() ? r.status : m_ui.lastFailure());
        if (r.linkLost || r.failed)
            return fail(r.status);
        if (r.partial())
            partial = QStringLiteral(" (архив неполный: ") + r.status + QLatin1Char(')');
        ArchiveView view(m_ui, range, m_session);
        const ArchiveView::Grid g = view.build(type, tabIndex);
        if (!g.ok)
            return fail(r.status);
        // As `archive` does: a range without a record replaces no file and
        // is no report.
        if (g.records == 0)
            return fail(QStringLiteral("ничего не записано, в архиве нет ни одной записи за выбранные дни (") + r.status
                        + QLatin1Char(')'));
        source.type = type;
        source.tabIndex = tabIndex;
        source.begin = range.begin();
        source.end = range.end();
        source.number = m_session.number();
    }

    // A template that cannot be read is no report of the operator's set:
    // refused before any file is written.
    PrintForms forms;
    QString formsError;
    forms.load(templates, source.type, kind, &formsError);
    if (!formsError.isEmpty())
        return fail(formsError);
    const PageSettings page;

    std::optional<QSaveFile> file;
    std::optional<QPdfWriter> writer;
    std::optional<PainterCanvas> painter;
    if (!pdf.isEmpty()) {
        file.emplace(pdf);
        if (!file->open(QIODevice::WriteOnly))
            return fail(QStringLiteral("файл ") + pdf + QStringLiteral(": ") + file->errorString());
        writer.emplace(&*file);
        writer->setPageSize(QPageSize(QPageSize::A4));
        writer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        writer->setResolution(600);
        writer->setTitle(ArchiveReport::previewTitle(source.type, source.tabIndex));
        writer->setCreator(QStringLiteral("pimctl"));
        painter.emplace(&*writer);
        if (!painter->active())
            return fail(QStringLiteral("файл ") + pdf + QStringLiteral(": не удалось начать печать"));
    }
    RecordingCanvas rec(painter ? &*painter : nullptr);
    const ArchiveReport::Drawn drawn = ArchiveReport::render(rec, forms, page, m_session, source);
    for (const QString &m : drawn.messages)
        m_ui.note(m);
    if (painter) {
        painter->finish();
        writer.reset();
        if (!file->commit())
            return fail(QStringLiteral("файл ") + pdf + QStringLiteral(": ") + file->errorString());
        m_ui.note(QStringLiteral("записан ") + pdf + partial);
    }

    if (!m_json)
        return Done;
    QJsonObject j;
    j[QStringLiteral("pages")] = pagesJson(rec);
    return print(j, pagesText(rec)) ? Done : Failed;
}

} // namespace pimctl

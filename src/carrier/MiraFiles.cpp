#include "carrier/MiraFiles.h"

#include "base/DataPath.h"
#include "base/Format.h"
#include "carrier/CarrierFile.h"
#include "devices/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <filesystem>

namespace pim::mira {

const QStringList &masks()
{
    static const QStringList m{"*D.225", "*H.225", "*D.227", "*H.227", "*D.228", "*H.228", "*D.229",
                               "*H.229", "*D.230", "*H.230", "*D.234", "*H.234", "*D.235", "*H.235"};
    return m;
}

QStringList fileList(const QString &folder)
{
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    QStringList found;
    for (const QString &mask : masks()) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(mask),
                                    QRegularExpression::CaseInsensitiveOption);
        for (const QString &e : entries)
            if (re.match(e).hasMatch())
                found << e;
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return found;
}

QString programFolder()
{
    return DataPath({QStringLiteral("ДАННЫЕ"), QStringLiteral("АРХИВЫ"), QStringLiteral("MIRA-1")});
}

bool makeProgramFolder()
{
    return QDir().mkpath(programFolder());
}

QString details(const QString &folder, const QString &name, const ArchiveDescription &table)
{
    CarrierFile f;
    const QString err = f.CheckCarrierName(QDir(folder).filePath(name), table);
    return err.isEmpty() ? f.CarrierTitle() : err;
}

QString untickedLine()
{
    return QStringLiteral("- - - - - ");
}

QString proposalHead()
{
    return QDir::toNativeSeparators(programFolder()) + QStringLiteral("...");
}

QString proposal(const QString &folder, const QString &name, const ArchiveDescription &table, const QDateTime &now,
                 bool *folderFailed, QString *error)
{
    CarrierFile f;
    const QString err = f.CheckCarrierName(QDir(folder).filePath(name), table);
    if (!err.isEmpty()) {
        if (error)
            *error = err;
        return QString();
    }
    const QString model = ModelName(f.type);
    const QString number = Format(QStringLiteral("%.5d"), {f.number});
    const QString base = programFolder();
    for (const QString &dir : {base + QLatin1Char('/') + model, base + QLatin1Char('/') + model + QLatin1Char('/') + number})
        if (!QDir().mkpath(dir) && folderFailed)
            *folderFailed = true;
    const QString file = Format(QStringLiteral("%s от %.2d%.2d%.2d_%s"),
                                {CarrierFile::kindName(f.kind), now.date().month(), now.date().day(), now.time().hour(),
                                 QFileInfo(name).fileName()});
    return QStringLiteral("...") + QDir::toNativeSeparators(QLatin1Char('/') + model + QLatin1Char('/') + number
                                                            + QLatin1Char('/') + file);
}

QList<CopyPair> copyPairs(const QString &folder, const QStringList &names, const QList<bool> &ticked,
                          const QStringList &lines)
{
    QList<CopyPair> pairs;
    const QString head = lines.value(0);
    for (int i = 0; i < names.size(); ++i) {
        // A ticked file that is no carrier file has no proposed name.
        if (!ticked.value(i) || lines.value(i + 1).trimmed().isEmpty() || lines.value(i + 1) == untickedLine())
            continue;
        QString dst = head + lines.value(i + 1);
        dst.remove(QStringLiteral("......"));
        pairs.append({QDir(folder).filePath(names[i]), QDir::fromNativeSeparators(dst)});
    }
    return pairs;
}

QString copyResultText(CopyResult r)
{
    switch (r) {
    case CopyResult::Done: return QStringLiteral("Операция успешно завершена");
    case CopyResult::Cancelled: return QStringLiteral("Выполнение операции прервано пользователем");
    case CopyResult::Failed: break;
    }
    return QStringLiteral("Ошибка выполнения операции");
}

CopyResult copyFiles(const QList<CopyPair> &pairs, const std::function<bool(const QString &)> &replace,
                     QString *error)
{
    auto failed = [&](const QString &why) {
        if (error)
            *error = why;
        return CopyResult::Failed;
    };
    for (const CopyPair &p : pairs) {
        const QFileInfo src(p.source), dst(p.destination);
        if (!src.isFile())
            return failed(QStringLiteral("нет файла ") + p.source);
        if (dst.exists() && src.absoluteFilePath() == dst.absoluteFilePath())
            return failed(QStringLiteral("файл копируется сам в себя: ") + p.source);
        if (dst.exists() && (!dst.isFile() || !replace || !replace(p.destination)))
            return dst.isFile() ? CopyResult::Cancelled : failed(QStringLiteral("не файл: ") + p.destination);
        if (!QDir().mkpath(dst.absolutePath()))
            return failed(QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР ") + dst.absolutePath());
        const QString part = p.destination + QStringLiteral(".part");
        QFile::remove(part);
        if (!QFile::copy(p.source, part))
            return failed(QStringLiteral("не скопирован ") + p.source);
        // The whole new file replaces the old one in one step.
        std::error_code ec;
        std::filesystem::rename(part.toStdU16String(), p.destination.toStdU16String(), ec);
        if (ec) {
            QFile::remove(part);
            return failed(QStringLiteral("не записан ") + p.destination);
        }
    }
    return CopyResult::Done;
}

} // namespace pim::mira

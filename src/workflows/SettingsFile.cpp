#include "workflows/SettingsFile.h"

#include "base/Cp1251.h"
#include "base/DataPath.h"
#include "base/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace pim {

QString SettingsFile::defaultPath()
{
    return DataPath({QStringLiteral("ДАННЫЕ")}, QStringLiteral("ПАМЯТЬ"), QStringLiteral("mem"));
}

QList<SettingsEntry> SettingsFile::parse(const QStringList &lines)
{
    QList<SettingsEntry> out;
    out.reserve(lines.size());
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        out.append({line.left(eq), line.mid(eq + 1).left(kMaxValueLength)});
    }
    return out;
}

bool SettingsFile::load(const QString &path, QList<SettingsEntry> &entries, QString *error)
{
    entries.clear();
    if (!QFileInfo::exists(path))
        return true;
    QStringList lines;
    if (!readLines(path, lines, error))
        return false;
    entries = parse(lines);
    return true;
}

QStringList SettingsFile::build(const QList<SettingsEntry> &entries)
{
    QStringList lines;
    lines.reserve(entries.size());
    for (const SettingsEntry &e : entries) {
        QString value = e.value;
        value.replace(QLatin1Char('\r'), QLatin1Char(' '));
        value.replace(QLatin1Char('\n'), QLatin1Char(' '));
        QString name = e.name;
        name.remove(QLatin1Char('\r'));
        name.remove(QLatin1Char('\n'));
        lines.append(name + QLatin1Char('=') + value);
    }
    std::stable_sort(lines.begin(), lines.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return lines;
}

bool SettingsFile::save(const QString &path, const QList<SettingsEntry> &entries, QString *error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР");
        return false;
    }
    QByteArray data;
    for (const QString &line : build(entries)) {
        data += toCp1251(line);
        data += "\r\n";
    }
    return writeFileAtomic(path, data, error);
}

int SettingsFile::toInt(const QString &value, bool *ok)
{
    const QString t = value.trimmed();
    bool good = false;
    int v = 0;
    if (t.startsWith(QLatin1Char('$')))
        v = t.mid(1).toInt(&good, 16);
    else
        v = t.toInt(&good, 10);
    if (ok)
        *ok = good;
    return good ? v : 0;
}

} // namespace pim

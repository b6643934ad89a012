// The settings file as it lies on disk: any bytes load without a crash into
// the entries the line parser gives, and what was loaded is saved and read
// back unchanged (the lines sorted, a line break inside a value a blank,
// inside a name dropped).

#include "base/TextFile.h"
#include "workflows/SettingsFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace pim;

namespace {
QString lineOf(const SettingsEntry &e)
{
    return e.name + QLatin1Char('=') + e.value;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("ДАННЫЕ/ПАМЯТЬ.mem"));
    static const QString copy = dir.filePath(QStringLiteral("ДАННЫЕ/КОПИЯ.mem"));
    if (!dir.isValid() || !QDir().mkpath(dir.filePath(QStringLiteral("ДАННЫЕ"))))
        __builtin_trap();

    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    if (!writeFileAtomic(path, bytes, &error))
        __builtin_trap();
    QList<SettingsEntry> entries;
    if (!SettingsFile::load(path, entries, &error))
        __builtin_trap();
    if (entries != SettingsFile::parse(splitLines(bytes)))
        __builtin_trap();
    for (const SettingsEntry &e : entries) {
        if (e.value.size() > SettingsFile::kMaxValueLength || e.name.contains(QLatin1Char('=')))
            __builtin_trap();
        (void)SettingsFile::toInt(e.value);
        (void)SettingsFile::isChecked(e.value);
    }

    // Round trip.
    if (!SettingsFile::save(copy, entries, &error))
        __builtin_trap();
    QList<SettingsEntry> again;
    if (!SettingsFile::load(copy, again, &error))
        __builtin_trap();
    QList<SettingsEntry> expected = entries;
    for (SettingsEntry &e : expected) {
        e.name.remove(QLatin1Char('\r'));
        e.name.remove(QLatin1Char('\n'));
        e.value.replace(QLatin1Char('\r'), QLatin1Char(' '));
        e.value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    std::stable_sort(expected.begin(), expected.end(), [](const SettingsEntry &a, const SettingsEntry &b) {
        return QString::compare(lineOf(a), lineOf(b), Qt::CaseInsensitive) < 0;
    });
    if (again != expected)
        __builtin_trap();
    return 0;
}

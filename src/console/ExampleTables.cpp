#include "console/ExampleTables.h"

#include "devices/Registry.h"
#include "protocol/Frame.h"

#include <QDir>
#include <QFileInfo>

namespace pim::console {

namespace {

// Header row, then one row per frame byte; fields wider than a byte
// leave their further rows empty.
class Builder {
public:
    Builder() { m_t.rows << QStringList{QStringLiteral("№"), QStringLiteral("поле"), QStringLiteral("ячейка"), QStringLiteral("примечание")}; }
    Builder &field(const QString &name, const QString &cell, const QString &note = QString(), int width = 1)
    {
        m_t.rows << QStringList{QString(), name, cell, note};
        for (int i = 1; i < width; ++i)
            m_t.rows << QStringList{QString(), QString(), QString(), QString()};
        return *this;
    }
    CommandTable done()
    {
        m_t.renumber();
        return m_t;
    }

private:
    CommandTable m_t;
};

CommandTable request(int code, bool addressed)
{
    Builder b;
    b.field(QStringLiteral("длина"), QStringLiteral("B@01"), QStringLiteral("байтов в кадре"));
    if (addressed) {
        b.field(QStringLiteral("тип"), QStringLiteral("B@03"), QStringLiteral("тип устройства"));
        b.field(QStringLiteral("номер"), QStringLiteral("W@04"), QStringLiteral("№ устройства"), 2);
    } else {
        b.field(QStringLiteral("тип"), QStringLiteral("B@00"), QStringLiteral("любое устройство"));
        b.field(QStringLiteral("номер"), QStringLiteral("W@00"), QString(), 2);
    }
    b.field(QStringLiteral("код"), QStringLiteral("B=%1").arg(code), QStringLiteral("команда"));
    b.field(QStringLiteral("КС"), QStringLiteral("B@02"), QStringLiteral("контрольная сумма"));
    return b.done();
}

CommandTable reply(int length)
{
    Builder b;
    b.field(QStringLiteral("длина"), QStringLiteral("B"));
    b.field(QStringLiteral("тип"), QStringLiteral("B"));
    b.field(QStringLiteral("номер"), QStringLiteral("W"), QString(), 2);
    b.field(QStringLiteral("код"), QStringLiteral("B"));
    for (int i = 5; i < length - 1; ++i)
        b.field(QStringLiteral("байт %1").arg(i), QStringLiteral("B"));
    b.field(QStringLiteral("КС"), QStringLiteral("B"), QStringLiteral("контрольная сумма"));
    return b.done();
}

} // namespace

QList<NamedTable> exampleTables(int type)
{
    QList<NamedTable> out;
    const TypeInfo *t = typeInfo(type);
    if (!t)
        return out;
    out << NamedTable{QStringLiteral("запрос номер-тип.txt"), request(Q_NoTu, false)};
    out << NamedTable{QStringLiteral("ответ номер-тип.txt"), reply(6)};
    out << NamedTable{QStringLiteral("запрос состояния.txt"), request(Q_State, true)};
    if (t->stateLength > 6)
        out << NamedTable{QStringLiteral("ответ состояния.txt"), reply(t->stateLength)};
    if (t->paramLength > 6) {
        out << NamedTable{QStringLiteral("запрос конфигурации.txt"), request(Q_Param, true)};
        out << NamedTable{QStringLiteral("ответ конфигурации.txt"), reply(t->paramLength)};
    }
    return out;
}

int installExampleTables(QString *error)
{
    int written = 0;
    for (const TypeInfo &t : typeList()) {
        const QString folder = tableFolder(t.type);
        for (const NamedTable &n : exampleTables(t.type)) {
            const QString path = QDir(folder).filePath(n.fileName);
            if (QFileInfo::exists(path))
                continue;
            const QString why = SaveTable(n.table, path, QLatin1Char('\t'));
            if (!why.isEmpty()) {
                if (error && error->isEmpty())
                    *error = why;
                continue;
            }
            ++written;
        }
    }
    return written;
}

} // namespace pim::console

#include "workflows/DumpLines.h"

#include "base/Format.h"
#include "protocol/Frame.h"

namespace pim {

QString DumpLines::hex2(int byte)
{
    return QString::number(byte & 0xFF, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

QStringList DumpLines::byteLines(const Tab &frame)
{
    QStringList lines;
    for (int i = 0; i < frame.size(); ++i)
        lines << Format(QStringLiteral("%.3d=%d hex=%s"), {i, int(frame[i]), hex2(frame[i])});
    return lines;
}

QStringList DumpLines::stateDump(const QStringList &values, const Tab &reply)
{
    QStringList lines = values;
    lines += byteLines(reply);
    lines << QString::number(CalcCS(reply));
    return lines;
}

QStringList DumpLines::configDump(const QStringList &values, const Tab &reply)
{
    QStringList lines = values;
    for (int i = 0; i < reply.size(); ++i)
        lines << Format(QStringLiteral("%.3d=%d(%s)"), {i, int(reply[i]), hex2(reply[i])});
    lines << QString::number(CalcCS(reply));
    return lines;
}

QString DumpLines::bytesLine(const QString &caption, const Tab &frame)
{
    QString line = caption + QLatin1Char('\t');
    const QString tab(QLatin1Char('\t'));
    for (int i = 0; i < frame.size(); ++i)
        line += Format(QStringLiteral("%d=%.2d(%s)%s"), {i, int(frame[i]), hex2(frame[i]), tab});
    return line;
}

QString DumpLines::remainingText(qint64 seconds)
{
    // Integer division as the reader does it: 125 s read as 2 min 5 s.
    return Format(QStringLiteral("чтение архива. Ждите... %d мин %d сек"), {seconds / 60, seconds % 60});
}

} // namespace pim

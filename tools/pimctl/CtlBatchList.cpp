#include "CtlBatchList.h"

#include "base/TextFile.h"
#include "devices/Registry.h"

#include <QStringDecoder>

using namespace pim;

namespace pimctl {

QStringList batchListLines(const QByteArray &bytes)
{
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    // Stateless: a sequence cut off at the end is an error too, not a
    // character the decoder waits for.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(b);
    if (!utf8.hasError()) {
        QStringList lines = text.split(QLatin1Char('\n'));
        for (QString &l : lines)
            if (l.endsWith(QLatin1Char('\r')))
                l.chop(1);
        return lines;
    }
    return splitLines(b);
}

bool parseBatchLine(const QString &raw, BatchLine &line, QString &why)
{
    const QStringList f = raw.split(QLatin1Char(';'));
    if (f.size() != 4) {
        why = QStringLiteral("%1 fields, name;link;type;number needed").arg(f.size());
        return false;
    }
    line.name = f[0].trimmed();
    line.link = f[1].trimmed();
    const QString type = f[2].trimmed(), number = f[3].trimmed();
    if (line.name.isEmpty()) {
        why = QStringLiteral("no name");
        return false;
    }
    if (line.link.isEmpty()) {
        why = QStringLiteral("no link");
        return false;
    }
    if (line.link.startsWith(QLatin1String("udp:"))) {
        const QString hp = line.link.mid(4);
        const int colon = int(hp.lastIndexOf(QLatin1Char(':')));
        bool ok = false;
        line.udpHost = hp.left(colon).trimmed();
        line.udpPort = hp.mid(colon + 1).toInt(&ok);
        if (colon <= 0 || line.udpHost.isEmpty() || !ok || line.udpPort < 1 || line.udpPort > 65535) {
            why = QStringLiteral("link %1: udp:HOST:PORT needed").arg(line.link);
            return false;
        }
    } else if (line.link.startsWith(QLatin1String("dial:"))) {
        line.dialEntry = line.link.mid(5).trimmed();
        if (line.dialEntry.isEmpty()) {
            why = QStringLiteral("link %1: dial:ENTRY needs a phone-book entry").arg(line.link);
            return false;
        }
    } else if (const qsizetype colon = line.link.indexOf(QLatin1Char(':'));
               colon > 0 && !line.link.startsWith(QLatin1Char('/'))
               && !line.link.left(colon).contains(QLatin1Char('/'))) {
        // "tcp:...", "serial:..." and the like: a kind of link this list
        // does not know, not a port whose name happens to hold a colon.
        why = QStringLiteral("link %1: unknown link kind \"%2:\" (a serial port path, udp:HOST:PORT or dial:ENTRY)")
                  .arg(line.link, line.link.left(colon));
        return false;
    } else {
        line.port = line.link;
    }
    if (type.isEmpty() != number.isEmpty()) {
        why = QStringLiteral("type and number go together (both or neither)");
        return false;
    }
    if (!type.isEmpty()) {
        bool okT = false, okN = false;
        line.type = type.toInt(&okT);
        line.number = number.toInt(&okN);
        if (!okT || !typeInfo(line.type)) {
            why = QStringLiteral("type %1 is not a served type").arg(type);
            return false;
        }
        if (!okN || line.number < 1 || line.number > 65535) {
            why = QStringLiteral("number %1 is not a device number (1..65535)").arg(number);
            return false;
        }
    }
    return true;
}

bool parseBatchList(const QByteArray &bytes, const QString &path, std::vector<BatchLine> &lines, QString &why)
{
    lines.clear();
    // A UTF-16 list (what some editors save as "Unicode") has a NUL in
    // every other byte: said as such rather than read as garbage lines.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") || bytes.contains('\0')) {
        why = path + QStringLiteral(": the list is UTF-16 (or holds NUL bytes); save it as UTF-8 or Windows-1251");
        return false;
    }
    const QStringList raw = batchListLines(bytes);
    for (int i = 0; i < raw.size(); ++i) {
        const QString t = raw[i].trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char('#')))
            continue;
        BatchLine line;
        line.lineNo = i + 1;
        QString err;
        if (!parseBatchLine(t, line, err)) {
            why = QStringLiteral("%1:%2: %3").arg(path).arg(i + 1).arg(err);
            lines.clear();
            return false;
        }
        lines.push_back(line);
    }
    if (lines.empty()) {
        why = path + QStringLiteral(": no calculator in the list");
        return false;
    }
    return true;
}

} // namespace pimctl

// The list of `pimctl batch`, as any bytes (written by hand, by scripts, by
// editors that save UTF-16 or cut a file short).
//
// Checked: the list is taken or refused with a reason, never both; a
// refusal names the list and holds no NUL; every calculator taken has a
// name and exactly one kind of link (port, udp:HOST:PORT with a port in
// 1..65535, or dial:ENTRY), and a type of the registry with a number in
// 1..65535, or neither; a line taken once is taken again alike when it
// stands alone in a list.

#include "CtlBatchList.h"

#include "devices/Registry.h"

#include <cstddef>
#include <cstdint>

using namespace pimctl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = QStringLiteral("list.txt");
    std::vector<BatchLine> lines;
    QString why;
    const bool ok = parseBatchList(bytes, path, lines, why);
    if (ok != lines.size() > 0 || ok != why.isEmpty())
        __builtin_trap();
    if (!ok) {
        if (!why.startsWith(path) || why.contains(QChar(0)))
            __builtin_trap();
        return 0;
    }
    for (const BatchLine &l : lines) {
        if (l.name.isEmpty() || l.link.isEmpty() || l.lineNo < 1)
            __builtin_trap();
        const int kinds = int(!l.port.isEmpty()) + int(!l.udpHost.isEmpty()) + int(!l.dialEntry.isEmpty());
        if (kinds != 1)
            __builtin_trap();
        if (!l.udpHost.isEmpty() && (l.udpPort < 1 || l.udpPort > 65535))
            __builtin_trap();
        if ((l.type < 0) != (l.number < 0))
            __builtin_trap();
        if (l.type >= 0 && (!pim::typeInfo(l.type) || l.number < 1 || l.number > 65535))
            __builtin_trap();
        // The same line alone is the same calculator.
        BatchLine again;
        QString whyAgain;
        if (!parseBatchLine(l.name + QLatin1Char(';') + l.link + QLatin1Char(';')
                                + (l.type < 0 ? QString() : QString::number(l.type)) + QLatin1Char(';')
                                + (l.number < 0 ? QString() : QString::number(l.number)),
                            again, whyAgain))
            continue; // a name or link holding ';' does not survive being joined again
        if (again.port != l.port || again.udpHost != l.udpHost || again.udpPort != l.udpPort
            || again.dialEntry != l.dialEntry || again.type != l.type || again.number != l.number)
            __builtin_trap();
    }
    return 0;
}

#pragma once
// The list of `pimctl batch`: one calculator a line, "name;link;type;number"
// (type and number may both be left empty: asked from the device), where
// link is a serial port path, udp:HOST:PORT or dial:ENTRY. Blank lines and
// lines starting with '#' are no calculators. A pure unit: bytes in, lines
// or the first refusal out, so the parser is tested and fuzzed by itself.

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <vector>

namespace pimctl {

struct BatchLine {
    int lineNo = 0;
    QString name;
    QString link;       // as written
    QString port;       // a serial port path
    QString udpHost;
    int udpPort = 0;
    QString dialEntry;  // a phone-book entry
    int type = -1;      // -1: asked from the device
    int number = -1;
    // Calls go out through the modem on the port of their phone-book entry
    // (`modemPort`, looked up before the keys are made): calls on one modem
    // and a direct line on the same port take turns; an entry not in the
    // book shares one queue with the others like it, and its worker says why.
    QString modemPort;
    QString linkKey() const
    {
        if (!dialEntry.isEmpty() && modemPort.isEmpty())
            return QStringLiteral("dial");
        if (!udpHost.isEmpty())
            return QStringLiteral("udp:") + udpHost.toLower() + QLatin1Char(':') + QString::number(udpPort);
        const QFileInfo f(dialEntry.isEmpty() ? port : modemPort);
        return f.exists() ? f.canonicalFilePath() : f.absoluteFilePath();
    }
};

// The lines of a list file: UTF-8 (with or without a BOM) when the bytes are
// valid UTF-8, Windows-1251 otherwise; CR LF or LF.
QStringList batchListLines(const QByteArray &bytes);

// One line of the list, or why it is refused.
bool parseBatchLine(const QString &raw, BatchLine &line, QString &why);

// The whole list: every calculator line, or the first refusal as
// "PATH:LINE: why" (a UTF-16 list and a list without calculators are
// refused as such). Nothing is looked up on the machine.
bool parseBatchList(const QByteArray &bytes, const QString &path, std::vector<BatchLine> &lines, QString &why);

} // namespace pimctl

// Host bytes as the simulator's line receives them, optionally through its
// modem front end: the frame assembler takes them in pieces, and every
// frame it accepts goes to a simulated device of a type chosen by the input.
// A second pass turns the same bytes into well-formed requests (length,
// address and checksum mended) so that every command handler sees arbitrary
// payloads, not only the checksum barrier. A third pass treats the bytes as
// the state file a restart reads: as JSON text, and as values put into a
// state the device saved itself; a state it accepts must serve every
// request without fault.

#include "LineModel.h"
#include "Modem.h"
#include "SimDevice.h"
#include "SimLayouts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace pimsim;

namespace {
QDateTime fixedNow()
{
    return QDateTime(QDate(2026, 12, 10), QTime(12, 0, 0));
}

void checkReply(const QByteArray &reply)
{
    // A reply the device sends is a whole frame: its length byte, its
    // checksum.
    if (!reply.isEmpty() && (reply.size() < 6 || getU8(reply, 0) != reply.size() || !checksumOk(reply)))
        __builtin_trap();
}

QByteArray request(const SimDevice &dev, int code, const QByteArray &payload)
{
    QByteArray frame(6 + payload.size(), '\0');
    putU8(frame, 1, dev.type());
    putU16(frame, 2, dev.number());
    putU8(frame, 4, code);
    for (int i = 0; i < payload.size(); ++i)
        frame[5 + i] = payload[i];
    seal(frame);
    return frame;
}

// The reading requests of a client: identity, state, configuration, record
// numbers, a few archive records of both rings, the change log.
void serveReadings(SimDevice &dev)
{
    for (int code : {0, 1, 5, 20, 21, 254})
        checkReply(dev.handle(request(dev, code, {})));
    for (int rec : {0, 1, 2, 40, 1000, 2000, 65535}) {
        const QByteArray lo(1, char(rec & 0xFF)), hi(1, char(rec >> 8));
        checkReply(dev.handle(request(dev, 3, lo + hi)));
        checkReply(dev.handle(request(dev, 3, lo + char(hi[0] | 0x80))));
        checkReply(dev.handle(request(dev, 12, lo + hi)));
    }
    QDate date;
    int hour = 0;
    SimDevice::Values v;
    for (int slot : {-1, 0, 1, 100000})
        for (bool daily : {true, false})
            (void)dev.archiveRecord(daily, slot, v, date, hour);
}

double doubleAt(const QByteArray &b, qsizetype at)
{
    double d = 0;
    if (at >= 0 && at + qsizetype(sizeof d) <= b.size())
        std::memcpy(&d, b.constData() + at, sizeof d);
    return d;
}

void loadAndServe(const DeviceOptions &opt, const QJsonObject &state)
{
    SimDevice dev(opt, fixedNow);
    QString error;
    if (!dev.loadState(state, &error)) {
        if (error.isEmpty())
            __builtin_trap();
        return;
    }
    serveReadings(dev);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char arg0[] = "fuzz";
    static char *argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);

    if (size < 2 || size > 4096)
        return 0;
    const QList<int> &types = servedTypes();
    DeviceOptions opt;
    opt.type = types[data[0] % types.size()];
    opt.number = 0x1234;
    opt.archiveDays = 40;
    opt.jumperClosed = data[1] & 1;
    opt.passwordMismatch = data[1] & 2;
    const bool viaModem = data[1] & 4;
    const int chunk = 1 + (data[1] >> 3);
    const QByteArray bytes(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));

    // Raw bytes through the line, in pieces, with a line pause now and then.
    {
        SimDevice dev(opt, fixedNow);
        FrameAssembler line;
        auto toDevice = [&](const QByteArray &piece) {
            for (const QByteArray &frame : line.feed(piece)) {
                if (frame.size() < 6 || !checksumOk(frame))
                    __builtin_trap();
                checkReply(dev.handle(frame));
            }
        };
        ModemOptions mo;
        mo.dialMs = 0;
        mo.guardMs = 0;
        Modem modem(mo, [](const QByteArray &) {}, toDevice);
        for (qsizetype at = 0; at < bytes.size(); at += chunk) {
            const QByteArray piece = bytes.mid(at, chunk);
            if (viaModem) {
                modem.fromHost(piece);
                QCoreApplication::processEvents(); // the dial and guard timers
            } else {
                toDevice(piece);
            }
            if (chunk == 32 && line.pending())
                line.reset();
        }
        if (viaModem)
            modem.hostClosed();
    }

    // The same bytes as requests: [code][payload length][payload...] each,
    // addressed to the device as it is now (a request may change its number).
    SimDevice dev(opt, fixedNow);
    for (qsizetype at = 0; at + 2 <= bytes.size();) {
        const int code = quint8(bytes[at]);
        const int n = qMin<int>(quint8(bytes[at + 1]) % 16, int(bytes.size() - at - 2));
        checkReply(dev.handle(request(dev, code, bytes.mid(at + 2, n))));
        at += 2 + n;
    }
    // What it saved is accepted by a restart and serves every reading.
    const QJsonObject saved = dev.saveState();
    {
        SimDevice again(opt, fixedNow);
        QString error;
        if (!again.loadState(saved, &error))
            __builtin_trap();
        serveReadings(again);
    }

    // The state file as text.
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (doc.isObject())
        loadAndServe(opt, doc.object());

    // The state file with values from the input in the fields a hand-edited
    // or damaged file may change.
    QJsonObject edited = saved;
    const double d0 = doubleAt(bytes, 0), d1 = doubleAt(bytes, 8), d2 = doubleAt(bytes, 16);
    switch (data[0] / types.size() % 6) {
    case 0: edited[QStringLiteral("clockOffset")] = d0; break;
    case 1:
        edited[QStringLiteral("dailyRestart")] = d0;
        edited[QStringLiteral("hourlyRestart")] = d1;
        break;
    case 2:
        edited[QStringLiteral("counterResets")] = QJsonArray{d0, d1};
        edited[QStringLiteral("opResets")] = QJsonArray{d2};
        break;
    case 3:
        edited[QStringLiteral("archiveStart")] = QString::fromLatin1(bytes.left(16));
        edited[QStringLiteral("clockOffset")] = d2;
        break;
    case 4:
        edited[QStringLiteral("changeNext")] = d0;
        edited[QStringLiteral("weights")] = QJsonArray{d1, d2, d0, d1};
        edited[QStringLiteral("number")] = d2;
        break;
    default: edited[QStringLiteral("config")] = QString::fromLatin1(bytes.toHex()); break;
    }
    loadAndServe(opt, edited);
    return 0;
}

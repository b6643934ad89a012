#include "CarrierWriter.h"

#include "base/TextFile.h"

#include <QDir>

namespace pimsim {

bool writeCarrierFiles(SimDevice &device, const QString &dir, QStringList *written, QString *error)
{
    const TypeInfo &info = device.info();
    if (!info.leavesCarrierFiles) {
        *error = QStringLiteral("type %1 has no carrier files (225, 228, 229, 230, 234, 235)").arg(info.type);
        return false;
    }
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot create %1").arg(dir);
        return false;
    }
    for (const bool daily : {true, false}) {
        QByteArray file;
        const int pointer = daily ? device.reportedDaily() : device.reportedHourly();
        file.append(char(pointer & 0xFF));
        file.append(char((pointer >> 8) & 0xFF));
        const int depth = daily ? info.dailyDepth : info.hourlyDepth;
        for (int slot = 0; slot < depth; ++slot) {
            // The device's own answer to the record request of the slot.
            QByteArray req(8, '\0');
            putU8(req, 1, info.type);
            putU16(req, 2, device.number());
            putU8(req, 4, 3);
            putU8(req, 5, slot & 0xFF);
            putU8(req, 6, (slot >> 8) + (daily ? 0x80 : 0));
            seal(req);
            const QByteArray reply = device.handle(req);
            if (reply.size() != info.arhLength) {
                *error = QStringLiteral("slot %1 gave no archive reply").arg(slot);
                return false;
            }
            file.append(reply.mid(5, reply.size() - 6));
        }
        const QString name = QStringLiteral("ARH%1%2.%3")
                                 .arg(device.number(), 5, 10, QLatin1Char('0'))
                                 .arg(daily ? QLatin1Char('D') : QLatin1Char('H'))
                                 .arg(info.type);
        const QString path = QDir(dir).filePath(name);
        if (!pim::writeFileAtomic(path, file, error))
            return false;
        if (written)
            *written << path;
    }
    return true;
}

} // namespace pimsim

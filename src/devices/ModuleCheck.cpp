#include "devices/ModuleCheck.h"

#include "protocol/Fields.h"

namespace pim {

QString moduleReplyCheck(const Tab &reply, int length, int code, const QString &erundec, const Identity &id,
                         bool checkType)
{
    QString err;
    if (reply.size() < 5 || reply.at(0) != length || reply.at(0) != reply.size() || reply.at(4) != code)
        err = erundec;
    if (!TestCS(reply))
        err += QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
    if (checkType && (!reply.inside(1) || reply.at(1) != id.type))
        err += QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    if (!reply.inside(2, 2) || int(GetW(reply, 2)) != id.number)
        err += QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");
    return err;
}

} // namespace pim

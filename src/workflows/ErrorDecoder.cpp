#include "workflows/ErrorDecoder.h"

#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "protocol/Fields.h"

namespace pim {

namespace {
const QString kMismatch = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");

StateCodec *codecWithTables(int type)
{
    DeviceModule *m = moduleFor(type);
    if (!m || m->id() == ModuleId::U128)
        return nullptr;
    return &m->state();
}

int systemOf(StateCodec &c, int system)
{
    return c.halves() > 1 ? qBound(0, system, c.halves() - 1) : 0;
}
} // namespace

QString ErrorDecoder::decode(int type, int tag, int system)
{
    if (tag != Device && tag != System)
        return {};
    StateCodec *c = codecWithTables(type);
    if (!c)
        return kMismatch;
    const int code = c->errorCode(tag, systemOf(*c, system));
    return ErrText(code, c->errorTexts(tag));
}

int ErrorDecoder::columnTag(const QString &header2)
{
    if (header2 == QStringLiteral("код") || header2 == QStringLiteral("уст-ва"))
        return Device;
    if (header2 == QStringLiteral("системы"))
        return System;
    return None;
}

QString ErrorDecoder::decodeCell(int type, int tag, int system, const QString &cellText)
{
    if (tag != Device && tag != System)
        return {};
    StateCodec *c = codecWithTables(type);
    if (!c)
        return kMismatch;
    bool ok = false;
    int code = cellText.trimmed().toInt(&ok);
    if (!ok)
        code = -1;
    c->setErrorCode(tag, systemOf(*c, system), code);
    return decode(type, tag, system);
}

} // namespace pim

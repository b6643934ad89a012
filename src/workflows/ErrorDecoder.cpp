#include "workflows/ErrorDecoder.h"

#include "devices/DeviceSession.h"
#include "devices/StateCodec.h"
#include "protocol/Fields.h"

namespace pim {

namespace {
const QString kMismatch = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");

// The module's tables; the pulse counter has none.
const StateCodec *codecWithTables(DeviceSession &session)
{
    const DeviceModule *m = session.module();
    if (!m || m->id() == ModuleId::U128)
        return nullptr;
    return &m->state();
}

// The column headers the modules write over an error code. An empty first
// line matches any.
struct Column {
    const char16_t *header1;
    const char16_t *header2;
    int tag;
};
const Column kColumns[] = {
    {u"код ош", u"уст-ва", ErrorDecoder::Device}, // state grid, two-system types
    {u"код ош", u"сист", ErrorDecoder::System},
    {u"код", u"ошиб", ErrorDecoder::Device},      // state grid, 225 and 227
    {u"", u"уст-ва", ErrorDecoder::Device},       // archive grids
    {u"", u"системы", ErrorDecoder::System},
    {u"", u"код", ErrorDecoder::Device},          // archive grids of 225 and 227
};
} // namespace

QString ErrorDecoder::decodeCode(DeviceSession &session, int tag, int code)
{
    if (tag != Device && tag != System)
        return {};
    const StateCodec *c = codecWithTables(session);
    if (!c)
        return kMismatch;
    return ErrText(code, c->errorTexts(tag));
}

QString ErrorDecoder::decode(DeviceSession &session, int tag, int system)
{
    if (tag != Device && tag != System)
        return {};
    const StateCodec *state = codecWithTables(session);
    if (!state)
        return kMismatch;
    const int halves = state->halves();
    const int s = halves > 1 ? qBound(0, system, halves - 1) : 0;
    return decodeCode(session, tag, state->errorCode(tag, s));
}

int ErrorDecoder::columnTag(const QString &header1, const QString &header2)
{
    const QString h1 = header1.trimmed(), h2 = header2.trimmed();
    for (const Column &c : kColumns) {
        const QString want1 = QString::fromUtf16(c.header1);
        if (h2 == QString::fromUtf16(c.header2) && (want1.isEmpty() || h1 == want1))
            return c.tag;
    }
    return None;
}

QString ErrorDecoder::decodeCell(DeviceSession &session, int tag, const QString &cellText)
{
    // A cell without a number ("нет данных", an empty cell) has no code to
    // explain: taken as -1 it would list every condition as present.
    bool ok = false;
    const int code = cellText.trimmed().toInt(&ok);
    if (!ok)
        return {};
    return decodeCode(session, tag, code);
}

} // namespace pim

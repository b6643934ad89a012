#include "protocol/Frame.h"

#include "protocol/Fields.h"


namespace pim {

namespace {

const QString kTypeMismatch = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
const QString kChecksumMismatch = QStringLiteral("НЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
const QString kNumberMismatch = QStringLiteral("НЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");

// Display names: the family name and the type code keep them unique and
// free of characters a folder name cannot hold.
QString servedName(int type)
{
    return QStringLiteral("ПИМ-%1").arg(type);
}

} // namespace

Identity &CurrentIdentity()
{
    static Identity identity;
    return identity;
}

Tab IdentityTemplate()
{
    return Tab{0x06, 0x00, 0x00, 0x00, 0x00, 0xFA};
}

bool inValidTypeSet(int type)
{
    return type == 0 || isServedType(type);
}

const QList<int> &ServedTypes()
{
    static const QList<int> types{128, 225, 227, 228, 229, 230, 234, 235, 236, 237, 238, 239};
    return types;
}

bool isServedType(int type)
{
    return ServedTypes().contains(type);
}

QString ModelName(int type)
{
    return isServedType(type) ? servedName(type) : kTypeMismatch;
}

int typeByModelName(const QString &name)
{
    for (int type : ServedTypes())
        if (servedName(type) == name)
            return type;
    return -1;
}

int replyLength(int type, int code)
{
    struct Lengths {
        int state, param, arhiv;
    };
    Lengths l{0, 0, 0};
    switch (type) {
    case 128: l = {31, 0, 0}; break;
    case 225: l = {41, 23, 49}; break;
    case 227: l = {33, 16, 41}; break;
    case 228: l = {97, 46, 166}; break;
    case 229:
    case 230: l = {105, 46, 166}; break;
    case 234:
    case 235:
    case 236:
    case 237: l = {129, 100, 222}; break;
    case 238:
    case 239: l = {161, 100, 222}; break;
    default: return 0;
    }
    switch (code) {
    case Q_State: return l.state;
    case Q_Param: return l.param;
    case Q_Arhiv: return l.arhiv;
    default: return 0;
    }
}

quint8 CalcCS(const Tab &bytes)
{
    unsigned sum = 0;
    for (char c : bytes.bytes())
        sum += static_cast<quint8>(c);
    return static_cast<quint8>((256 - sum % 256) % 256);
}

bool TestCS(const Tab &frame)
{
    // An empty frame has no checksum byte to agree with.
    if (frame.isEmpty())
        return false;
    return frame.at(frame.size() - 1) == CalcCS(frame.mid(0, frame.size() - 1));
}

Tab SQ(const Identity &id, int code, const Tab &data)
{
    const int n = qMin(data.size(), kMaxRequestData);
    Tab frame(n + 5);
    frame.set(0, n + 6);
    frame.set(1, id.type);
    PutW(id.number, frame, 2);
    frame.set(4, code);
    for (int i = 0; i < n; ++i)
        frame.set(5 + i, data.at(i));
    frame.append(CalcCS(frame));
    return frame;
}

Tab SQ(int code, const Tab &data)
{
    return SQ(CurrentIdentity(), code, data);
}

Tab SQNoTu()
{
    const Identity &id = CurrentIdentity();
    if (id.number > 0 && id.type > 0)
        return SQ(id, Q_NoTu);
    return IdentityTemplate();
}

Tab SQ128(const Identity &id, int code, int value5, int value6)
{
    Tab frame(7);
    frame.set(0, 8);
    frame.set(1, id.type);
    PutW(id.number, frame, 2);
    frame.set(4, code);
    if (code == Q_ClrArh || code == Q_SetParam128)
        PutW(int((qint64(value5) + 256 * qint64(value6)) & 0xFFFF), frame, 5);
    frame.append(CalcCS(frame));
    return frame;
}

Tab SQ128(int code, int value5, int value6)
{
    return SQ128(CurrentIdentity(), code, value5, value6);
}

bool TestNoTu(int number, int type)
{
    return number >= 1 && number <= 65535 && type >= kMinTypeCode && type <= kMaxTypeCode;
}

QString DecNoTu(const Tab &reply, int &number, int &type)
{
    number = -1;
    type = -1;
    QString err;
    if (!(reply.size() == 6 && reply.at(0) == 6 && reply.at(4) == Q_NoTu))
        err = QStringLiteral("unit Upo:function DecNoTu: erundec ");
    if (!TestCS(reply))
        err += QLatin1Char('\r') + kChecksumMismatch;
    if (err.isEmpty()) {
        type = reply.at(1);
        number = GetW(reply, 2);
    }
    return err;
}

QString TestAnswer(const Tab &reply, int expectedLength, int code, const Identity &id)
{
    QString err;
    // A reply too short to hold its header can never have the right format;
    // the later checks then only compare the bytes that arrived (a missing
    // byte never matches).
    const bool formatOk = reply.size() >= 5 && reply.at(0) == expectedLength
        && reply.at(0) == reply.size() && reply.at(4) == code;
    if (!formatOk)
        err = QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА ") + QString::number(code);
    if (!TestCS(reply))
        err += QLatin1Char('\r') + kChecksumMismatch;
    if (!reply.inside(1) || reply.at(1) != id.type)
        err += QLatin1Char('\r') + kTypeMismatch;
    if (!reply.inside(2, 2) || GetW(reply, 2) != id.number)
        err += QLatin1Char('\r') + kNumberMismatch;
    return err;
}

QString TestAnswer(const Tab &reply, int expectedLength, int code)
{
    return TestAnswer(reply, expectedLength, code, CurrentIdentity());
}

} // namespace pim

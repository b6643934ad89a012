#include "protocol/Frame.h"

#include "protocol/Fields.h"


namespace pim {

namespace {

const QString kTypeMismatch = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
const QString kChecksumMismatch = QStringLiteral("НЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
const QString kNumberMismatch = QStringLiteral("НЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");

} // namespace

Identity addressee(const Tab &request)
{
    return Identity{request.inside(1) ? request.at(1) : 0, request.inside(2, 2) ? int(GetW(request, 2)) : 0};
}

Tab IdentityTemplate()
{
    return Tab{0x06, 0x00, 0x00, 0x00, 0x00, 0xFA};
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

Tab SQNoTu(const Identity &id)
{
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

} // namespace pim

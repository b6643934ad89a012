// Arbitrary bytes as device replies, error codes and link texts: the reply
// checks, the identity decoder, the field readers and the error-code text
// must neither crash nor read outside their input.
#include "protocol/Fields.h"
#include "protocol/Frame.h"
#include "protocol/Imitation.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace pim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const Tab reply = Tab::fromBytes(bytes);

    // The expected length and code come from the input's first bytes so that
    // the fuzzer reaches the accepting paths too.
    const int expected = size > 0 ? data[0] : 0;
    const int code = size > 4 ? data[4] : 0;
    const Identity id{size > 1 ? data[1] : -1, size > 3 ? int(data[2] | data[3] << 8) : -1};
    (void)TestAnswer(reply, expected, code, id);
    (void)TestAnswer(reply, expected, code, Identity{});

    int number = 0, type = 0;
    (void)DecNoTu(reply, number, type);
    (void)TestCS(reply);

    qint64 errCode = 0;
    std::memcpy(&errCode, data, size < sizeof errCode ? size : sizeof errCode);
    const QStringList texts = QString::fromLatin1(bytes).split(QLatin1Char('|'));
    (void)ErrText(errCode, texts);
    (void)ErrText(static_cast<qint32>(errCode), {});

    for (int i = -1; i <= reply.size(); ++i) {
        (void)GetW(reply, i);
        (void)GetL(reply, i);
        (void)GetF(reply, i);
        QString msg;
        (void)ChTW(bytes, i, &msg);
        (void)SingleAt(bytes, i);
    }
    (void)ParseBytes(QString::fromLatin1(bytes), QStringLiteral("|"));
    (void)ListBytes(bytes, QStringLiteral(" "), code & 1);
    Tab parsed;
    (void)Tab::fromHex(QString::fromLatin1(bytes), parsed);

    // The imitation answers any request without a device.
    Imitator im([] { return 0.25; });
    (void)im.ImitReply(reply, id);
    return 0;
}

#include "carrier/CarrierReplay.h"

#include "links/ExchangeEngine.h"
#include "protocol/Frame.h"

namespace pim {

Tab CarrierReplay::reply(const CarrierFile &file, const Tab &request)
{
    const int code = request.at(4);
    // The header: length (set below), the file's type, the number the
    // request is addressed to, the request's code.
    Tab r{6, file.type, request.at(2), request.at(3), code};
    auto seal = [&r] {
        r.set(0, r.size() + 1);
        r.append(CalcCS(r));
        return r;
    };
    const int P = file.pointer;
    switch (code) {
    case Q_Arhiv: {
        const int n = request.at(5) | ((request.at(6) & 0x7F) << 8); // less the daily bit
        if (n < file.records.size())
            r.append(Tab::fromBytes(file.records[n]));
        // The length byte says a whole reply even when the record is short
        // or missing: the decoder refuses such a reply.
        r.set(0, file.recordLength + 6);
        r.append(CalcCS(r));
        return r;
    }
    case Q_ArhBegin:
    case Q_ArhEnd:
        return seal();
    case Q_ArhNo:
        // The pointer is the hourly number, and the daily one too; the
        // 234 family carries the daily number as a word, the others as a
        // byte followed by the measurement period.
        r.append(P & 0xFF);
        r.append(P >> 8);
        if (file.type == 225) {
            r.append(P & 0xFF);
        } else if (file.type == 234 || file.type == 235) {
            r.append(P & 0xFF);
            r.append(P >> 8);
            r.append(60);
        } else {
            r.append(P & 0xFF);
            r.append(60);
        }
        return seal();
    default:
        return request;
    }
}

void CarrierReplay::install(ExchangeEngine &engine, const CarrierFile &file)
{
    const CarrierFile *f = &file;
    engine.setReplayHandler([f](const Tab &request, Tab &reply) {
        reply = CarrierReplay::reply(*f, request);
        return true;
    });
}

} // namespace pim

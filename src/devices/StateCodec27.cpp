// Type 227: one heating system, temperatures in hundredths of a degree,
// a hot-water volume.

#include "devices/StateSingle.h"

namespace pim {
namespace {

using state::Enc;
using F = state::SingleField<StateRec27>;
constexpr int kLength = 33;

const QList<F> &fields()
{
    static const QList<F> t{
        {Enc::F32, 5, &StateRec27::heat, nullptr,
         {QStringLiteral("ТЕПЛО"), QStringLiteral(" Гкал"), QStringLiteral("ТЕПЛО, Гкал"), 100, 10, 0}},
        {Enc::U16Centi, 9, nullptr, &StateRec27::tSupply,
         {QStringLiteral("t°C"), QStringLiteral("подача"), QStringLiteral("t°C, подача"), 300, 10, 0}},
        {Enc::U16Centi, 11, nullptr, &StateRec27::tReturn,
         {QStringLiteral("t°C"), QStringLiteral("обратка"), QStringLiteral("t°C, обратка"), 300, 40, 0}},
        {Enc::U16Centi, 13, nullptr, &StateRec27::tHot,
         {QStringLiteral("t°C"), QStringLiteral("ГВС"), QStringLiteral("t°C, ГВС"), 300, 70, 0}},
        {Enc::F32, 15, &StateRec27::volume1, nullptr,
         {QStringLiteral("объем"), QStringLiteral("1,м3"), QStringLiteral("объем 1,м3"), 600, 10, 0}},
        {Enc::F32, 19, &StateRec27::volume2, nullptr,
         {QStringLiteral("объем"), QStringLiteral("2,м3"), QStringLiteral("объем 2,м3"), 600, 40, 0}},
        {Enc::F32, 23, &StateRec27::volumeHot, nullptr,
         {QStringLiteral("объем"), QStringLiteral("3,м3"), QStringLiteral("объем ГВС, м3"), 600, 70, 0}},
        {Enc::F32, 27, &StateRec27::volume3, nullptr,
         {QStringLiteral("объем"), QStringLiteral("4,м3"), QStringLiteral("объем 3,м3"), 600, 100, 0}},
        {Enc::U8, 31, nullptr, &StateRec27::error,
         {QStringLiteral("код"), QStringLiteral("ошиб"), QStringLiteral("код ошибки"), 600, 130, 1}},
    };
    return t;
}

} // namespace

QString StateCodec27::decode(const Tab &reply, const Identity &id)
{
    return state::decodeSingle(fields(), reply, kLength, id, m_rec);
}

QStringList StateCodec27::SLfromState(int) const
{
    return state::listSingle(fields(), m_rec);
}

const StateView &StateCodec27::view() const
{
    static const StateView v = state::viewOf(fields());
    return v;
}

const QStringList &StateCodec27::errorTexts(int) const
{
    return errorTexts27();
}

int StateCodec27::errorCode(int, int) const
{
    return m_rec.error;
}

void StateCodec27::setErrorCode(int, int, int code)
{
    m_rec.error = code;
}

QString StateCodec27::ImitState(const Tab &request, Imitator &im, Tab &reply)
{
    if (request.at(4) != Q_State)
        return QStringLiteral("unit U27:function ImitState: CMD erundec");
    Tab t(kLength);
    t.set(0, kLength);
    double v[4];
    for (int i = 0; i < 4; ++i) {
        v[i] = im.NormRand(1, 100);
        PutF(t, 15 + 4 * i, v[i]);
    }
    const int t1 = state::imitTemperature(im, 100);
    const int t2 = state::imitTemperature(im, 80);
    const int t3 = state::imitTemperature(im, 100);
    PutW(t1, t, 9);
    PutW(t2, t, 11);
    PutW(t3, t, 13);
    PutF(t, 5, (v[0] * t1 - v[1] * t2) / 100);
    t.set(31, state::imitErrorByte(im));
    reply = t;
    return QString();
}

} // namespace pim

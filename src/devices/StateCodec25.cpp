// Type 225: one heating system, temperatures in hundredths of a degree,
// electric energy in two tariffs.

#include "devices/StateSingle.h"

namespace pim {
namespace {

using state::Enc;
using F = state::SingleField<StateRec25>;
constexpr int kLength = 41;

const QList<F> &fields()
{
    static const QList<F> t{
        {Enc::F32, 5, &StateRec25::heat, nullptr,
         {QStringLiteral("ТЕПЛО"), QStringLiteral(" Гкал"), QStringLiteral("ТЕПЛО, Гкал"), 100, 10, 0}},
        {Enc::U16Centi, 9, nullptr, &StateRec25::tSupply,
         {QStringLiteral("t°C"), QStringLiteral("подача"), QStringLiteral("t°C, подача"), 300, 10, 0}},
        {Enc::U16Centi, 11, nullptr, &StateRec25::tReturn,
         {QStringLiteral("t°C"), QStringLiteral("обратка"), QStringLiteral("t°C, обратка"), 300, 40, 0}},
        {Enc::U16Centi, 13, nullptr, &StateRec25::tHot,
         {QStringLiteral("t°C"), QStringLiteral("ГВС"), QStringLiteral("t°C, ГВС"), 300, 70, 0}},
        {Enc::F32, 15, &StateRec25::volume1, nullptr,
         {QStringLiteral("объем"), QStringLiteral("1,м3"), QStringLiteral("объем 1,м3"), 600, 10, 0}},
        {Enc::F32, 19, &StateRec25::volume2, nullptr,
         {QStringLiteral("объем"), QStringLiteral("2,м3"), QStringLiteral("объем 2,м3"), 600, 40, 0}},
        {Enc::F32, 23, &StateRec25::volume3, nullptr,
         {QStringLiteral("объем"), QStringLiteral("3,м3"), QStringLiteral("объем 3,м3"), 600, 70, 0}},
        {Enc::F32, 27, &StateRec25::volumeLowT, nullptr,
         {QStringLiteral("объем"), QStringLiteral("уменьш t°C"), QStringLiteral("объем при уменьшенной t°C,м3"), 600,
          100, 0}},
        {Enc::F32, 31, &StateRec25::energy1, nullptr,
         {QStringLiteral("электро"), QStringLiteral("1 тариф"), QStringLiteral("электроэнергия по 1 тарифу"), 300, 100,
          0}},
        {Enc::F32, 35, &StateRec25::energy2, nullptr,
         {QStringLiteral("электро"), QStringLiteral("2 тариф"), QStringLiteral("электроэнергия по 2 тарифу"), 300, 130,
          0}},
        {Enc::U8, 39, nullptr, &StateRec25::error,
         {QStringLiteral("код"), QStringLiteral("ошиб"), QStringLiteral("код ошибки"), 300, 160, 1}},
    };
    return t;
}

} // namespace

QString StateCodec25::decode(const Tab &reply, const Identity &id)
{
    return state::decodeSingle(fields(), reply, kLength, id, m_rec);
}

QStringList StateCodec25::SLfromState(int) const
{
    return state::listSingle(fields(), m_rec);
}

const StateView &StateCodec25::view() const
{
    static const StateView v = state::viewOf(fields());
    return v;
}

const QStringList &StateCodec25::errorTexts(int) const
{
    return errorTexts25();
}

int StateCodec25::errorCode(int, int) const
{
    return m_rec.error;
}

void StateCodec25::setErrorCode(int, int, int code)
{
    m_rec.error = code;
}

QString StateCodec25::ImitState(const Tab &request, Imitator &im, Tab &reply)
{
    if (request.at(4) != Q_State)
        return QStringLiteral("unit U25:function ImitState: CMD erundec");
    Tab t(kLength);
    t.set(0, kLength);
    const double a = im.NormRand(1, 100);
    const double b = im.NormRand(1, 100);
    const double c = im.NormRand(1, 100);
    PutF(t, 15, a);
    PutF(t, 19, b);
    PutF(t, 23, c);
    const int t1 = state::imitTemperature(im, 100);
    const int t2 = state::imitTemperature(im, 80);
    const int t3 = state::imitTemperature(im, 100);
    PutW(t1, t, 9);
    PutW(t2, t, 11);
    PutW(t3, t, 13);
    PutF(t, 5, (a * t1 - b * t2) / 100);
    PutF(t, 27, std::fabs(im.NormRand(1, 0)));
    PutF(t, 31, im.NormRand(10000, 70000));
    PutF(t, 35, im.NormRand(10000, 70000));
    t.set(39, state::imitErrorByte(im));
    reply = t;
    return QString();
}

} // namespace pim

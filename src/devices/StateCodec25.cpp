// Type 225: one heating system, temperatures in hundredths of a degree,
// electric energy in two tariffs.

#include "devices/Registry.h"
#include "devices/StateSingle.h"

namespace pim {
namespace {

using state::Enc;
using F = state::SingleField<StateRec25>;

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

template class StateCodecSingle<StateRec25>;

StateCodec25::StateCodec25() : StateCodecSingle(fields(), errorTexts25()) {}

QString StateCodec25::ImitState(const Tab &request, Imitator &im, Tab &reply)
{
    if (request.at(4) != Q_State)
        return QStringLiteral("unit U25:function ImitState: CMD erundec");
    Tab t(stateLength());
    t.set(0, stateLength());
    state::imitVolumesAndHeat(im, 3, t);
    PutF(t, 27, std::fabs(im.NormRand(1, 0)));
    PutF(t, 31, im.NormRand(10000, 70000));
    PutF(t, 35, im.NormRand(10000, 70000));
    t.set(39, state::imitErrorByte(im));
    reply = t;
    return QString();
}

int StateCodec25::stateLength() const
{
    return moduleFacts(ModuleId::U25).stateLength;
}

} // namespace pim

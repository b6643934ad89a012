// Type 227: one heating system, temperatures in hundredths of a degree,
// a hot-water volume.

#include "devices/Registry.h"
#include "devices/StateSingle.h"

namespace pim {
namespace {

using state::Enc;
using F = state::SingleField<StateRec27>;

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
        // The grid names the hot-water volume and volume 3 as the labels,
        // the configuration ("ГВС", "датч №3") and the archive do; a
        // count of the four volumes ("3,м3", "4,м3") would call the
        // hot-water volume "объем 3" beside the label of the real one.
        {Enc::F32, 23, &StateRec27::volumeHot, nullptr,
         {QStringLiteral("объем"), QStringLiteral("ГВС,м3"), QStringLiteral("объем ГВС, м3"), 600, 70, 0}},
        {Enc::F32, 27, &StateRec27::volume3, nullptr,
         {QStringLiteral("объем"), QStringLiteral("3,м3"), QStringLiteral("объем 3,м3"), 600, 100, 0}},
        {Enc::U8, 31, nullptr, &StateRec27::error,
         {QStringLiteral("код"), QStringLiteral("ошиб"), QStringLiteral("код ошибки"), 600, 130, 1}},
    };
    return t;
}

} // namespace

template class StateCodecSingle<StateRec27>;

StateCodec27::StateCodec27() : StateCodecSingle(fields(), errorTexts27()) {}

QString StateCodec27::ImitState(const Tab &request, Imitator &im, Tab &reply)
{
    if (request.at(4) != Q_State)
        return QStringLiteral("unit U27:function ImitState: CMD erundec");
    Tab t(stateLength());
    t.set(0, stateLength());
    state::imitVolumesAndHeat(im, 4, t);
    t.set(31, state::imitErrorByte(im));
    reply = t;
    return QString();
}

int StateCodec27::stateLength() const
{
    return moduleFacts(ModuleId::U27).stateLength;
}

} // namespace pim

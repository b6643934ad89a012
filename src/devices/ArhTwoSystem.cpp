#include "devices/ArhTwoSystem.h"

#include "devices/ArhLayout.h"
#include "devices/ModuleCheck.h"

#include <cmath>

namespace pim {
namespace {

using F = ArhField;
using W = ArhWireKind;
using C = ArhCellKind;
constexpr int Both = kArhWireShared;
constexpr int None = kArhWireNone;

// What the four modules share: grid cells, headers, column maps and the
// rules of the differential view.
void common(ArhLayout &l, const QString &pressureUnit1, const QString &pressureUnit2)
{
    l.halves = 2;
    l.cells = {
        {F::Date, C::Date},        {F::Hour, C::Int},         {F::Heat, C::Real},
        {F::Vol1, C::Real},        {F::Vol2, C::Real},        {F::Vol3, C::Real},
        {F::TSupply, C::Real},     {F::TReturn, C::Real},     {F::TAdd, C::Real},
        {F::Pressure1, C::Real},   {F::Pressure2, C::Real},   {F::SysError, C::Int},
        {F::DevError, C::Int},     {F::Hours, C::Int},        {F::HoursErr, C::Int},
        {F::Date, C::Int},         {F::RunMinutes, C::Int},   {F::PeriodHeat, C::Real},
        {F::PeriodVol1, C::Real},  {F::PeriodVol2, C::Real},  {F::PeriodVol3, C::Real},
        {F::ErrMinutes, C::HhMm},  {F::ErrTimeB, C::Int},     {F::ErrTimeA, C::Int},
        {F::ErrTimeC, C::Int},     {F::EnergyA, C::Real},     {F::EnergyB, C::Real},
        {F::EnergyC, C::Real},
    };
    l.head1 = {QStringLiteral("ДАТА"),      QStringLiteral("Время"),     QStringLiteral("ТЕПЛО"),
               QStringLiteral("объем"),     QStringLiteral("объем"),     QStringLiteral("объем"),
               QStringLiteral("t°С "),      QStringLiteral("t°С"),       QStringLiteral("t°С"),
               QStringLiteral("Давление"),  QStringLiteral("Давление"),  QStringLiteral("Ошибка"),
               QStringLiteral("Ошибка"),    QStringLiteral("наработка"), QStringLiteral("наработка"),
               QStringLiteral("день"),      QStringLiteral("От пер"),    QStringLiteral("От пер"),
               QStringLiteral("От пер"),    QStringLiteral("От пер"),    QStringLiteral("От пер"),
               QStringLiteral("с ошибкой"), QStringLiteral("Ош малого"), QStringLiteral("Ош большого"),
               QStringLiteral("Ош дельты"), QStringLiteral("Энергия"),   QStringLiteral("Энергия"),
               QStringLiteral("Энергия")};
    l.head2 = {QStringLiteral("дд.мм.гггг"), QString(),                  QStringLiteral(" Гкал"),
               QStringLiteral("   1-й м3"),  QStringLiteral("   2-й м3"), QStringLiteral("   3-й м3"),
               QStringLiteral("подача"),     QStringLiteral("обратка"),  QStringLiteral("доп."),
               pressureUnit1,                pressureUnit2,              QStringLiteral("системы"),
               QStringLiteral("уст-ва"),     QStringLiteral("час"),      QStringLiteral(" с ош. час"),
               QStringLiteral("от 1.1.00"),  QStringLiteral("раб"),      QStringLiteral("тепло"),
               QStringLiteral("расх 1"),     QStringLiteral("расх 2"),   QStringLiteral("расх 3"),
               QStringLiteral("чч:мм"),      QStringLiteral("расх"),     QStringLiteral("расх"),
               QStringLiteral("t°С"),        QStringLiteral("малого"),   QStringLiteral("большого"),
               QStringLiteral("dt°С")};
    l.dailyMap = {1, -2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 22, 14, 15,
                  -16, -17, -18, -19, -20, -21, -23, -24, -25, -26, -27, -28};
    l.hourlyMap = l.dailyMap;
    l.hourlyMap[1] = 2;
    l.diffFields = {F::Heat, F::Vol1, F::Vol2, F::Vol3, F::Hours, F::HoursErr};
    l.sumFields = {F::Heat, F::Vol1, F::Vol2, F::Vol3, F::Hours, F::HoursErr, F::ErrMinutes};
    l.orFields = {F::SysError, F::DevError};
    l.meanFields = {F::Pressure1, F::Pressure2};
    // U28 weighs every temperature; the later generations leave out readings
    // outside (0, 150) degrees, from the averages and from the totals alike.
    l.tempsFiltered = l.id != ModuleId::U28;
    l.averages = l.id != ModuleId::U28;
}

// Tarh234 / Tarh238: halves of 232 bytes; replies of 222 bytes.
ArhLayout layout232(ModuleId id)
{
    ArhLayout l;
    l.takeSizes(id, 2);
    l.set(F::Hours, 0, false);
    l.set(F::HoursErr, 4, false);
    l.set(F::Heat, 8, true);
    l.set(F::Vol1, 16, true);
    l.set(F::Vol2, 24, true);
    l.set(F::Vol3, 32, true);
    l.set(F::Quantity4, 40, true);
    l.set(F::Quantity5, 48, true);
    l.set(F::Quantity6, 56, true);
    l.set(F::RunMinutes, 64, false);
    // 68..71 padding
    l.set(F::PeriodHeat, 72, true);
    l.set(F::PeriodVol1, 80, true);
    l.set(F::PeriodVol2, 88, true);
    l.set(F::PeriodVol3, 96, true);
    l.set(F::PeriodQuantity4, 104, true);
    l.set(F::PeriodQuantity5, 112, true);
    l.set(F::PeriodQuantity6, 120, true);
    l.set(F::TSupply, 128, true);
    l.set(F::TReturn, 136, true);
    l.set(F::TAdd, 144, true);
    l.set(F::Pressure1, 152, true);
    l.set(F::Pressure2, 160, true);
    l.set(F::ErrMinutes, 168, false);
    l.set(F::ErrTimeB, 172, false);
    l.set(F::ErrTimeA, 176, false);
    l.set(F::ErrTimeC, 180, false);
    l.set(F::Word184, 184, false);
    l.set(F::Word188, 188, false);
    l.set(F::EnergyA, 192, true);
    l.set(F::EnergyB, 200, true);
    l.set(F::EnergyC, 208, true);
    l.set(F::SysError, 216, false);
    l.set(F::DevError, 220, false);
    l.set(F::Hour, 224, false);
    l.set(F::Date, 228, false);
    l.wire = {
        {F::Hours, W::U16, 5, Both},
        {F::HoursErr, W::U16, 7, 9},
        {F::Heat, W::F32, 11, 15},
        {F::Vol1, W::F32, 19, 31},
        {F::Vol2, W::F32, 23, 35},
        {F::Vol3, W::F32, 27, 39},
        {F::Quantity4, W::F32, 43, 55},
        {F::Quantity5, W::F32, 47, 59},
        {F::Quantity6, W::F32, 51, 63},
        {F::RunMinutes, W::U16, 67, Both},
        {F::PeriodHeat, W::F32, 69, 73},
        {F::PeriodVol1, W::F32, 77, 89},
        {F::PeriodVol2, W::F32, 81, 93},
        {F::PeriodVol3, W::F32, 85, 97},
        {F::PeriodQuantity4, W::F32, 101, 113},
        {F::PeriodQuantity5, W::F32, 105, 117},
        {F::PeriodQuantity6, W::F32, 109, 121},
        {F::TSupply, W::F32, 125, 133},
        {F::TReturn, W::F32, 129, 137},
        {F::TAdd, W::F32, 141, 145},
        {F::Pressure1, W::F32, 149, 157},
        {F::Pressure2, W::F32, 153, 161},
        {F::ErrMinutes, W::U16, 165, 167},
        {F::ErrTimeB, W::U16, 181, 183},
        {F::ErrTimeA, W::U16, 169, 171},
        {F::ErrTimeC, W::U16, 193, 195},
        {F::Word184, W::U16, 205, None},
        {F::Word188, W::U16, 207, 209},
        {F::EnergyA, W::F32, 173, 177},
        {F::EnergyB, W::F32, 185, 189},
        {F::EnergyC, W::F32, 197, 201},
        {F::SysError, W::U8, 211, 212},
        {F::DevError, W::U8, 213, Both},
        {F::Hour, W::U8, 214, Both},
        {F::Date, W::U16, 215, Both},
    };
    common(l, QStringLiteral("  1-й, МПа"), QStringLiteral("   2-й, МПа"));
    return l;
}

// Tarh228 / Tarh229: halves of 176 bytes; replies of 166 bytes.
ArhLayout layout176(ModuleId id)
{
    ArhLayout l;
    l.takeSizes(id, 2);
    l.set(F::Hours, 0, false);
    l.set(F::HoursErr, 4, false);
    l.set(F::Heat, 8, true);
    l.set(F::Vol1, 16, true);
    l.set(F::Vol2, 24, true);
    l.set(F::Vol3, 32, true);
    l.set(F::RunMinutes, 40, false);
    // 44..47 padding
    l.set(F::PeriodHeat, 48, true);
    l.set(F::PeriodVol1, 56, true);
    l.set(F::PeriodVol2, 64, true);
    l.set(F::PeriodVol3, 72, true);
    l.set(F::TSupply, 80, true);
    l.set(F::TReturn, 88, true);
    l.set(F::TAdd, 96, true);
    l.set(F::Pressure1, 104, true);
    l.set(F::Pressure2, 112, true);
    l.set(F::ErrMinutes, 120, false);
    l.set(F::ErrTimeB, 124, false);
    l.set(F::ErrTimeA, 128, false);
    l.set(F::ErrTimeC, 132, false);
    l.set(F::EnergyA, 136, true);
    l.set(F::EnergyB, 144, true);
    l.set(F::EnergyC, 152, true);
    l.set(F::SysError, 160, false);
    l.set(F::DevError, 164, false);
    l.set(F::Hour, 168, false);
    l.set(F::Date, 172, false);
    l.wire = {
        {F::Hours, W::U16, 5, Both},
        {F::HoursErr, W::U16, 7, 9},
        {F::Heat, W::F32, 11, 15},
        {F::Vol1, W::F32, 19, 31},
        {F::Vol2, W::F32, 23, 35},
        {F::Vol3, W::F32, 27, 39},
        {F::RunMinutes, W::U16, 43, Both},
        {F::PeriodHeat, W::F32, 45, 49},
        {F::PeriodVol1, W::F32, 53, 65},
        {F::PeriodVol2, W::F32, 57, 69},
        {F::PeriodVol3, W::F32, 61, 73},
        {F::TSupply, W::F32, 77, 85},
        {F::TReturn, W::F32, 81, 89},
        {F::TAdd, W::F32, 93, 97},
        {F::Pressure1, W::F32, 101, 109},
        {F::Pressure2, W::F32, 105, 113},
        {F::ErrMinutes, W::U16, 117, 119},
        {F::ErrTimeB, W::U16, 133, 135},
        {F::ErrTimeA, W::U16, 121, 123},
        {F::ErrTimeC, W::U16, 145, 147},
        {F::EnergyA, W::F32, 125, 129},
        {F::EnergyB, W::F32, 137, 141},
        {F::EnergyC, W::F32, 149, 153},
        {F::SysError, W::U8, 157, 158},
        {F::DevError, W::U8, 159, Both},
        {F::Hour, W::U8, 160, Both},
        {F::Date, W::U16, 161, Both},
    };
    common(l, QStringLiteral("  1-й, бар"), QStringLiteral("   2-й, бар"));
    return l;
}

const ArhLayout &layoutOf(ModuleId id)
{
    static const ArhLayout u28 = layout176(ModuleId::U28);
    static const ArhLayout u29 = layout176(ModuleId::U29);
    static const ArhLayout u34 = layout232(ModuleId::U34);
    static const ArhLayout u38 = layout232(ModuleId::U38);
    switch (id) {
    case ModuleId::U28:
        return u28;
    case ModuleId::U29:
        return u29;
    case ModuleId::U34:
        return u34;
    default:
        return u38;
    }
}

} // namespace

ArhTwoSystem::ArhTwoSystem(ModuleId id) : ArhCodec(layoutOf(id)) {}

QString ArhTwoSystem::checkReply(const Tab &reply, const Identity &id) const
{
    // The archive reply carries no type check.
    return moduleReplyCheck(reply, replyLength(), Q_Arhiv, QStringLiteral("unit Upo:function DecArh: erundec "), id,
                            false);
}

double ArhTwoSystem::totalsTemperature(double weighted, double volume) const
{
    if (volume == 0)
        return 0;
    const double q = weighted / volume;
    return std::isfinite(q) ? q : 0.0;
}

} // namespace pim

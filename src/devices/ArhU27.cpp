#include "devices/ArhU27.h"

#include "devices/ArhLayout.h"

namespace pim {
namespace {

using F = ArhField;
using W = ArhWireKind;
using C = ArhCellKind;

// Tarh227, 80 bytes: offsets of the record, reply offsets of the 41-byte reply.
const ArhLayout &layout227()
{
    static const ArhLayout L = [] {
        ArhLayout l;
        l.takeSizes(ModuleId::U27, 1);
        l.set(F::Hours, 0, false);
        l.set(F::HoursErr, 4, false);
        l.set(F::Heat, 8, true);
        l.set(F::Vol1, 16, true);
        l.set(F::Vol2, 24, true);
        l.set(F::VolHot, 32, true);
        l.set(F::Vol3, 40, true);
        l.set(F::TSupply, 48, false); // hundredths of a degree
        l.set(F::TReturn, 52, false);
        l.set(F::TAdd, 56, false);    // hot water
        l.set(F::SysError, 60, false);
        l.set(F::ErrMinutes, 64, false);
        l.set(F::Hour, 68, false);
        l.set(F::Date, 72, false);
        // 76..79 padding
        l.wire = {
            {F::Hours, W::U16, 5},     {F::HoursErr, W::U16, 7}, {F::Heat, W::F32, 9},
            {F::Vol1, W::F32, 13},     {F::Vol2, W::F32, 17},    {F::VolHot, W::F32, 21},
            {F::Vol3, W::F32, 25},     {F::TSupply, W::U16, 29}, {F::TReturn, W::U16, 31},
            {F::TAdd, W::U16, 33},     {F::SysError, W::U8, 35}, {F::ErrMinutes, W::U8, 36},
            {F::Hour, W::U8, 37},      {F::Date, W::U16, 38},
        };
        l.cells = {
            {F::Date, C::Date},       {F::Hour, C::Int},        {F::Heat, C::Real},
            {F::Vol1, C::Real},       {F::Vol2, C::Real},       {F::VolHot, C::Real},
            {F::Vol3, C::Real},       {F::TSupply, C::Temp100}, {F::TReturn, C::Temp100},
            {F::TAdd, C::Temp100},    {F::Hours, C::Int},       {F::SysError, C::Int},
            {F::HoursErr, C::Int},    {F::ErrMinutes, C::Int},  {F::Date, C::Int},
        };
        l.head1 = {QStringLiteral("ДАТА"),      QStringLiteral("Время"),  QStringLiteral("ТЕПЛО"),
                   QStringLiteral("объем"),     QStringLiteral("объем"),  QStringLiteral("объем"),
                   QStringLiteral("объем"),     QStringLiteral("t°С"),    QStringLiteral("t°С"),
                   QStringLiteral("t°С "),      QStringLiteral("наработка"), QStringLiteral("Ошибка"),
                   QStringLiteral("наработка"), QStringLiteral("Период с ош."), QStringLiteral("день")};
        l.head2 = {QStringLiteral("дд.мм.гггг"), QStringLiteral("час"),   QStringLiteral(" Гкал"),
                   QStringLiteral("1д,м3"),      QStringLiteral("2д,м3"), QStringLiteral("ГВС м3"),
                   QStringLiteral("3д м3"),      QStringLiteral("подача"), QStringLiteral("обратка"),
                   QStringLiteral("ГВС"),        QStringLiteral("час"),   QStringLiteral("код"),
                   QStringLiteral(" с ош. час"), QStringLiteral("мин/час(час/сут)"), QStringLiteral("от 1.1.00")};
        l.dailyMap = {1, -2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
        l.hourlyMap = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
        l.diffFields = {F::Heat, F::Vol1, F::Vol2, F::VolHot, F::Vol3, F::Hours, F::HoursErr};
        l.sumFields = {F::Heat, F::Vol1, F::Vol2, F::VolHot, F::Vol3, F::Hours, F::HoursErr, F::ErrMinutes};
        l.orFields = {F::SysError};
        // The third temperature is the hot water's: it is weighted by the
        // third volume of the record, the hot-water volume.
        l.tempVolumes = {F::Vol1, F::Vol2, F::VolHot};
        return l;
    }();
    return L;
}

} // namespace

ArhU27::ArhU27() : ArhSingleSystem(layout227()) {}

} // namespace pim

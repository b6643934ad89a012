#include "devices/ArhU25.h"

#include "devices/ArhLayout.h"

namespace pim {
namespace {

using F = ArhField;
using W = ArhWireKind;
using C = ArhCellKind;

// Tarh225, 96 bytes: offsets of the record, reply offsets of the 49-byte reply.
const ArhLayout &layout225()
{
    static const ArhLayout L = [] {
        ArhLayout l;
        l.takeSizes(ModuleId::U25, 1);
        l.set(F::Hours, 0, false);
        l.set(F::HoursErr, 4, false);
        l.set(F::Heat, 8, true);
        l.set(F::Vol1, 16, true);
        l.set(F::Vol2, 24, true);
        l.set(F::Vol3, 32, true);
        l.set(F::VolOverT, 40, true);
        l.set(F::Energy1, 48, true);
        l.set(F::Energy2, 56, true);
        l.set(F::TSupply, 64, false); // hundredths of a degree
        l.set(F::TReturn, 68, false);
        l.set(F::TAdd, 72, false);    // hot water
        l.set(F::SysError, 76, false);
        l.set(F::ErrMinutes, 80, false); // minutes per hour / hours per day
        l.set(F::Hour, 84, false);
        l.set(F::Date, 88, false);
        // 92..95 padding
        l.wire = {
            {F::Hours, W::U16, 5},      {F::HoursErr, W::U16, 7},  {F::Heat, W::F32, 9},
            {F::Vol1, W::F32, 13},      {F::Vol2, W::F32, 17},     {F::Vol3, W::F32, 21},
            {F::VolOverT, W::F32, 25},  {F::Energy1, W::F32, 29},  {F::Energy2, W::F32, 33},
            {F::TSupply, W::U16, 37},   {F::TReturn, W::U16, 39},  {F::TAdd, W::U16, 41},
            {F::SysError, W::U8, 43},   {F::ErrMinutes, W::U8, 44}, {F::Hour, W::U8, 45},
            {F::Date, W::U16, 46},
        };
        l.cells = {
            {F::Date, C::Date},      {F::Hour, C::Int},        {F::Heat, C::Real},
            {F::Vol1, C::Real},      {F::Vol2, C::Real},       {F::Vol3, C::Real},
            {F::VolOverT, C::Real},  {F::TSupply, C::Temp100}, {F::TReturn, C::Temp100},
            {F::TAdd, C::Temp100},   {F::Energy1, C::Real},    {F::Energy2, C::Real},
            {F::SysError, C::Int},   {F::Hours, C::Int},       {F::HoursErr, C::Int},
            {F::ErrMinutes, C::Int}, {F::Date, C::Int},
        };
        l.head1 = {QStringLiteral("ДАТА"),       QStringLiteral("Время"),      QStringLiteral("ТЕПЛО"),
                   QStringLiteral("объем"),      QStringLiteral("объем"),      QStringLiteral("объем"),
                   QStringLiteral("объем"),      QStringLiteral("t°С"),        QStringLiteral("t°С"),
                   QStringLiteral("t°С "),       QStringLiteral("Эл.энергия"), QStringLiteral("Эл.энергия"),
                   QStringLiteral("Ошибка"),     QStringLiteral("наработка"),  QStringLiteral("наработка"),
                   QStringLiteral("Период с ош."), QStringLiteral("день")};
        l.head2 = {QStringLiteral("дд.мм.гггг"), QStringLiteral("час"),        QStringLiteral(" Гкал"),
                   QStringLiteral("1-й, м3"),    QStringLiteral("2-й, м3"),    QStringLiteral("3-й м3"),
                   QStringLiteral(">уст t°С"),   QStringLiteral("подача"),     QStringLiteral("обратка"),
                   QStringLiteral("ГВС"),        QStringLiteral("тариф 1"),    QStringLiteral("тариф 2"),
                   QStringLiteral("код"),        QStringLiteral("час"),        QStringLiteral(" с ош. час"),
                   QStringLiteral("мин/час(час/сут)"), QStringLiteral("от 1.1.00")};
        l.dailyMap = {1, -2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, -17};
        l.hourlyMap = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, -17};
        // The volume above the set temperature keeps the newer record's value.
        l.diffFields = {F::Heat, F::Vol1, F::Vol2, F::Vol3, F::Energy1, F::Energy2, F::Hours, F::HoursErr};
        l.sumFields = {F::Heat, F::Vol1, F::Vol2, F::Vol3, F::Energy1, F::Energy2,
                       F::Hours, F::HoursErr, F::ErrMinutes};
        l.orFields = {F::SysError};
        return l;
    }();
    return L;
}

} // namespace

ArhU25::ArhU25() : ArhSingleSystem(layout225()) {}

} // namespace pim

#pragma once
// Archive records made by hand for the report tests: a record per day or
// hour whose counters grow and whose temperatures differ per system, so that
// a value printed from the wrong half or the wrong record shows.

#include "devices/ArhCodec.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"

#include <QList>

namespace reporttest {

using pim::ArhField;

// Tab index of a type's tab of `kind` and `system`.
inline int tabOf(int type, int kind, int system)
{
    const pim::TypeInfo *info = pim::typeInfo(type);
    for (int t = 0; t < info->arhTabs.size(); ++t)
        if (info->arhTabs[t].kind == kind && info->arhTabs[t].system == system)
            return t;
    return -1;
}

// Record i of a series (i = 0 the oldest): day `day0 + i` (daily) or day
// `day0`, hour i (hourly). System 2 has its own values.
inline pim::ArhRec seriesRecord(const pim::ArhCodec &c, int i, int day0, bool hourly)
{
    pim::ArhRec r = c.emptyRecord();
    const bool hundredths = !c.isRealField(ArhField::TSupply);
    for (int sys = 0; sys < c.halves(); ++sys) {
        const double s = sys == 0 ? 1.0 : 3.0;
        c.setValue(r, sys, ArhField::Date, hourly ? day0 : day0 + i);
        c.setValue(r, sys, ArhField::Hour, hourly ? i : 0);
        c.setValue(r, sys, ArhField::Heat, 100.0 * s + 2.5 * i);
        c.setValue(r, sys, ArhField::Vol1, 1000.0 * s + 10.0 * i);
        c.setValue(r, sys, ArhField::Vol2, 900.0 * s + 8.0 * i);
        c.setValue(r, sys, ArhField::Vol3, 50.0 * s + 1.0 * i);
        if (c.hasField(ArhField::VolHot))
            c.setValue(r, sys, ArhField::VolHot, 70.0 + 3.0 * i);
        if (c.hasField(ArhField::VolOverT))
            c.setValue(r, sys, ArhField::VolOverT, 20.0 + 1.0 * i);
        const double ts = (sys == 0 ? 70.0 : 90.0) + 2.0 * i;
        const double tr = (sys == 0 ? 50.0 : 60.0) + 1.0 * i;
        c.setValue(r, sys, ArhField::TSupply, hundredths ? ts * 100 : ts);
        c.setValue(r, sys, ArhField::TReturn, hundredths ? tr * 100 : tr);
        c.setValue(r, sys, ArhField::TAdd, hundredths ? 4000 : 40.0);
        c.setValue(r, sys, ArhField::Pressure1, 6.0 * s);
        c.setValue(r, sys, ArhField::Pressure2, 4.0 * s);
        c.setValue(r, sys, ArhField::ErrMinutes, 90 * i);
        c.setValue(r, sys, ArhField::SysError, i == 2 ? 4 : 0);
        c.setValue(r, sys, ArhField::Hours, 500 + (hourly ? i : 24 * i));
    }
    return r;
}

// `n` records read (newest first, as the readers keep them), shown as
// archive kind `kind`: the codec's displayed archive, with the totals
// record of a differential kind.
inline void showSeries(pim::ArhCodec &c, int kind, int n, int day0 = 9801)
{
    QList<pim::ArhRec> read;
    for (int i = n - 1; i >= 0; --i)
        read << seriesRecord(c, i, day0, !pim::arhKindIsDaily(kind));
    c.BuildArh(read, kind, QDate(), QDate(), true);
}

} // namespace reporttest

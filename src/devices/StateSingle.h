#pragma once
// The table machinery of the single-system modules U25 and U27: one row per
// value in display order with its encoding, offset, record field and view.

#include "devices/StateCodec.h"
#include "devices/ValueFormat.h"

#include "base/Format.h"
#include "base/Rounding.h"
#include "protocol/Fields.h"
#include "protocol/Imitation.h"

#include <cmath>

namespace pim::state {

enum class Enc { F32, U16Centi, U8 };

template <class Rec>
struct SingleField {
    Enc enc;
    int off;
    double Rec::*real;  // F32
    int Rec::*integer;  // U16Centi (hundredths of °C, kept raw), U8
    StateViewItem view;
};

template <class Rec>
QString decodeSingle(const QList<SingleField<Rec>> &fields, const Tab &reply, int length, const Identity &id,
                     Rec &out)
{
    const QString text = TestAnswer(reply, length, Q_State, id);
    if (!text.isEmpty())
        return text;
    Rec r;
    for (const auto &f : fields) {
        switch (f.enc) {
        case Enc::F32: r.*f.real = GetF(reply, f.off); break;
        case Enc::U16Centi: r.*f.integer = GetW(reply, f.off); break;
        case Enc::U8: r.*f.integer = reply.at(f.off); break;
        }
    }
    out = r;
    return text;
}

template <class Rec>
QStringList listSingle(const QList<SingleField<Rec>> &fields, const Rec &r, const ValueFormat &format)
{
    QStringList l;
    for (const auto &f : fields) {
        switch (f.enc) {
        case Enc::F32: l << format.text(r.*f.real); break;
        case Enc::U16Centi: l << format.text(r.*f.integer / 100.0); break;
        case Enc::U8: l << Format(u"%d", {r.*f.integer}); break;
        }
    }
    return l;
}

template <class Rec>
StateView viewOf(const QList<SingleField<Rec>> &fields)
{
    StateView v;
    for (const auto &f : fields) {
        v.columnOrder << int(v.items.size());
        v.items << f.view;
    }
    return v;
}

// The imitated temperatures: hundredths of a degree, kept in a word.
inline int imitTemperature(Imitator &im, double mean)
{
    return qBound(0, int(roundHalfEven(im.NormRand(10, mean) * 100)), 65535);
}

// What the imitated replies of U25 and U27 have in common: `volumes`
// volumes from byte 15 on, the three temperatures at bytes 9, 11 and 13
// and the heat of the first two volumes at byte 5.
inline void imitVolumesAndHeat(Imitator &im, int volumes, Tab &t)
{
    double v[4] = {};
    for (int i = 0; i < volumes && i < 4; ++i) {
        v[i] = im.NormRand(1, 100);
        PutF(t, 15 + 4 * i, v[i]);
    }
    const int t1 = imitTemperature(im, 100);
    const int t2 = imitTemperature(im, 80);
    const int t3 = imitTemperature(im, 100);
    PutW(t1, t, 9);
    PutW(t2, t, 11);
    PutW(t3, t, 13);
    PutF(t, 5, (v[0] * t1 - v[1] * t2) / 100);
}

// The imitated error byte: round(NormRand(255, 0)) when it fits a byte.
inline int imitErrorByte(Imitator &im)
{
    const double e = roundHalfEven(im.NormRand(255, 0));
    return (e >= 0 && e <= 255) ? int(e) : 0;
}

} // namespace pim::state

namespace pim {

template <class Rec>
QString StateCodecSingle<Rec>::decode(const Tab &reply, const Identity &id)
{
    return state::decodeSingle(*m_fields, reply, stateLength(), id, m_rec);
}

template <class Rec>
QStringList StateCodecSingle<Rec>::SLfromState(int) const
{
    return state::listSingle(*m_fields, m_rec, valueFormat());
}

template <class Rec>
const StateView &StateCodecSingle<Rec>::view() const
{
    // One table per module, so one view per record type.
    static const StateView v = state::viewOf(*m_fields);
    return v;
}

} // namespace pim

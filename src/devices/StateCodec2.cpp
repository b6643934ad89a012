// The two-system family (U28, U29, U34, U38): one implementation, the
// modules differ only in their tables below.

#include "devices/StateCodec.h"
#include "devices/Registry.h"
#include "devices/ValueFormat.h"

#include "base/Format.h"
#include "base/Rounding.h"
#include "protocol/Fields.h"
#include "protocol/Imitation.h"

#include <algorithm>
#include <cmath>

namespace pim {
namespace {

using Field = StateCodec2::Field;
using H = StateHalf;

StateViewItem item(const char *row1, const char *row2, const char *label, int left, int top, int tag = 0)
{
    return {QString::fromUtf8(row1), QString::fromUtf8(row2), QString::fromUtf8(label), left, top, tag};
}

Field real(int off1, int off2, double H::*member, StateViewItem view)
{
    return {Field::F32, off1, off2, member, nullptr, std::move(view)};
}

Field byte(int off1, int off2, int H::*member, StateViewItem view)
{
    return {Field::U8, off1, off2, nullptr, member, std::move(view)};
}

// Values 1..9, common to the family but for the pressure unit.
QList<Field> common(bool bar)
{
    return {
        real(5, 9, &H::heat, item("ТЕПЛО", " Гкал", "тепло, Гкал", 90, 10)),
        real(53, 65, &H::volume1, item("объем", "1,м3", "объем 1, м3", 300, 10)),
        real(57, 69, &H::volume2, item("объем", "2,м3", "объем 2, м3", 300, 40)),
        real(61, 73, &H::volume3, item("объем", "3,м3", "объем 3, м3", 300, 70)),
        real(13, 21, &H::tSupply, item("t°C", "подача", "t°C, подача ", 600, 10)),
        real(17, 25, &H::tReturn, item("t°C", "обратка", "t°C, обратка", 600, 40)),
        real(29, 33, &H::tHot, item("t°C", "доп", "t°C, ГВС    ", 600, 70)),
        real(37, 45, &H::pressure1,
             bar ? item("давл-е", "1,бар", "давление 1 датчик, бар", 600, 100)
                 : item("давл-е", "1,МПа", "давление 1 датчик, МПа", 600, 100)),
        real(41, 49, &H::pressure2,
             bar ? item("давл-е", "2,бар", "давление 2 датчик, бар", 600, 130)
                 : item("давл-е", "2,МПа", "давление 2 датчик, МПа", 600, 130)),
    };
}

// Values 10..14 of U29, U34 and U38: three flows and the two error codes.
QList<Field> flowsAndErrors()
{
    return {
        real(80, 92, &H::flow1, item("объем", "мгнов", "1-й мгновенный расход,м3/час", 300, 100)),
        real(84, 96, &H::flow2, item("объем", "мгнов", "2-й мгновенный расход,м3/час", 300, 130)),
        real(88, 100, &H::flow3, item("объем", "мгнов", "3-й мгновенный расход,м3/час", 300, 160)),
        byte(77, 78, &H::systemError, item("код ош", "сист", "код ошибки системы", 300, 190, 2)),
        byte(79, 79, &H::deviceError, item("код ош", "уст-ва", "код ошибки устройства", 300, 220, 1)),
    };
}

QList<Field> masses()
{
    return {
        real(104, 116, &H::mass1, item("масса", "1,т", "Масса 1,Т", 750, 10)),
        real(108, 120, &H::mass2, item("масса", "2,т", "Масса 2,Т", 750, 40)),
        real(112, 124, &H::mass3, item("масса", "3,т", "Масса 3,Т", 750, 70)),
    };
}

StateCodec2::Layout make28()
{
    StateCodec2::Layout l{ModuleId::U28, moduleFacts(ModuleId::U28).stateLength, QStringLiteral("unit Upo:function DecState: erundec "), common(true)};
    l.fields << real(80, 88, &H::flow1, item("объем", "мгнов", "1-й мгновенный объем,м3/час", 300, 100))
             << real(84, 92, &H::flow2, item("объем", "мгнов", "2-й мгновенный объем,м3/час", 300, 130))
             << byte(77, 78, &H::systemError, item("код ош", "сист", "код ошибки системы", 300, 160, 2))
             << byte(79, 79, &H::deviceError, item("код ош", "уст-ва", "код ошибки устройства", 300, 190, 1));
    return l;
}

StateCodec2::Layout make29()
{
    StateCodec2::Layout l{ModuleId::U29, moduleFacts(ModuleId::U29).stateLength, QStringLiteral("unit U29:function DecState: erundec "), common(true)};
    l.fields << flowsAndErrors();
    return l;
}

StateCodec2::Layout make34(ModuleId id)
{
    StateCodec2::Layout l{id, moduleFacts(id).stateLength, QStringLiteral("unit U34:function DecState: erundec "), common(false)};
    l.fields << flowsAndErrors() << masses();
    return l;
}

// An error byte of the imitation: none about every second time, any code
// otherwise (as the older generators draw it).
int imitErrorByte(Imitator &im)
{
    const double e = roundHalfEven(im.NormRand(255, 0));
    return (e >= 0 && e <= 255) ? int(e) : 0;
}

// One system's readings: a heating system in the season, its meters run
// for some months since the counters were last reset.
StateHalf imitHalf(Imitator &im, bool bar)
{
    StateHalf h;
    h.tSupply = im.NormRand(8, 80);
    h.tReturn = h.tSupply - std::fabs(im.NormRand(5, 20));
    h.tHot = im.NormRand(3, 55);
    const double unit = bar ? 1.0 : 0.1; // bar, or MPa
    h.pressure1 = std::fabs(im.NormRand(0.5, 6)) * unit;
    h.pressure2 = std::fabs(im.NormRand(0.5, 4)) * unit;
    h.flow1 = std::fabs(im.NormRand(0.3, 2.5));
    h.flow2 = std::max(0.0, h.flow1 - std::fabs(im.NormRand(0.02, 0.05)));
    h.flow3 = std::fabs(im.NormRand(0.1, 0.4));
    const double hours = 24 * std::max(1.0, roundHalfEven(im.NormRand(60, 180)));
    // The flows of now, kept up on average over the hours of work.
    const double run = hours * std::fabs(im.NormRand(0.05, 1));
    h.volume1 = h.flow1 * run;
    h.volume2 = h.flow2 * run;
    h.volume3 = h.flow3 * run;
    // A cubic metre of water is about a tonne; a tonne cooled by one
    // degree gives a thousandth of a Gcal.
    h.heat = std::max(0.0, h.volume1 * (h.tSupply - h.tReturn) / 1000);
    h.mass1 = h.volume1 * im.NormRand(0.003, 0.98);
    h.mass2 = h.volume2 * im.NormRand(0.003, 0.98);
    h.mass3 = h.volume3 * im.NormRand(0.003, 0.98);
    h.systemError = imitErrorByte(im);
    h.deviceError = imitErrorByte(im);
    return h;
}

} // namespace

const StateCodec2::Layout &StateCodec2::layout(ModuleId id)
{
    static const Layout l28 = make28();
    static const Layout l29 = make29();
    static const Layout l34 = make34(ModuleId::U34);
    // U38 frames carry 32 more bytes after those of U34; they are not decoded.
    static const Layout l38 = make34(ModuleId::U38);
    switch (id) {
    case ModuleId::U28: return l28;
    case ModuleId::U29: return l29;
    case ModuleId::U34: return l34;
    default: return l38;
    }
}

StateCodec2::StateCodec2(ModuleId id) : m_layout(&layout(id))
{
    for (const Field &f : m_layout->fields) {
        m_view.columnOrder << int(m_view.items.size());
        m_view.items << f.view;
    }
}

QString StateCodec2::decode(const Tab &reply, const Identity &id)
{
    const QString text = moduleCheck(reply, m_layout->length, m_layout->erundec, id);
    if (!text.isEmpty())
        return text;
    StateRec2 r;
    for (const Field &f : m_layout->fields) {
        for (int s = 0; s < 2; ++s) {
            const int off = s == 0 ? f.off1 : f.off2;
            if (f.enc == Field::F32)
                r.sys[s].*f.real = GetF(reply, off);
            else
                r.sys[s].*f.integer = reply.at(off);
        }
    }
    m_rec = r;
    return text;
}

QString StateCodec2::ImitState(const Tab &request, Imitator &im, Tab &reply)
{
    if (request.at(4) != Q_State)
        return StateCodec::ImitState(request, im, reply);
    const bool bar = m_layout->module == ModuleId::U28 || m_layout->module == ModuleId::U29;
    std::array<StateHalf, 2> halves{imitHalf(im, bar), imitHalf(im, bar)};
    // The device error is one byte of the device, shown in both systems.
    halves[1].deviceError = halves[0].deviceError;
    Tab t(m_layout->length);
    t.set(0, m_layout->length);
    for (int i = 1; i <= 4; ++i)
        t.set(i, request.at(i));
    for (const Field &f : m_layout->fields) {
        for (int s = 0; s < 2; ++s) {
            const int off = s == 0 ? f.off1 : f.off2;
            if (f.enc == Field::F32)
                PutF(t, off, halves[size_t(s)].*f.real);
            else
                t.set(off, halves[size_t(s)].*f.integer);
        }
    }
    t.set(t.size() - 1, CalcCS(t.mid(0, t.size() - 1)));
    reply = t;
    return QString();
}

QStringList StateCodec2::SLfromState(int system) const
{
    QStringList l;
    if (system < 0 || system > 1)
        return l;
    const StateHalf &h = m_rec.sys[system];
    for (const Field &f : m_layout->fields) {
        if (f.enc == Field::F32)
            l << valueFormat().text(h.*f.real);
        else
            l << Format(u"%d", {h.*f.integer});
    }
    return l;
}

const QStringList &StateCodec2::errorTexts(int tag) const
{
    return tag == StateViewItem::SystemError ? systemErrorTexts2() : deviceErrorTexts2();
}

int StateCodec2::errorCode(int tag, int system) const
{
    if (system < 0 || system > 1)
        return -1;
    const StateHalf &h = m_rec.sys[system];
    return tag == StateViewItem::SystemError ? h.systemError : h.deviceError;
}

void StateCodec2::setErrorCode(int tag, int system, int code)
{
    if (system < 0 || system > 1)
        return;
    StateHalf &h = m_rec.sys[system];
    (tag == StateViewItem::SystemError ? h.systemError : h.deviceError) = code;
}

} // namespace pim

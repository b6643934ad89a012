// The pulse counter (type 128): modification and four channels of pulses,
// weight numbers, weights and totals.

#include "devices/StateCodec.h"
#include "devices/Registry.h"
#include "devices/ValueFormat.h"

#include "base/Format.h"
#include "base/Rounding.h"
#include "protocol/Fields.h"
#include "protocol/Imitation.h"

#include <cmath>

namespace pim {
namespace {

constexpr int kModification = 27;
constexpr int pulsesAt(int c) { return 7 + 4 * c; }   // c = 0..3
constexpr int weightNoAt(int c) { return 23 + c; }

StateRec128::Channel channel(qint32 pulses, int weightNo)
{
    StateRec128::Channel ch;
    ch.pulses = pulses;
    ch.weightNo = weightNo;
    ch.weight = weightOf(weightNo);
    ch.total = double(qint64(pulses) * qint64(ch.weight));
    return ch;
}

QString integer(qint64 v)
{
    return Format(u"%d", {v});
}

} // namespace

QString StateCodec128::decode128(const Tab &reply, const Identity &id, StateRec128 &rec)
{
    const QString text = TestAnswer(reply, moduleFacts(ModuleId::U128).stateLength, Q_State, id);
    if (!text.isEmpty())
        return text;
    StateRec128 r;
    r.modification = reply.at(kModification);
    for (int c = 0; c < 4; ++c)
        r.ch[c] = channel(GetL(reply, pulsesAt(c)), reply.at(weightNoAt(c)));
    rec = r;
    return text;
}

QString StateCodec128::decode(const Tab &reply, const Identity &id)
{
    return decode128(reply, id, m_rec);
}

QStringList StateCodec128::list128(const StateRec128 &rec, const ValueFormat &format)
{
    QStringList l;
    l << integer(rec.modification);
    for (const auto &ch : rec.ch)
        l << integer(ch.pulses);
    for (const auto &ch : rec.ch)
        l << integer(ch.weightNo);
    for (const auto &ch : rec.ch)
        l << integer(ch.weight);
    for (const auto &ch : rec.ch)
        l << format.text(ch.total);
    return l;
}

QStringList StateCodec128::SLfromState(int) const
{
    return list128(m_rec, valueFormat());
}

const StateView &StateCodec128::view() const
{
    static const StateView v = [] {
        StateView v;
        v.errorDecoderOnDoubleClick = false;
        v.items << StateViewItem{QStringLiteral("модиф"), QStringLiteral("КОРБ"),
                                 QStringLiteral("модификация КОРБ (кол-во каналов) "), 300, 10, 0};
        const QString rows[4] = {QStringLiteral("Импульс"), QStringLiteral("№ веса"), QStringLiteral("вес"),
                                 QStringLiteral("итого")};
        const QString labels[4] = {QStringLiteral("Импульсы,"), QStringLiteral("№ веса,"), QStringLiteral("вес,"),
                                   QStringLiteral("итого,")};
        for (int g = 0; g < 4; ++g)
            for (int c = 0; c < 4; ++c) {
                const QString kan = QStringLiteral("%1 кан").arg(c + 1);
                v.items << StateViewItem{rows[g], kan, labels[g] + kan, 300 + 200 * g, 40 + 30 * c, 0};
            }
        for (int i = 0; i < v.items.size(); ++i)
            v.columnOrder << i;
        return v;
    }();
    return v;
}

bool StateCodec128::valueShown(int index) const
{
    // 0: the modification; then four groups of four channels.
    if (index == 0)
        return true;
    if (index < 0 || index > 16)
        return false;
    return (index - 1) % 4 < m_rec.modification;
}

const QStringList &StateCodec128::errorTexts(int tag) const
{
    return StateCodec::errorTexts(tag);
}

QString StateCodec128::ImitState(const Tab &request, Imitator &im, Tab &reply)
{
    const int code = request.at(4);
    if (code != Q_State && code != Q_SetParam128)
        return QStringLiteral("unit U128:function ImitState: CMD erundec");

    StateRec128 r; // modification 4, every channel zero
    if (code == Q_State) {
        r.modification = 1 << qBound(0, int(im.uniform() * 3), 2);
        for (int c = 0; c < r.modification; ++c) {
            const auto pulses = qint32(roundHalfEven(im.uniform() * 100));
            const int weightNo = qBound(0, int(im.uniform() * 4), 3);
            r.ch[c] = channel(pulses, weightNo);
        }
    } else {
        // The write is answered with what it asked for, so the write check
        // (weight numbers and modification read back) sees it accepted.
        const int m = request.at(5);
        r.modification = (m == 1 || m == 2 || m == 4) ? m : 4;
        const int packed = request.at(6);
        for (int c = 0; c < 4; ++c) {
            const auto pulses = c < r.modification ? qint32(roundHalfEven(im.uniform() * 100)) : 0;
            r.ch[c] = channel(pulses, (packed >> (2 * c)) & 3);
        }
    }

    Tab t(stateLength());
    t.set(0, stateLength());
    PutW(GetW(request, 2), t, 5); // the device's own number
    for (int c = 0; c < 4; ++c) {
        PutL(r.ch[c].pulses, t, pulsesAt(c));
        t.set(weightNoAt(c), r.ch[c].weightNo);
    }
    t.set(kModification, r.modification);
    t.set(28, 0);
    t.set(29, 255);
    reply = t;
    return QString();
}

int StateCodec128::stateLength() const
{
    return moduleFacts(ModuleId::U128).stateLength;
}

} // namespace pim

#include "devices/ArhCodec.h"

#include "base/Dates.h"
#include "base/Format.h"
#include "base/Rounding.h"
#include "devices/ArhLayout.h"
#include "devices/ArhTwoSystem.h"
#include "devices/ArhU25.h"
#include "devices/ArhU27.h"
#include "devices/ValueFormat.h"
#include "protocol/Fields.h"

#include <QtEndian>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace pim {

std::unique_ptr<ArhCodec> makeArhCodec(ModuleId id)
{
    switch (id) {
    case ModuleId::U128:
        return nullptr;
    case ModuleId::U25:
        return std::make_unique<ArhU25>();
    case ModuleId::U27:
        return std::make_unique<ArhU27>();
    case ModuleId::U28:
    case ModuleId::U29:
    case ModuleId::U34:
    case ModuleId::U38:
        return std::make_unique<ArhTwoSystem>(id);
    }
    return nullptr;
}

double arhHundredthsTemperature(double weighted, double volume)
{
    if (volume == 0)
        return 0;
    const double q = weighted / volume;
    if (!std::isfinite(q) || std::fabs(q) > 1073741823.0)
        return 0;
    return roundHalfEven(q);
}

// ---------------------------------------------------------------- ArhRec

ArhRec::ArhRec(int halfSize, int halves)
    : m_half(qMax(0, halfSize)), m_b(qsizetype(m_half) * qMax(0, halves), '\0')
{
}

int ArhRec::pos(int sys, int offset, int width) const
{
    if (sys < 0 || offset < 0 || offset + width > m_half)
        return -1;
    const qsizetype p = qsizetype(sys) * m_half + offset;
    return p + width <= m_b.size() ? int(p) : -1;
}

qint32 ArhRec::i32(int sys, int offset) const
{
    const int p = pos(sys, offset, 4);
    return p < 0 ? 0 : qFromLittleEndian<qint32>(m_b.constData() + p);
}

double ArhRec::f64(int sys, int offset) const
{
    const int p = pos(sys, offset, 8);
    if (p < 0)
        return 0;
    const quint64 bits = qFromLittleEndian<quint64>(m_b.constData() + p);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void ArhRec::setI32(int sys, int offset, qint32 v)
{
    const int p = pos(sys, offset, 4);
    if (p >= 0)
        qToLittleEndian<qint32>(v, m_b.data() + p);
}

void ArhRec::setF64(int sys, int offset, double v)
{
    const int p = pos(sys, offset, 8);
    if (p < 0)
        return;
    quint64 bits;
    std::memcpy(&bits, &v, sizeof v);
    qToLittleEndian<quint64>(bits, m_b.data() + p);
}

QByteArray ArhRec::half(int sys) const
{
    const int p = pos(sys, 0, m_half);
    return p < 0 ? QByteArray(m_half, '\0') : m_b.mid(p, m_half);
}

void ArhRec::setHalf(int sys, QByteArrayView image)
{
    const int p = pos(sys, 0, m_half);
    if (p < 0)
        return;
    const qsizetype n = qMin<qsizetype>(image.size(), m_half);
    if (n > 0)
        std::memcpy(m_b.data() + p, image.data(), size_t(n));
    std::memset(m_b.data() + p + n, 0, size_t(m_half - n));
}

void ArhRec::clearHalf(int sys)
{
    setHalf(sys, QByteArrayView());
}

// ---------------------------------------------------------------- ArhCodec

namespace {

// Doubles to the i32 fields of the records: rounded, NaN as 0, saturated.
qint32 toI32(double v)
{
    if (!std::isfinite(v))
        return v > 0 ? INT_MAX : (v < 0 ? INT_MIN : 0);
    const double r = std::round(v);
    if (r >= double(INT_MAX))
        return INT_MAX;
    if (r <= double(INT_MIN))
        return INT_MIN;
    return qint32(r);
}

// 1 January 0001 and 31 December 9999 on the date scale.
constexpr qint64 kFirstScaleDay = -693593;
constexpr qint64 kLastScaleDay = 2958465;

double finiteOr0(double v)
{
    return std::isfinite(v) ? v : 0.0;
}

double wireValue(const Tab &reply, ArhWireKind kind, int offset)
{
    switch (kind) {
    case ArhWireKind::U8:
        return reply.at(offset);
    case ArhWireKind::U16:
        return GetW(reply, offset);
    case ArhWireKind::F32:
        return double(GetF(reply, offset));
    }
    return 0;
}

QString withTabs(const QStringList &cells)
{
    QString s;
    for (const QString &c : cells) {
        s += c;
        s += QLatin1Char('\t');
    }
    return s;
}

} // namespace

ArhCodec::ArhCodec(const ArhLayout &layout) : m_layout(&layout) {}

ArhCodec::~ArhCodec() = default;

ModuleId ArhCodec::module() const { return m_layout->id; }
int ArhCodec::halves() const { return m_layout->halves; }
int ArhCodec::halfSize() const { return m_layout->halfSize; }
int ArhCodec::replyLength() const { return m_layout->replyLength; }
int ArhCodec::columnCount() const { return int(m_layout->cells.size()); }

int ArhCodec::highestNumber(int kind) const
{
    return arhKindIsDaily(kind) ? m_layout->dailyMax : m_layout->hourlyMax;
}

ArhRec ArhCodec::emptyRecord() const
{
    return ArhRec(m_layout->halfSize, m_layout->halves);
}

ArhRec ArhCodec::missingRecord() const
{
    ArhRec r = emptyRecord();
    for (int s = 0; s < halves(); ++s)
        setValue(r, s, ArhField::Date, kArhNoDay);
    return r;
}

bool ArhCodec::unwritten(const ArhRec &r) const
{
    // The date is one 16-bit word on the wire for every module.
    const int d = day(r, 0);
    return d == 0 || d == 0xFFFF;
}

bool ArhCodec::hasField(ArhField f) const
{
    return fieldOffset(f) >= 0;
}

bool ArhCodec::isRealField(ArhField f) const
{
    return hasField(f) && m_layout->fieldSlots[size_t(f)].real;
}

int ArhCodec::fieldOffset(ArhField f) const
{
    const int i = int(f);
    return i >= 0 && i < kArhFieldCount ? m_layout->fieldSlots[size_t(i)].offset : -1;
}

double ArhCodec::value(const ArhRec &r, int sys, ArhField f) const
{
    const int off = fieldOffset(f);
    if (off < 0)
        return 0;
    return m_layout->fieldSlots[size_t(f)].real ? r.f64(sys, off) : double(r.i32(sys, off));
}

void ArhCodec::setValue(ArhRec &r, int sys, ArhField f, double v) const
{
    const int off = fieldOffset(f);
    if (off < 0)
        return;
    if (m_layout->fieldSlots[size_t(f)].real)
        r.setF64(sys, off, v);
    else
        r.setI32(sys, off, toI32(v));
}

bool ArhCodec::realHalf(const ArhRec &r, int s, bool totalsToo) const
{
    const ArhLayout &L = *m_layout;
    if (r.size() != recordSize() || s < 0 || s >= L.halves)
        return false;
    const double d = value(r, s, ArhField::Date);
    const bool totals = totalsToo && d == kArhNoDay;
    if (!totals && !(d >= kFirstDeviceDay && d <= kLastDeviceDay))
        return false;
    // A totals record keeps its count where the hour is.
    if (!totals && hasField(ArhField::Hour)) {
        const double h = value(r, s, ArhField::Hour);
        if (!(h >= 0 && h <= 23))
            return false;
    }
    // No quantity of a calculator reaches ten digits before the point; noise
    // read as singles almost always does somewhere in a record.
    for (const ArhSlot &slot : L.fieldSlots)
        if (slot.offset >= 0 && slot.real && !(std::fabs(r.f64(s, slot.offset)) < kLargestValue))
            return false;
    return true;
}

bool ArhCodec::realRecord(const ArhRec &r) const
{
    for (int s = 0; s < m_layout->halves; ++s)
        if (!realHalf(r, s))
            return false;
    return true;
}

int ArhCodec::dropUnreal(QList<ArhRec> &records) const
{
    const qsizetype before = records.size();
    records.removeIf([this](const ArhRec &r) { return !realRecord(r); });
    return int(before - records.size());
}

// ---- request plan

int ArhCodec::PlanArh(int kind, int current, const QDateTime &now)
{
    const bool daily = arhKindIsDaily(kind);
    const int top = highestNumber(kind);
    // A slot the ring cannot hold counts as no newest record: the plan then
    // starts at the top of the ring.
    const int c = (current < -1 || current > top) ? -1 : current;
    const int today = dateToDayNumber(now.date());
    const qint64 startHour = qint64(today) * 24 + now.time().hour();

    m_plan.clear();
    m_plan.reserve(top + 1);
    for (int i = 0; i <= top; ++i) {
        const int number = c - i >= 0 ? c - i : top + 1 + c - i;
        ArhPlanEntry e;
        e.lo = quint8(number & 0xFF);
        e.hi = quint8(((number >> 8) & 0x7F) + (daily ? 128 : 0));
        if (daily) {
            e.day = today - i;
            e.hour = 0;
        } else {
            const qint64 t = startHour - i;
            qint64 d = t / 24;
            qint64 h = t % 24;
            if (h < 0) {
                h += 24;
                --d;
            }
            e.day = qint32(d);
            e.hour = qint32(h);
        }
        m_plan.append(e);
    }
    return int(m_plan.size());
}

// ---- decoding

QString ArhCodec::DecArh(const Tab &reply, ArhRec &rec, const Identity &id) const
{
    const QString err = checkReply(reply, id);
    if (!err.isEmpty())
        return err;
    // The check has fixed the length, so every wire offset lies inside.
    ArhRec r = emptyRecord();
    for (const ArhWire &w : m_layout->wire) {
        setValue(r, 0, w.field, wireValue(reply, w.kind, w.sys1));
        if (m_layout->halves < 2 || w.sys2 == kArhWireNone)
            continue;
        const int off2 = w.sys2 == kArhWireShared ? w.sys1 : w.sys2;
        setValue(r, 1, w.field, wireValue(reply, w.kind, off2));
    }
    rec = r;
    return QString();
}

// ---- ordering

int ArhCodec::SortArh(QList<ArhRec> &records) const
{
    // The classic sort exchanges neighbours whose predecessor has the smaller
    // day until a pass exchanges nothing: it makes exactly one exchange per
    // pair (i < j) with day[i] < day[j]. Count those pairs with a merge sort
    // and move each record once.
    const qsizetype n = records.size();
    std::vector<std::pair<int, int>> a(static_cast<size_t>(n)); // (day, original index)
    for (qsizetype i = 0; i < n; ++i)
        a[size_t(i)] = {day(records[i], 0), int(i)};
    std::vector<std::pair<int, int>> tmp(a.size());
    qint64 exchanges = 0;
    for (size_t width = 1; width < a.size(); width *= 2) {
        for (size_t lo = 0; lo < a.size(); lo += 2 * width) {
            const size_t mid = std::min(lo + width, a.size());
            const size_t hi = std::min(lo + 2 * width, a.size());
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) {
                if (a[i].first >= a[j].first) {
                    tmp[k++] = a[i++]; // equal days keep their order
                } else {
                    exchanges += qint64(mid - i);
                    tmp[k++] = a[j++];
                }
            }
            while (i < mid)
                tmp[k++] = a[i++];
            while (j < hi)
                tmp[k++] = a[j++];
        }
        a.swap(tmp);
    }
    if (exchanges > 0) {
        QList<ArhRec> sorted;
        sorted.reserve(n);
        for (const auto &p : a)
            sorted.append(std::move(records[p.second]));
        records = std::move(sorted);
    }
    return int(std::min<qint64>(exchanges, INT_MAX));
}

// ---- displayed archive

void ArhCodec::BuildArh(const QList<ArhRec> &read, int kind, QDate begin, QDate end, bool allRecords)
{
    const ArhLayout &L = *m_layout;
    m_displayed.clear();
    m_gaps.clear();
    const bool diff = arhKindIsDiff(kind);
    const bool daily = arhKindIsDaily(kind);
    auto periods = [&](const ArhRec &newer, const ArhRec &older) {
        const qint64 a = qint64(day(newer)) * (daily ? 1 : 24) + (daily ? 0 : hour(newer));
        const qint64 b = qint64(day(older)) * (daily ? 1 : 24) + (daily ? 0 : hour(older));
        return a - b;
    };
    // The averages are those of the last differential build: printing a
    // cumulative tab after a differential one still finds them.
    if (diff)
        m_avg = {};
    const int first = begin.isValid() ? dateToScale(begin) : INT_MIN;
    const int last = end.isValid() ? dateToScale(end) : INT_MAX;

    for (qsizetype i = 0; i < read.size(); ++i) {
        const ArhRec &r = read[i];
        const qint64 scale = qint64(day(r, 0)) + kDayNumberOffset;
        if (!allRecords && (scale > last || scale < first))
            continue;
        if (!diff) {
            m_displayed.append(r);
            m_gaps.append(false);
            continue;
        }
        if (i + 1 >= read.size()) {
            // No older record to subtract: this place becomes the totals.
            m_displayed.append(emptyRecord());
            m_gaps.append(false);
            continue;
        }
        const ArhRec &older = read[i + 1];
        m_displayed.append(difference(r, older));
        m_gaps.append(periods(r, older) != 1);
    }

    // Over a range without a record there is nothing to total.
    if (diff && !m_displayed.isEmpty()) {
        for (int s = 0; s < L.halves; ++s)
            finishTotals(s);
        m_gaps.last() = false;
    }
}

ArhRec ArhCodec::difference(const ArhRec &newer, const ArhRec &older) const
{
    ArhRec d = emptyRecord();
    for (int s = 0; s < m_layout->halves; ++s) {
        d.setHalf(s, newer.half(s));
        for (ArhField f : m_layout->diffFields)
            setValue(d, s, f, value(newer, s, f) - value(older, s, f));
    }
    return d;
}

void ArhCodec::finishTotals(int s)
{
    const ArhLayout &L = *m_layout;
    const qsizetype count = m_displayed.size() - 1;
    auto inRange = [](double t) { return t > 0 && t < 150; };

    if (L.averages && s < 2) {
        for (int k = 0; k < 3; ++k) {
            double sum = 0;
            int n = 0;
            for (qsizetype i = 0; i < count; ++i) {
                const double t = value(m_displayed[i], s, L.temps[size_t(k)]);
                if (inRange(t)) {
                    sum += t;
                    ++n;
                }
            }
            m_avg[size_t(s)][size_t(k)] = n > 0 ? finiteOr0(sum / n) : 0.0;
        }
    }

    std::vector<double> sums(L.sumFields.size(), 0.0);
    std::vector<qint64> ors(L.orFields.size(), 0);
    std::vector<double> means(L.meanFields.size(), 0.0);
    std::array<double, 3> weighted{};
    std::array<double, 3> volume{};
    for (qsizetype i = 0; i < count; ++i) {
        const ArhRec &r = m_displayed[i];
        for (size_t f = 0; f < L.sumFields.size(); ++f)
            sums[f] += value(r, s, L.sumFields[f]);
        for (size_t f = 0; f < L.orFields.size(); ++f)
            ors[f] |= qint64(toI32(value(r, s, L.orFields[f])));
        for (size_t f = 0; f < L.meanFields.size(); ++f)
            means[f] += value(r, s, L.meanFields[f]);
        for (size_t k = 0; k < 3; ++k) {
            const double t = value(r, s, L.temps[k]);
            if (L.tempsFiltered && !inRange(t))
                continue;
            const double v = value(r, s, L.tempVolumes[k]);
            weighted[k] += v * t;
            volume[k] += v;
        }
    }

    ArhRec &tot = m_displayed.last();
    tot.clearHalf(s);
    for (size_t f = 0; f < L.sumFields.size(); ++f)
        setValue(tot, s, L.sumFields[f], sums[f]);
    for (size_t f = 0; f < L.orFields.size(); ++f)
        setValue(tot, s, L.orFields[f], double(qint32(ors[f])));
    for (size_t f = 0; f < L.meanFields.size(); ++f)
        setValue(tot, s, L.meanFields[f], count > 0 ? finiteOr0(means[f] / double(count)) : 0.0);
    for (size_t k = 0; k < 3; ++k)
        setValue(tot, s, L.temps[k], totalsTemperature(weighted[k], volume[k]));
    setValue(tot, s, ArhField::Date, kArhNoDay);
    setValue(tot, s, ArhField::Hour, double(count));
}

double ArhCodec::averageTemperature(int sys, int k) const
{
    if (sys < 0 || sys > 1 || k < 0 || k > 2)
        return 0;
    return m_avg[size_t(sys)][size_t(k)];
}

// ---- grid

QStringList ArhCodec::headerRow(int row) const
{
    return row == 1 ? m_layout->head1 : row == 2 ? m_layout->head2 : QStringList();
}

QList<int> ArhCodec::columnMap(int kind) const
{
    return arhKindIsDaily(kind) ? m_layout->dailyMap : m_layout->hourlyMap;
}

QList<int> ArhCodec::compactColumns(int kind) const
{
    QList<int> out;
    for (int k : columnMap(kind)) {
        if (k > 0)
            out.append(k);
    }
    return out;
}

void ArhCodec::appendCellText(QString &out, const ArhRec &r, int sys, int cell, bool totals, DateCache *dates) const
{
    const ArhCell &c = m_layout->cells[size_t(cell)];
    const double v = value(r, sys, c.field);
    switch (c.kind) {
    case ArhCellKind::Date: {
        // A day outside the years 1..9999 (only a foreign or damaged file
        // holds one) has no calendar date: its cell stays empty.
        const qint64 scale = qint64(toI32(v)) + kDayNumberOffset;
        if (scale < kFirstScaleDay || scale > kLastScaleDay)
            return;
        if (!dates) {
            out += formatDateTime(u"dd mmmm yyyyг.", double(scale));
        } else {
            if (dates->scale != scale) {
                dates->scale = scale;
                dates->text = formatDateTime(u"dd mmmm yyyyг.", double(scale));
            }
            out += dates->text;
        }
        return;
    }
    case ArhCellKind::Int: {
        char buf[16];
        const auto end = std::to_chars(buf, buf + sizeof buf, toI32(v)).ptr;
        out += QLatin1StringView(buf, end - buf);
        return;
    }
    case ArhCellKind::Real:
        valueFormat().append(out, v);
        return;
    case ArhCellKind::Temp100:
        valueFormat().append(out, v / 100.0);
        return;
    case ArhCellKind::HhMm: {
        const qint64 m = toI32(v);
        if (totals) {
            out += Format(u"%dдн%.2d:%.2d", {m / 1440, (m % 1440) / 60, m % 60});
        } else if (m >= 0 && m < 6000) {
            // "%.2d:%.2d" of a period's minutes, without the general Format.
            const int h = int(m / 60), mm = int(m % 60);
            const char text[5] = {char('0' + h / 10), char('0' + h % 10), ':', char('0' + mm / 10), char('0' + mm % 10)};
            out += QLatin1StringView(text, 5);
        } else {
            out += Format(u"%.2d:%.2d", {m / 60, m % 60});
        }
        return;
    }
    }
}

QString ArhCodec::cellText(const ArhRec &r, int sys, int cell, bool totals) const
{
    QString out;
    appendCellText(out, r, sys, cell, totals);
    return out;
}

QStringList ArhCodec::ArhDateCell(const ArhRec &r, int sys) const
{
    QStringList cells;
    const int n = columnCount();
    cells.reserve(n);
    for (int i = 0; i < n; ++i)
        cells.append(cellText(r, sys, i, false));
    return cells;
}

QStringList ArhCodec::ArhRows(const QList<ArhRec> &records, int sys) const
{
    const int s = qBound(0, sys, halves() - 1);
    QStringList rows;
    rows.reserve(records.size() + 3);
    rows.append(withTabs(m_layout->head1));
    rows.append(withTabs(m_layout->head2));
    // Each row is written straight into one text: an archive has thousands.
    const int n = columnCount();
    qsizetype width = 64;
    DateCache dates;
    for (const ArhRec &r : records) {
        QString row;
        row.reserve(width);
        for (int i = 0; i < n; ++i) {
            appendCellText(row, r, s, i, false, &dates);
            row += QLatin1Char('\t');
        }
        width = qMax(width, row.size());
        rows.append(std::move(row));
    }
    if (rows.size() == 2) {
        QStringList none;
        for (int i = 0; i < columnCount(); ++i)
            none.append(QStringLiteral("нет данных"));
        rows.append(withTabs(none));
    }
    return rows;
}

QString ArhCodec::ArhTotals(const ArhRec &r, int sys) const
{
    const int s = qBound(0, sys, halves() - 1);
    const int n = hour(r, s);
    QString row = Format(u"ИТОГО(%d):\t%d\t", {n, n});
    // Cells 1 and 2 (date and hour) are the count; the rest as in a record row.
    for (int i = 2; i < columnCount(); ++i) {
        appendCellText(row, r, s, i, true);
        row += QLatin1Char('\t');
    }
    return row;
}

QStringList ArhCodec::viewRows(int kind, int sys) const
{
    QStringList rows = ArhRows(m_displayed, sys);
    if (arhKindIsDiff(kind) && !m_displayed.isEmpty())
        rows.last() = ArhTotals(m_displayed.last(), sys);
    return rows;
}

// ---- archive files

QByteArray ArhCodec::ArhToFile(int sys) const
{
    const int s = qBound(0, sys, halves() - 1);
    QByteArray out;
    out.reserve(m_displayed.size() * halfSize());
    for (const ArhRec &r : m_displayed) {
        QByteArray h = r.half(s);
        h.resize(halfSize(), '\0');
        out += h;
    }
    return out;
}

ArhFileView ArhCodec::ArhFromFile(QByteArrayView image)
{
    const int hs = halfSize();
    const qsizetype n = hs > 0 ? image.size() / hs : 0;
    m_displayed.clear();
    m_gaps.clear();
    m_displayed.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        ArhRec r = emptyRecord();
        r.setHalf(0, image.sliced(i * hs, hs));
        m_displayed.append(r);
    }
    ArhFileView v;
    v.records = int(n);
    v.rows = ArhRows(m_displayed, 0);
    if (!m_displayed.isEmpty() && day(m_displayed.last(), 0) < 0)
        v.rows.last() = ArhTotals(m_displayed.last(), 0);
    v.columns = columnMap(ArhHourly);
    return v;
}

} // namespace pim

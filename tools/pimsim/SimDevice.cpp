#include "SimDevice.h"

#include "base/Dates.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace pimsim {

namespace {

enum Counter { kHeat, kV1, kV2, kV3, kV4, kVRed, kEl1, kEl2, kQ4, kQ5, kQ6, kCounters };

// Mean hourly increments of system 1; system 2 runs at 60 %.
constexpr double kRates[kCounters] = {0.062, 2.4, 2.3, 0.35, 0.3, 0.05, 3.1, 1.2, 2.33, 2.23, 0.34};
constexpr double kPulseRates[4] = {120, 75, 40, 12}; // type 128, pulses per hour

constexpr int kChangeBlocks = 3;
constexpr int kChangeRecords = 11;
constexpr int kChangeData = 40; // day, minutes, 36 configuration bytes

quint64 splitmix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

int fieldIndex(Field f)
{
    return int(f);
}

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

int floorMod(qint64 a, qint64 b)
{
    return int(a - floorDiv(a, b) * b);
}

// One change-log record: day number, minutes after midnight, then the
// first 36 bytes of the configuration.
QByteArray changeRecord(int day, int minutes, const QByteArray &config)
{
    QByteArray rec(kChangeData, '\0');
    putU16(rec, 0, day);
    putU16(rec, 2, minutes);
    rec.replace(4, 36, config.left(36));
    return rec;
}

// A whole number of a state file within [-limit, limit]; a missing one (or
// one that is not a number) is 0. A damaged or hand-edited file can hold any
// real, and one outside the range of the counter it goes into must be
// refused, not converted.
bool stateInteger(const QJsonValue &v, double limit, qint64 &out)
{
    const double d = v.toDouble();
    if (!std::isfinite(d) || std::fabs(d) > limit)
        return false;
    out = qint64(d);
    return true;
}

} // namespace

SimDevice::SimDevice(const DeviceOptions &options, std::function<QDateTime()> systemNow)
    : m_opt(options), m_rng(options.seed), m_systemNow(std::move(systemNow))
{
    typeInfo(options.type, m_info);
    m_number = options.number;
    m_clockOffset = options.clockOffsetSecs;
    if (!m_systemNow)
        m_systemNow = [] { return QDateTime::currentDateTime(); };
    m_config = defaultConfig(m_info.family);

    const QDate today = deviceNow().date();
    if (options.archiveStart.isValid()) {
        m_archiveStart = options.archiveStart;
    } else {
        const int days = options.archiveDays >= 0 ? options.archiveDays
                                                  : qMax(m_info.dailyDepth, 1) + 10;
        m_archiveStart = today.addDays(-qMax(days, 1) + 1);
    }
    // Day numbers count from 1 January 2000 and travel as 16 bits.
    if (m_archiveStart < QDate(2000, 1, 2))
        m_archiveStart = QDate(2000, 1, 2);
    m_commission = m_archiveStart.addDays(-30);

    // A new device's change log is erased memory: every slot reads 0xFF
    // until a configuration write fills it, the oldest slot first.
    if (m_info.hasChangeLog)
        for (int idx = 0; idx < kChangeBlocks * kChangeRecords; ++idx)
            m_changeLog.append(QByteArray(kChangeData, '\xFF'));
}

QDateTime SimDevice::deviceNow() const
{
    return m_systemNow().addSecs(m_clockOffset);
}

void SimDevice::changed()
{
    if (m_onChanged)
        m_onChanged();
}

// ---------------------------------------------------------------- frames

bool SimDevice::addressedToMe(const QByteArray &f) const
{
    if (f.size() == 6 && getU8(f, 1) == 0 && getU16(f, 2) == 0 && getU8(f, 4) == 0)
        return true; // the identity template asks whoever is on the line
    return getU8(f, 1) == m_info.type && getU16(f, 2) == m_number;
}

QByteArray SimDevice::header(int length, int code) const
{
    QByteArray f(length, '\0');
    putU8(f, 0, length);
    putU8(f, 1, m_info.type);
    putU16(f, 2, m_number);
    putU8(f, 4, code);
    return f;
}

QByteArray SimDevice::bareReply(int code) const
{
    QByteArray f = header(6, code);
    seal(f);
    return f;
}

QByteArray SimDevice::statusReply(int code, int status) const
{
    if (!m_info.hasStatusByte) {
        // Type 225 has no status byte: it answers what it did and keeps
        // silent about what it refused.
        return status == 0 ? bareReply(code) : QByteArray();
    }
    QByteArray f = header(7, code);
    putU8(f, 5, status);
    seal(f);
    return f;
}

int SimDevice::writeStatus() const
{
    if (!m_opt.jumperClosed)
        return 1;
    if (m_opt.passwordMismatch)
        return 2;
    return 0;
}

QByteArray SimDevice::handle(const QByteArray &frame)
{
    const int len = int(frame.size());
    if (len < 6 || getU8(frame, 0) != len || !checksumOk(frame) || !addressedToMe(frame))
        return QByteArray();
    const int code = getU8(frame, 4);

    if (m_info.family == Family::T128) {
        switch (code) {
        case 0: return len == 6 ? identityReply() : QByteArray();
        case 1: return len == 6 ? state128(1) : QByteArray();
        case 2: return len == 8 ? setNumber128(frame) : QByteArray();
        case 255: return len == 8 ? setParam128(frame) : QByteArray();
        default: return QByteArray();
        }
    }

    switch (code) {
    case 0: return len == 6 ? identityReply() : QByteArray();
    case 1: return len == 6 ? stateReply(1) : QByteArray();
    case 2: return clearArchives(frame);
    case 3: return len == 8 ? archiveReply(frame) : QByteArray();
    case 4: return setParam(frame);
    case 5: return len == 6 ? paramReply() : QByteArray();
    case 6:
    case 9: {
        if (len != 6)
            return QByteArray();
        const int st = writeStatus();
        if (st == 0) {
            const double x = modelHours(deviceNow());
            (code == 6 ? m_opResets : m_counterResets).append(x);
            changed();
        }
        return statusReply(code, st);
    }
    case 11: return len == 11 ? setTime(frame) : QByteArray();
    case 12: return len == 8 && m_info.hasChangeLog ? changeLogReply(frame) : QByteArray();
    case 13: return calibrationReply(frame);
    case 20:
    case 254: return len == 6 && m_info.hasArhBeginEnd ? bareReply(code) : QByteArray();
    case 21: return len == 6 ? arhNoReply() : QByteArray();
    case 240: return len == 10 ? setNumber(frame) : QByteArray();
    default: return QByteArray();
    }
}

QByteArray SimDevice::identityReply() const
{
    return bareReply(0);
}

// ---------------------------------------------------------------- model

double SimDevice::modelHours(const QDateTime &t) const
{
    return double(m_commission.daysTo(t.date())) * 24.0 + t.time().msecsSinceStartOfDay() / 3600000.0;
}

double SimDevice::unit(int sys, int k, qint64 h) const
{
    quint64 x = splitmix(m_opt.seed ^ (quint64(sys) << 56) ^ (quint64(k) << 48));
    x = splitmix(x ^ quint64(h));
    return double(x >> 11) / double(1ull << 53);
}

// Cumulative counters grow by a mean rate with a bounded wiggle, so every
// hour adds between 60 % and 140 % of the mean and never less than nothing.
double SimDevice::rawCounter(int sys, int k, double x) const
{
    const double r = kRates[k] * (sys == 0 ? 1.0 : 0.6);
    const double hf = std::floor(x);
    const qint64 h = qint64(hf);
    const double f = x - hf;
    return r * x + 0.4 * r * (unit(sys, k, h) * (1 - f) + unit(sys, k, h + 1) * f);
}

double SimDevice::lastReset(const QList<double> &resets, double x) const
{
    double last = 0;
    for (double r : resets)
        if (r <= x && r > last)
            last = r;
    return last;
}

double SimDevice::counter(int sys, int k, double x) const
{
    const double from = lastReset(m_counterResets, x);
    if (x <= from)
        return 0;
    return std::max(0.0, rawCounter(sys, k, x) - rawCounter(sys, k, from));
}

double SimDevice::gauss(double sigma)
{
    const double u1 = std::max(m_rng.generateDouble(), 1e-12);
    const double u2 = m_rng.generateDouble();
    return sigma * std::sqrt(-2 * std::log(u1)) * std::cos(2 * M_PI * u2);
}

void SimDevice::fillValues(Values &v, double xEnd, double xStart, qint64 hourKey, bool live)
{
    for (auto &row : v)
        row = {0, 0};
    const int systems = m_info.twoSystems ? 2 : 1;
    const double pScale = m_info.pressureMPa ? 0.1 : 1.0;
    auto set = [&](Field f, int s, double value) { v[fieldIndex(f)][s] = value; };
    auto jitter = [&](double sigma) { return live ? gauss(sigma) : 0.0; };

    for (int s = 0; s < systems; ++s) {
        const Field counters[kCounters] = {Field::Heat, Field::V1, Field::V2, Field::V3,
                                           Field::V4, Field::VRed, Field::El1, Field::El2,
                                           Field::Q4, Field::Q5, Field::Q6};
        for (int k = 0; k < kCounters; ++k)
            set(counters[k], s, counter(s, k, xEnd));
        set(Field::Mass1, s, counter(s, kQ4, xEnd));
        set(Field::Mass2, s, counter(s, kQ5, xEnd));
        set(Field::Mass3, s, counter(s, kQ6, xEnd));

        const std::pair<Field, int> period[] = {{Field::PHeat, kHeat}, {Field::PV1, kV1},
                                                {Field::PV2, kV2},     {Field::PV3, kV3},
                                                {Field::PQ4, kQ4},     {Field::PQ5, kQ5},
                                                {Field::PQ6, kQ6}};
        for (const auto &[f, k] : period)
            set(f, s, std::max(0.0, counter(s, k, xEnd) - counter(s, k, xStart)));

        set(Field::TSup, s, 72 + 8 * (unit(s, 20, hourKey) - 0.5) + jitter(0.15));
        set(Field::TRet, s, 47 + 6 * (unit(s, 21, hourKey) - 0.5) + jitter(0.15));
        set(Field::TAdd, s, 55 + 4 * (unit(s, 22, hourKey) - 0.5) + jitter(0.15));
        set(Field::P1, s, (6.0 + 0.4 * (unit(s, 23, hourKey) - 0.5) + jitter(0.02)) * pScale);
        set(Field::P2, s, (4.2 + 0.4 * (unit(s, 24, hourKey) - 0.5) + jitter(0.02)) * pScale);
        const double sysRate = s == 0 ? 1.0 : 0.6;
        set(Field::Flow1, s, kRates[kV1] * sysRate * (1 + 0.1 * (unit(s, 25, hourKey) - 0.5) + jitter(0.01)));
        set(Field::Flow2, s, kRates[kV2] * sysRate * (1 + 0.1 * (unit(s, 26, hourKey) - 0.5) + jitter(0.01)));
        set(Field::Flow3, s, kRates[kV3] * sysRate * (1 + 0.1 * (unit(s, 27, hourKey) - 0.5) + jitter(0.01)));
        set(Field::SysErr, s, m_opt.systemError);
        set(Field::DevErr, s, m_opt.deviceError);
        // Operating hours live in a 16-bit register that rolls over after
        // seven and a half years rather than sticking at its top.
        const double opHours = std::max(0.0, xEnd - lastReset(m_opResets, xEnd));
        set(Field::OpHours, s, std::fmod(std::floor(opHours), 65536.0));
        const double minutes = std::max(0.0, xEnd - xStart) * 60;
        set(Field::UnitMinutes, s, std::round(minutes));
        // Types 225 and 227 know one error code only.
        const bool singleFamily = m_info.family == Family::T225 || m_info.family == Family::T227;
        if (m_opt.systemError != 0 || (singleFamily && m_opt.deviceError != 0)) {
            // A standing system error: part of every period runs with it,
            // split between the three error conditions, and the heat of
            // those minutes is counted apart. System 2 suffers half as much.
            const double share = s == 0 ? 0.3 : 0.15;
            const double heat = v[fieldIndex(Field::PHeat)][s];
            set(Field::ErrHours, s, std::fmod(std::floor(opHours * share), 65536.0));
            set(Field::ErrMinutes, s, std::round(minutes * share));
            set(Field::ErrA, s, std::round(minutes * share * 0.5));
            set(Field::ErrB, s, std::round(minutes * share * 0.3));
            set(Field::ErrC, s, std::round(minutes * share * 0.2));
            set(Field::EnA, s, heat * share * 0.5);
            set(Field::EnB, s, heat * share * 0.3);
            set(Field::EnC, s, heat * share * 0.2);
        }
    }
}

void SimDevice::writeLayout(QByteArray &frame, const Layout &layout, const Values &v) const
{
    for (const Slot &slot : layout) {
        const double value = v[fieldIndex(slot.field)][slot.sys];
        switch (slot.enc) {
        case Enc::U8:
            putU8(frame, slot.offset, int(std::clamp(std::round(value), 0.0, 255.0)));
            break;
        case Enc::U16:
            putU16(frame, slot.offset, int(std::clamp(std::round(value), 0.0, 65535.0)));
            break;
        case Enc::T100:
            putU16(frame, slot.offset, int(std::clamp(std::round(value * 100), 0.0, 65535.0)));
            break;
        case Enc::F32:
            putF32(frame, slot.offset, value);
            break;
        }
    }
}

// ---------------------------------------------------------------- state

QByteArray SimDevice::stateReply(int code)
{
    QByteArray f = header(m_info.stateLength, code);
    Values v;
    const double x = modelHours(deviceNow());
    fillValues(v, x, x, qint64(std::floor(x)), true);
    writeLayout(f, stateLayout(m_info.family), v);
    m_lastState = v;
    seal(f);
    return f;
}

QByteArray SimDevice::state128(int code)
{
    QByteArray f = header(31, code);
    putU16(f, 5, m_number);
    const double x = std::max(0.0, modelHours(deviceNow()));
    for (int c = 0; c < 4; ++c) {
        const qint64 pulses = c < m_mod128 ? qint64(kPulseRates[c] * x) : 0;
        m_lastPulses128[c] = qint32(pulses & 0x7FFFFFFF);
        putI32(f, 7 + 4 * c, m_lastPulses128[c]);
        putU8(f, 23 + c, m_weights128[c]);
    }
    putU8(f, 27, m_mod128);
    putU8(f, 28, 0);
    putU8(f, 29, 255);
    seal(f);
    return f;
}

QByteArray SimDevice::setParam128(const QByteArray &req)
{
    const int mod = getU8(req, 5);
    const int packed = getU8(req, 6);
    // A refused write is answered with the unchanged state, which the
    // program recognises by comparing the values it wrote.
    if (writeStatus() == 0 && (mod == 1 || mod == 2 || mod == 4)) {
        m_mod128 = mod;
        for (int c = 0; c < 4; ++c)
            m_weights128[c] = (packed >> (2 * c)) & 3;
        changed();
    }
    return state128(255);
}

QByteArray SimDevice::setNumber128(const QByteArray &req)
{
    const int n = getU16(req, 5);
    if (writeStatus() == 0 && n >= 1) {
        m_number = n;
        changed();
    }
    return bareReply(2); // the header carries the number it now has
}

// ---------------------------------------------------------------- configuration

QByteArray SimDevice::paramReply() const
{
    if (m_info.paramLength <= 0)
        return QByteArray();
    QByteArray f = header(m_info.paramLength, 5);
    f.replace(5, m_config.size(), m_config);
    seal(f);
    return f;
}

QByteArray SimDevice::setParam(const QByteArray &req)
{
    // The write carries exactly the data bytes of the read reply.
    if (m_info.paramLength <= 0 || req.size() != m_info.paramLength)
        return QByteArray();
    const int st = writeStatus();
    if (st == 0) {
        m_config = req.mid(5, req.size() - 6);
        appendChangeLog();
        changed();
    }
    return statusReply(4, st);
}

void SimDevice::appendChangeLog()
{
    if (!m_info.hasChangeLog || m_changeLog.isEmpty())
        return;
    const QDateTime now = deviceNow();
    m_changeLog[m_changeNext] = changeRecord(qBound(0, pim::dateToDayNumber(now.date()), 65535),
                                             now.time().hour() * 60 + now.time().minute(), m_config);
    m_changeNext = (m_changeNext + 1) % int(m_changeLog.size());
}

QByteArray SimDevice::changeLogReply(const QByteArray &req) const
{
    const int block = getU8(req, 5);
    const int record = getU8(req, 6);
    if (block >= kChangeBlocks || record >= kChangeRecords)
        return QByteArray();
    QByteArray f = header(46, 12);
    f.replace(5, kChangeData, m_changeLog.value(block * kChangeRecords + record, QByteArray(kChangeData, '\xFF')));
    seal(f);
    return f;
}

// ---------------------------------------------------------------- maintenance

QByteArray SimDevice::setNumber(const QByteArray &req)
{
    if (getU8(req, 5) != 0x55 || getU8(req, 6) != 0xAA)
        return QByteArray();
    const int n = getU16(req, 7);
    if (n < 1)
        return QByteArray();
    const int st = writeStatus();
    if (st == 0) {
        m_number = n; // the reply already carries the new number
        changed();
    }
    return statusReply(240, st);
}

QByteArray SimDevice::setTime(const QByteArray &req)
{
    const int minutes = getU16(req, 5);
    const QDate d(2000 + getU8(req, 9), getU8(req, 8), getU8(req, 7));
    if (minutes >= 1440 || !d.isValid())
        return QByteArray();
    const QDateTime target(d, QTime(minutes / 60, minutes % 60));
    m_clockOffset = m_systemNow().secsTo(target);
    changed();
    return statusReply(11, 0);
}

QByteArray SimDevice::clearArchives(const QByteArray &req)
{
    if (req.size() != 8 || getU8(req, 5) != 0x44 || getU8(req, 6) != 0xBB)
        return QByteArray();
    const int st = writeStatus();
    if (st == 0) {
        // Both rings start again at slot 0 with the next day and hour.
        m_dailyRestart = dayIndexNow() + 1;
        m_hourlyRestart = hourIndexNow() + 1;
        changed();
    }
    return statusReply(2, st);
}

// ---------------------------------------------------------------- archives

qint64 SimDevice::dayIndexNow() const
{
    return m_archiveStart.daysTo(deviceNow().date());
}

qint64 SimDevice::hourIndexNow() const
{
    return dayIndexNow() * 24 + deviceNow().time().hour();
}

int SimDevice::newestSlot(qint64 now, qint64 restart, int depth)
{
    if (depth <= 0 || now < restart)
        return -1;
    return floorMod(now - restart, depth);
}

int SimDevice::reportedDaily() const
{
    return newestSlot(dayIndexNow(), qMax<qint64>(0, m_dailyRestart), m_info.dailyDepth) + 1;
}

int SimDevice::reportedHourly() const
{
    return newestSlot(hourIndexNow(), qMax<qint64>(0, m_hourlyRestart), m_info.hourlyDepth) + 1;
}

QByteArray SimDevice::arhNoReply() const
{
    if (m_info.dailyDepth <= 0)
        return QByteArray();
    QByteArray f;
    switch (m_info.family) {
    case Family::T225:
        f = header(9, 21);
        putU16(f, 5, reportedHourly());
        putU8(f, 7, reportedDaily());
        break;
    case Family::T234:
    case Family::T238:
        f = header(11, 21);
        putU16(f, 5, reportedHourly());
        putU16(f, 7, reportedDaily());
        putU8(f, 9, 60);
        break;
    default:
        f = header(10, 21);
        putU16(f, 5, reportedHourly());
        putU8(f, 7, reportedDaily());
        putU8(f, 8, 60); // measurement period
        break;
    }
    seal(f);
    return f;
}

bool SimDevice::archiveRecord(bool daily, int slot, Values &v, QDate &date, int &hour)
{
    const int depth = daily ? m_info.dailyDepth : m_info.hourlyDepth;
    if (slot < 0 || slot >= depth)
        return false;
    const qint64 now = daily ? dayIndexNow() : hourIndexNow();
    const qint64 restart = qMax<qint64>(0, daily ? m_dailyRestart : m_hourlyRestart);
    const int newest = newestSlot(now, restart, depth);
    const qint64 index = newest < 0 ? -1 : now - floorMod(newest - slot, depth);
    if (newest < 0 || index < restart || index < 0)
        return false;

    double xStart;
    hour = 0;
    if (daily) {
        date = m_archiveStart.addDays(index);
        xStart = modelHours(QDateTime(date, QTime(0, 0)));
    } else {
        date = m_archiveStart.addDays(index / 24);
        hour = int(index % 24);
        xStart = modelHours(QDateTime(date, QTime(hour, 0)));
    }
    const double xNow = modelHours(deviceNow());
    const double xEnd = std::max(xStart, std::min(xStart + (daily ? 24.0 : 1.0), xNow));
    fillValues(v, xEnd, xStart, qint64(std::floor(xStart)) + (daily ? 12 : 0), false);
    // The period with error of the single-system records: minutes per hour
    // in hourly records, hours per day in daily ones.
    const double errMinutes = v[fieldIndex(Field::ErrMinutes)][0];
    v[fieldIndex(Field::ErrPeriod)][0] = daily ? std::round(errMinutes / 60) : errMinutes;
    v[fieldIndex(Field::Hour)][0] = hour;
    v[fieldIndex(Field::Date)][0] = pim::dateToDayNumber(date);
    return true;
}

QByteArray SimDevice::archiveReply(const QByteArray &req)
{
    const int lo = getU8(req, 5);
    const int hi = getU8(req, 6);
    const bool daily = hi >= 0x80;
    const int slot = lo + 256 * (daily ? hi - 0x80 : hi);
    if (slot >= (daily ? m_info.dailyDepth : m_info.hourlyDepth))
        return QByteArray();

    QByteArray f = header(m_info.arhLength, 3);
    Values v;
    QDate date;
    int hour = 0;
    if (!archiveRecord(daily, slot, v, date, hour)) {
        // A slot never written since the ring was cleared: erased memory.
        for (int k = 5; k < f.size() - 1; ++k)
            f[k] = char(0xFF);
        seal(f);
        return f;
    }
    writeLayout(f, archiveLayout(m_info.family), v);
    seal(f);
    return f;
}

// ---------------------------------------------------------------- calibration

QByteArray SimDevice::calibrationReply(const QByteArray &req)
{
    const int len = int(req.size());
    const bool jumper = m_opt.jumperClosed;
    auto measure = [&](double setPoint, int channel) {
        const double noise = std::clamp(gauss(0.2), -0.6, 0.6);
        return setPoint + noise + (m_opt.calibrationFault == channel ? 1.7 : 0.0);
    };
    // Channels 2.. in one request, set points from byte 6 on; the status is
    // 1 with the jumper open, else the last channel out of tolerance or 0.
    auto allChannels = [&](int channels) {
        QByteArray f = header(7 + 4 * channels, 13);
        int status = jumper ? 0 : 1;
        for (int ch = 0; ch < channels; ++ch) {
            const double set = getF32(req, 6 + 4 * ch);
            const double got = measure(set, 2 + ch);
            putF32(f, 6 + 4 * ch, got);
            if (status != 1 && std::fabs(got - set) > 1)
                status = 2 + ch;
        }
        putU8(f, 5, status);
        seal(f);
        return f;
    };

    switch (m_info.family) {
    case Family::T225: {
        // No status byte: a refusal is silence.
        if (len != 15 || !jumper)
            return QByteArray();
        QByteArray f = header(14, 13);
        putF32(f, 5, measure(getF32(req, 6), 2));
        putF32(f, 9, measure(getF32(req, 10), 3));
        seal(f);
        return f;
    }
    case Family::T227:
        return len == 15 ? allChannels(2) : QByteArray();
    case Family::T228:
    case Family::T229:
    case Family::T234:
    case Family::T238: {
        if (len == 23)
            return allChannels(4);
        if (len == 11) {
            const int channel = getU8(req, 5);
            if (channel < 2 || channel > 5)
                return QByteArray();
            QByteArray f = header(11, 13);
            const double set = getF32(req, 6);
            const double got = measure(set, channel);
            putF32(f, 6, got);
            putU8(f, 5, !jumper ? 1 : (std::fabs(got - set) > 1 ? channel : 0));
            seal(f);
            return f;
        }
        return QByteArray();
    }
    default:
        return QByteArray();
    }
}

// ---------------------------------------------------------------- state file

QJsonObject SimDevice::saveState() const
{
    QJsonObject o;
    o[QStringLiteral("type")] = m_info.type;
    o[QStringLiteral("number")] = m_number;
    o[QStringLiteral("config")] = QString::fromLatin1(m_config.toHex());
    o[QStringLiteral("clockOffset")] = double(m_clockOffset);
    o[QStringLiteral("archiveStart")] = m_archiveStart.toString(Qt::ISODate);
    QJsonArray cr, opr, log;
    for (double r : m_counterResets)
        cr.append(r);
    for (double r : m_opResets)
        opr.append(r);
    for (const QByteArray &rec : m_changeLog)
        log.append(QString::fromLatin1(rec.toHex()));
    o[QStringLiteral("counterResets")] = cr;
    o[QStringLiteral("opResets")] = opr;
    o[QStringLiteral("dailyRestart")] = double(m_dailyRestart);
    o[QStringLiteral("hourlyRestart")] = double(m_hourlyRestart);
    o[QStringLiteral("changeLog")] = log;
    o[QStringLiteral("changeNext")] = m_changeNext;
    o[QStringLiteral("modification")] = m_mod128;
    QJsonArray w;
    for (int x : m_weights128)
        w.append(x);
    o[QStringLiteral("weights")] = w;
    return o;
}

bool SimDevice::loadState(const QJsonObject &o, QString *error)
{
    auto fail = [&](const QString &what) {
        if (error)
            *error = what;
        return false;
    };
    if (o.value(QStringLiteral("type")).toInt(-1) != m_info.type)
        return fail(QStringLiteral("the state file is of type %1, not %2")
                        .arg(o.value(QStringLiteral("type")).toInt(-1)).arg(m_info.type));
    const int number = o.value(QStringLiteral("number")).toInt(0);
    if (number < 1 || number > 65535)
        return fail(QStringLiteral("bad number in the state file"));
    const QByteArray config = QByteArray::fromHex(o.value(QStringLiteral("config")).toString().toLatin1());
    if (config.size() != m_config.size())
        return fail(QStringLiteral("bad configuration in the state file"));
    const QDate start = QDate::fromString(o.value(QStringLiteral("archiveStart")).toString(), Qt::ISODate);
    if (!start.isValid() || start < QDate(2000, 1, 2))
        return fail(QStringLiteral("bad archive start in the state file"));
    QList<QByteArray> log;
    for (const QJsonValue &v : o.value(QStringLiteral("changeLog")).toArray()) {
        const QByteArray rec = QByteArray::fromHex(v.toString().toLatin1());
        if (rec.size() != kChangeData)
            return fail(QStringLiteral("bad change log in the state file"));
        log.append(rec);
    }
    if (log.size() != m_changeLog.size())
        return fail(QStringLiteral("bad change log in the state file"));
    const int mod = o.value(QStringLiteral("modification")).toInt(4);
    if (mod != 1 && mod != 2 && mod != 4)
        return fail(QStringLiteral("bad modification in the state file"));
    const QJsonArray w = o.value(QStringLiteral("weights")).toArray();
    // Four centuries either way for the clock, and restart indexes far
    // beyond any ring position, keep the date and index arithmetic in range.
    qint64 clockOffset = 0, dailyRestart = 0, hourlyRestart = 0;
    if (!stateInteger(o.value(QStringLiteral("clockOffset")), 400.0 * 366 * 86400, clockOffset))
        return fail(QStringLiteral("bad clock offset in the state file"));
    if (!stateInteger(o.value(QStringLiteral("dailyRestart")), 1e9, dailyRestart)
        || !stateInteger(o.value(QStringLiteral("hourlyRestart")), 1e9, hourlyRestart))
        return fail(QStringLiteral("bad archive restart in the state file"));

    m_number = number;
    m_config = config;
    m_clockOffset = clockOffset;
    m_archiveStart = start;
    m_commission = start.addDays(-30);
    m_counterResets.clear();
    m_opResets.clear();
    for (const QJsonValue &v : o.value(QStringLiteral("counterResets")).toArray())
        m_counterResets.append(v.toDouble());
    for (const QJsonValue &v : o.value(QStringLiteral("opResets")).toArray())
        m_opResets.append(v.toDouble());
    m_dailyRestart = dailyRestart;
    m_hourlyRestart = hourlyRestart;
    m_changeLog = log;
    m_changeNext = m_changeLog.isEmpty() ? 0 : qBound(0, o.value(QStringLiteral("changeNext")).toInt(), int(m_changeLog.size()) - 1);
    m_mod128 = mod;
    for (int c = 0; c < 4; ++c)
        m_weights128[c] = qBound(0, w.at(c).toInt(0), 3);
    return true;
}

} // namespace pimsim

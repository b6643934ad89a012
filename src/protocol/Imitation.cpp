#include "protocol/Imitation.h"

#include "protocol/Fields.h"

#include "base/Rounding.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace pim {

namespace {

constexpr int kPhiCount = 400;
constexpr double kCalSigma = 0.8518518518518519;

const std::array<double, kPhiCount> &phiTable()
{
    static const std::array<double, kPhiCount> table = [] {
        std::array<double, kPhiCount> t{};
        for (int i = 0; i < kPhiCount; ++i)
            t[size_t(i)] = 0.5 * std::erfc(-(i / 100.0) / std::sqrt(2.0));
        return t;
    }();
    return table;
}

// A reply of `length` bytes with the request's header and random payload
// bytes in 0..limit-1.
Tab randomReply(Imitator &im, const Tab &request, int length, int limit)
{
    length = qBound(6, length, 255);
    Tab reply(length);
    reply.set(0, length);
    for (int i = 1; i <= 4; ++i)
        reply.set(i, request.at(i));
    for (int i = 5; i < length - 1; ++i)
        reply.set(i, qMin(limit - 1, int(im.uniform() * limit)));
    reply.set(length - 1, CalcCS(reply.mid(0, length - 1)));
    return reply;
}

void setChecksum(Tab &frame)
{
    if (!frame.isEmpty())
        frame.set(frame.size() - 1, CalcCS(frame.mid(0, frame.size() - 1)));
}

// Completes a generated state reply: its length, the request's header and
// the checksum.
void completeState(Tab &reply, const Tab &request)
{
    if (reply.size() < 6 || reply.size() > kMaxFrame)
        return;
    reply.set(0, reply.size());
    for (int i = 1; i <= 4; ++i)
        reply.set(i, request.at(i));
    setChecksum(reply);
}

} // namespace

double PhiTable(int i)
{
    return phiTable()[size_t(qBound(0, i, kPhiCount - 1))];
}

double InvPhi(double p)
{
    const auto &t = phiTable();
    if (std::isnan(p) || p <= t[0])
        return 0.0;
    if (p >= t[kPhiCount - 1])
        return (kPhiCount - 1) / 100.0;
    // The table rises strictly, so the first entry not below p closes the
    // interval Φ(x_i) < p <= Φ(x_(i+1)).
    const auto upper = std::lower_bound(t.begin() + 1, t.end(), p);
    const size_t i = size_t(upper - t.begin()) - 1;
    const double lo = t[i];
    const double hi = t[i + 1];
    return double(i) / 100.0 + (p - lo) * 0.01 / (hi - lo);
}

Imitator::Imitator(Uniform uniform) : m_uniform(std::move(uniform))
{
    if (!m_uniform) {
        auto engine = std::make_shared<std::mt19937_64>(
            static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch()));
        m_uniform = [engine] {
            // 53 random bits: strictly below 1.
            return double((*engine)() >> 11) * (1.0 / 9007199254740992.0);
        };
    }
}

double Imitator::uniform()
{
    const double r = m_uniform();
    // An injected generator out of range must not break the distributions.
    if (!(r >= 0.0))
        return 0.0;
    return r < 1.0 ? r : std::nextafter(1.0, 0.0);
}

double Imitator::NormRand(double sigma, double mu)
{
    const double r = uniform();
    if (r >= 0.5)
        return mu + sigma * InvPhi(r);
    return mu - sigma * InvPhi(1.0 - r);
}

Tab Imitator::stateReplyTwoSystem(const ImitationProfile &p, const Tab &request)
{
    const int length = p.stateLength;
    const int firstSums = p.stateSums; // the offsets 80.. hold this many singles
    if (length < 6 || length > kMaxFrame || firstSums <= 0 || 80 + 4 * firstSums > length - 1)
        return request;
    Tab reply(length);
    for (int k = 0; k < firstSums; ++k)
        PutF(reply, 80 + 4 * k, NormRand(1, 100));

    static const double kValues[10][2] = {{10, 100}, {10, 80}, {10, 100}, {10, 80}, {1, 20},
                                          {1, 20},   {1, 10},  {1, 10},   {1, 10},  {1, 10}};
    for (int k = 0; k < 10; ++k)
        PutF(reply, 13 + 4 * k, NormRand(kValues[k][0], kValues[k][1]));

    const double days = roundHalfEven(NormRand(180, 365));
    double f[6] = {}, t[6] = {}, v[6] = {}, q[6] = {};
    for (int d = 0; d <= days; ++d) {
        for (int j = 0; j < 6; ++j) {
            f[j] = NormRand(1, 100);
            v[j] += f[j];
            if (j % 2) {
                t[j] = NormRand(10, 80);
                q[j] += (t[j - 1] - t[j]) * f[j];
            } else {
                t[j] = NormRand(10, 100);
            }
        }
    }
    for (int j = 0; j < 6; ++j)
        PutF(reply, 53 + 4 * j, v[j]);
    PutF(reply, 5, q[1]);
    PutF(reply, 9, q[3]);

    for (int i = 77; i <= 79; ++i) {
        const double b = roundHalfEven(NormRand(255, 0));
        reply.set(i, b >= 0 && b <= 255 ? int(b) : 0);
    }
    reply.set(0, length);
    for (int i = 1; i <= 4; ++i)
        reply.set(i, request.at(i));
    setChecksum(reply);
    return reply;
}

Tab Imitator::calibrationReply(const ImitationProfile &p, const Tab &request)
{
    using Cal = ImitationProfile::Calibration;
    Tab reply = request;
    switch (p.calibration) {
    case Cal::TwoValues: {
        // No status byte: the two measured values follow the header.
        const double supply = NormRand(kCalSigma, GetF(request, 6));
        const double ret = NormRand(kCalSigma, GetF(request, 10));
        reply = request.mid(0, qMax(0, request.size() - 1));
        if (reply.size() < 14)
            reply.resize(14);
        // The length byte tells the truth about this shorter frame.
        reply.set(0, reply.size());
        PutF(reply, 5, supply);
        PutF(reply, 9, ret);
        break;
    }
    case Cal::TwoStatus:
    case Cal::OneOrFour: {
        int count = 2;
        if (p.calibration == Cal::OneOrFour)
            count = request.at(5) > 1 ? 1 : 4;
        int status = 0;
        for (int k = 0; k < count; ++k) {
            const int off = 6 + 4 * k;
            const double asked = GetF(request, off);
            const double measured = NormRand(kCalSigma, asked);
            PutF(reply, off, measured);
            if (std::fabs(float(measured) - asked) > 1)
                status = k + 2;
        }
        if (status == 0 && uniform() > 0.9)
            status = 1;
        reply.set(5, status);
        break;
    }
    case Cal::Echo:
        break;
    }
    setChecksum(reply);
    return reply;
}

Imitator::Result Imitator::ImitReply(const Tab &request, const Identity &id)
{
    Result r;
    const int type = id.type;
    const ImitationProfile p = profile(type);
    switch (request.at(4)) {
    case Q_State:
        if (p.stateSums > 0) {
            r.reply = stateReplyTwoSystem(p, request);
        } else if (m_stateGenerator && m_stateGenerator(type, request, r.reply, *this)) {
            completeState(r.reply, request);
        } else {
            // No generator for the type: the decoder will report the format.
            r.reply = request;
        }
        break;
    case Q_ClrArh: {
        Tab reply(5);
        reply.set(0, 6);
        reply.set(1, type);
        reply.set(2, request.at(5));
        reply.set(3, request.at(6));
        reply.set(4, request.at(4));
        // About every second set-number check is made to fail.
        if (uniform() > 0.5)
            PutW(id.number, reply, 2);
        reply.append(CalcCS(reply));
        r.reply = reply;
        break;
    }
    case Q_Arhiv:
        r.reply = randomReply(*this, request, p.arhLength > 0 ? p.arhLength : request.size(), 80);
        break;
    case Q_Param:
        r.reply = randomReply(*this, request, p.paramLength > 0 ? p.paramLength : request.size(), 85);
        break;
    case Q_Chang:
        r.reply = randomReply(*this, request, kChangReplyLength, 80);
        break;
    case Q_Cal:
        r.reply = calibrationReply(p, request);
        r.pauseMs = qMin(1000, int(uniform() * 1001));
        break;
    case Q_SetParam128:
        if (p.stateOnWrite && m_stateGenerator && m_stateGenerator(type, request, r.reply, *this))
            completeState(r.reply, request);
        else
            r.reply = request;
        break;
    default:
        r.reply = request;
        break;
    }
    return r;
}

Imitator &imitator()
{
    static Imitator instance;
    return instance;
}

} // namespace pim

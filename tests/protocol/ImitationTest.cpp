#include "protocol/Fields.h"
#include "protocol/Imitation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <memory>
#include <random>

using namespace pim;

namespace {

// A fixed stream of uniform values, for reproducible draws.
Imitator::Uniform seeded(unsigned seed)
{
    auto engine = std::make_shared<std::mt19937>(seed);
    return [engine] { return std::uniform_real_distribution<double>(0.0, 1.0)(*engine); };
}

// The given values in order, then 0.5 (a draw of exactly μ).
Imitator::Uniform sequence(std::initializer_list<double> values)
{
    auto queue = std::make_shared<std::deque<double>>(values);
    return [queue] {
        if (queue->empty())
            return 0.5;
        const double v = queue->front();
        queue->pop_front();
        return v;
    };
}

// The type facts the device registry hands the imitation, as its reply
// table gives them; other types have none and are echoed.
ImitationProfile profileOf(int type)
{
    using Cal = ImitationProfile::Calibration;
    switch (type) {
    case 128: return {0, 0, 0, 0, Cal::Echo, true};
    case 225: return {0, 0, 49, 23, Cal::TwoValues, false};
    case 227: return {0, 0, 41, 16, Cal::TwoStatus, false};
    case 228: return {97, 4, 166, 46, Cal::OneOrFour, false};
    case 229:
    case 230: return {105, 6, 166, 46, Cal::OneOrFour, false};
    default: return {};
    }
}

// Calibration request: header, selector, singles.
Tab calRequest(const Identity &id, int selector, std::initializer_list<double> values)
{
    Tab data(1 + 4 * int(values.size()));
    data.set(0, selector);
    int off = 1;
    for (double v : values) {
        PutF(data, off, v);
        off += 4;
    }
    return SQ(id, Q_Cal, data);
}

} // namespace

TEST(Imitation, NormalTableAndInverse)
{
    EXPECT_EQ(PhiTable(0), 0.5);
    EXPECT_NEAR(PhiTable(100), 0.8413447461, 1e-9);
    EXPECT_NEAR(PhiTable(196), 0.9750021049, 1e-9);
    EXPECT_NEAR(PhiTable(399), 0.9999669634, 1e-9);
    for (int i = 1; i < 400; ++i)
        ASSERT_LT(PhiTable(i - 1), PhiTable(i)) << i;

    struct Case {
        double p, x;
    };
    const Case cases[] = {
        {0.5, 0.0},
        {0.2, 0.0},
        {-1.0, 0.0},
        {PhiTable(100), 1.00},
        {(PhiTable(100) + PhiTable(101)) / 2, 1.005},
        {PhiTable(250), 2.50},
        {PhiTable(399), 3.99},
        {0.99999, 3.99},
        {1.0, 3.99},
        {std::nan(""), 0.0},
    };
    for (const Case &c : cases)
        EXPECT_NEAR(InvPhi(c.p), c.x, 1e-9) << c.p;
    // Every node of the table maps back onto its argument.
    for (int i = 0; i < 400; ++i)
        ASSERT_NEAR(InvPhi(PhiTable(i)), i / 100.0, 1e-9) << i;
}

TEST(Imitation, NormRand)
{
    for (double r : {0.0, 0.3, 0.5, 0.7, 0.999999}) {
        Imitator im(sequence({r}));
        EXPECT_EQ(im.NormRand(0, 42.5), 42.5) << r;
    }
    struct Case {
        double r, expected;
    };
    const Case cases[] = {
        {0.5, 100.0},
        {PhiTable(100), 110.0},       // one σ above
        {1.0 - PhiTable(100), 90.0},  // one σ below
        {0.0, 100.0 - 39.9},          // the table's end
    };
    for (const Case &c : cases) {
        Imitator im(sequence({c.r}));
        im.setProfiles(profileOf);
        EXPECT_NEAR(im.NormRand(10, 100), c.expected, 1e-6) << c.r;
    }
    // A generator that misbehaves is kept inside [0, 1).
    Imitator bad([] { return 7.0; });
    EXPECT_LT(bad.uniform(), 1.0);
    bad.setUniform([] { return std::nan(""); });
    EXPECT_EQ(bad.uniform(), 0.0);
    // The clock-seeded default stays in range too.
    Imitator clock;
    for (int i = 0; i < 1000; ++i) {
        const double u = clock.uniform();
        ASSERT_TRUE(u >= 0.0 && u < 1.0);
    }
}

TEST(Imitation, StateOfTypes228to230)
{
    struct Case {
        int type, length, sums;
    };
    for (const Case &c : {Case{228, 97, 4}, Case{229, 105, 6}, Case{230, 105, 6}}) {
        const Identity dev{c.type, 0x1234};
        Imitator im(seeded(unsigned(c.type)));
        im.setProfiles(profileOf);
        const Tab request = SQ(dev, Q_State);
        const Tab reply = im.ImitReply(request, dev).reply;
        ASSERT_EQ(reply.size(), c.length) << c.type;
        EXPECT_EQ(reply.mid(1, 4), request.mid(1, 4));
        EXPECT_EQ(TestAnswer(reply, c.length, Q_State, dev), QString()) << c.type;
        for (int k = 0; k < c.sums; ++k)
            EXPECT_NEAR(GetF(reply, 80 + 4 * k), 100.0, 1.0 * 3.99 + 1e-4) << k;
        EXPECT_NEAR(GetF(reply, 13), 100.0, 39.9 + 1e-4);
        EXPECT_NEAR(GetF(reply, 49), 10.0, 3.99 + 1e-4);
        // Each volume sum adds D + 1 flows near 100, D within 365 ± 718.
        for (int j = 0; j < 6; ++j)
            EXPECT_LE(std::fabs(GetF(reply, 53 + 4 * j)), 1084 * 104.0) << j;
    }
}

TEST(Imitation, StateAccumulationFollowsTheDraws)
{
    // Every draw at 0.5 gives μ: D = 365, 366 rounds, flows 100, supply 100,
    // return 80, so each heat sum is 366 · 20 · 100 and bytes 77..79 are 0.
    const Identity dev{229, 1};
    Imitator im(sequence({}));
    im.setProfiles(profileOf);
    const Tab reply = im.ImitReply(SQ(dev, Q_State), dev).reply;
    EXPECT_FLOAT_EQ(GetF(reply, 5), 366 * 20 * 100.0f);
    EXPECT_FLOAT_EQ(GetF(reply, 9), 366 * 20 * 100.0f);
    for (int j = 0; j < 6; ++j)
        EXPECT_FLOAT_EQ(GetF(reply, 53 + 4 * j), 36600.0f);
    EXPECT_FLOAT_EQ(GetF(reply, 17), 80.0f);
    EXPECT_EQ(reply.mid(77, 3).toHex(), "00 00 00");
}

TEST(Imitation, StateThroughTheModulesGenerator)
{
    const Identity t128{128, 7};
    const Tab request = SQ(t128, Q_State);
    Imitator im(seeded(1));
    im.setProfiles(profileOf);
    // No module registered: the request comes back and fails its check.
    EXPECT_EQ(im.ImitReply(request, t128).reply, request);
    EXPECT_EQ(im.ImitReply(SQ128(t128, Q_SetParam128, 1, 2), t128).reply,
              SQ128(t128, Q_SetParam128, 1, 2));

    int calls = 0;
    im.setStateGenerator([&](int type, const Tab &, Tab &reply, Imitator &) {
        ++calls;
        if (type != 128)
            return false;
        reply = Tab(31);
        reply.set(10, 0x5A);
        return true;
    });
    for (int code : {int(Q_State), int(Q_SetParam128)}) {
        const Tab q = code == Q_State ? request : SQ128(t128, code, 1, 2);
        const Tab reply = im.ImitReply(q, t128).reply;
        EXPECT_EQ(TestAnswer(reply, 31, code, t128), QString()) << code;
        EXPECT_EQ(reply.at(10), 0x5A);
    }
    EXPECT_EQ(calls, 2);
    // A type the module does not know, and a type nobody generates.
    const Identity t225{225, 7}, t234{234, 7};
    EXPECT_EQ(im.ImitReply(SQ(t225, Q_State), t225).reply, SQ(t225, Q_State));
    EXPECT_EQ(im.ImitReply(SQ(t234, Q_State), t234).reply, SQ(t234, Q_State));
    // Code 255 belongs to type 128 only.
    EXPECT_EQ(im.ImitReply(SQ(t225, Q_SetParam128), t225).reply, SQ(t225, Q_SetParam128));
}

TEST(Imitation, RandomBlocksAndEchoes)
{
    struct Case {
        int type, code, length, limit;
    };
    const Case cases[] = {
        {225, Q_Arhiv, 49, 80},  {227, Q_Arhiv, 41, 80},  {229, Q_Arhiv, 166, 80},
        {234, Q_Arhiv, 8, 80},   {225, Q_Param, 23, 85},  {227, Q_Param, 16, 85},
        {228, Q_Param, 46, 85},  {238, Q_Param, 6, 85},   {229, Q_Chang, 46, 80},
        {128, Q_Chang, 46, 80},
    };
    for (const Case &c : cases) {
        const Identity dev{c.type, 0x0203};
        Imitator im(seeded(42));
        im.setProfiles(profileOf);
        const Tab data = c.code == Q_Arhiv ? Tab{0x05, 0x80} : c.code == Q_Chang ? Tab{1, 2} : Tab();
        const Tab request = SQ(dev, c.code, data);
        const Tab reply = im.ImitReply(request, dev).reply;
        ASSERT_EQ(reply.size(), c.length) << c.type << "/" << c.code;
        EXPECT_EQ(TestAnswer(reply, c.length, c.code, dev), QString()) << c.type << "/" << c.code;
        for (int i = 5; i < reply.size() - 1; ++i)
            ASSERT_LT(reply.at(i), c.limit) << c.type << "/" << c.code << " @" << i;
    }

    // Codes without a generator come back unchanged, so the exchange succeeds.
    const Identity dev{229, 0x1234};
    Imitator im(seeded(3));
    im.setProfiles(profileOf);
    for (int code : {int(Q_SetTime), int(Q_ArhBegin), int(Q_ArhNo), int(Q_ArhEnd), int(Q_SetNo),
                     int(Q_Init), int(Q_ZeroTime), int(Q_SetParam), int(Q_NoTu)}) {
        const Tab request = SQ(dev, code, Tab{0x10, 0x2C, 10, 12, 26});
        const auto r = im.ImitReply(request, dev);
        EXPECT_EQ(r.reply, request) << code;
        EXPECT_EQ(r.pauseMs, 0);
    }
    EXPECT_EQ(im.ImitReply(Tab(), dev).reply, Tab());
}

TEST(Imitation, SetNumberReplyFailsAboutHalfTheTime)
{
    const Identity dev{229, 0x1234};
    const Tab request = SQ(dev, Q_ClrArh, Tab{0x44, 0xBB});
    struct Case {
        double r;
        const char *head;
    };
    for (const Case &c : {Case{0.5, "06 E5 44 BB 02"}, Case{0.51, "06 E5 34 12 02"}}) {
        Imitator im(sequence({c.r}));
        im.setProfiles(profileOf);
        const Tab reply = im.ImitReply(request, dev).reply;
        ASSERT_EQ(reply.size(), 6);
        EXPECT_EQ(reply.mid(0, 5).toHex(), QString::fromLatin1(c.head));
        EXPECT_TRUE(TestCS(reply));
    }
}

TEST(Imitation, Calibration)
{
    // Type 225: no status byte; the measured values follow the header.
    {
        const Identity dev{225, 9};
        Imitator im(seeded(5));
        im.setProfiles(profileOf);
        const Tab request = calRequest(dev, 0, {20.0, 30.0});
        const auto r = im.ImitReply(request, dev);
        ASSERT_EQ(r.reply.size(), request.size() - 1);
        EXPECT_EQ(r.reply.at(0), r.reply.size());
        EXPECT_EQ(r.reply.mid(1, 4), request.mid(1, 4));
        EXPECT_NEAR(GetF(r.reply, 5), 20.0, 3.4);
        EXPECT_NEAR(GetF(r.reply, 9), 30.0, 3.4);
        EXPECT_TRUE(TestCS(r.reply));
        EXPECT_GE(r.pauseMs, 0);
        EXPECT_LE(r.pauseMs, 1000);
    }
    // Statuses from chosen draws: 0.9999 lies about 3.2 away, 0.5 exactly on.
    struct Case {
        int type, selector;
        std::initializer_list<double> draws;
        int status, singles;
    };
    const Case cases[] = {
        {227, 0, {0.5, 0.5, 0.5}, 0, 2},
        {227, 0, {0.5, 0.5, 0.95}, 1, 2},       // within 1, the one-in-ten jumper fault
        {227, 1, {0.9999, 0.5}, 2, 2},
        {227, 1, {0.9999, 0.0001}, 3, 2},       // the second wins
        {229, 0, {0.5, 0.9999, 0.5, 0.9999}, 5, 4},  // the last deviating one wins
        {228, 1, {0.5, 0.5, 0.0001, 0.5}, 4, 4},
        {230, 2, {0.9999}, 2, 1},               // a pressure channel: one value
        {229, 3, {0.5, 0.95}, 1, 1},
    };
    for (const Case &c : cases) {
        const Identity dev{c.type, 9};
        Imitator im(sequence(c.draws));
        im.setProfiles(profileOf);
        const Tab request = c.singles == 1 ? calRequest(dev, c.selector, {4.0})
                                           : c.singles == 2 ? calRequest(dev, c.selector, {20.0, 30.0})
                                                            : calRequest(dev, c.selector, {20.0, 30.0, 40.0, 50.0});
        const Tab reply = im.ImitReply(request, dev).reply;
        ASSERT_EQ(reply.size(), request.size());
        EXPECT_EQ(reply.mid(0, 5), request.mid(0, 5));
        EXPECT_EQ(reply.at(5), c.status) << c.type << " " << c.status;
        EXPECT_TRUE(TestCS(reply));
    }
    // Any other type: the request comes back.
    const Identity t234{234, 9};
    Imitator im(seeded(8));
    im.setProfiles(profileOf);
    const Tab request = calRequest(t234, 0, {20.0, 30.0, 40.0, 50.0});
    EXPECT_EQ(im.ImitReply(request, t234).reply, request);
}

TEST(Imitation, CalibrationNearTheSetPoint)
{
    const Identity dev{227, 9};
    Imitator im(seeded(11));
    im.setProfiles(profileOf);
    int within = 0, jumper = 0;
    for (int i = 0; i < 4000; ++i) {
        const Tab reply = im.ImitReply(calRequest(dev, 0, {20.0, 20.0}), dev).reply;
        const double a = GetF(reply, 6), b = GetF(reply, 10);
        ASSERT_NEAR(a, 20.0, 3.4);
        ASSERT_NEAR(b, 20.0, 3.4);
        const bool near = std::fabs(a - 20.0) <= 1 && std::fabs(b - 20.0) <= 1;
        if (near) {
            ++within;
            jumper += reply.at(5) == 1;
            ASSERT_TRUE(reply.at(5) == 0 || reply.at(5) == 1);
        } else {
            ASSERT_GE(reply.at(5), 2);
        }
    }
    ASSERT_GT(within, 1000);
    EXPECT_NEAR(double(jumper) / within, 0.1, 0.03);
}

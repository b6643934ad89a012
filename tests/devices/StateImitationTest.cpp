// Imitated state replies: those of U128, U25 and U27 driven by a scripted
// uniform generator so every drawn value is known, and every served type's
// reply taken by its own decoder.

#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "protocol/Imitation.h"
#include "support/StateFrame.h"
#include "support/StateTestEnv.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace pim;
using pim::test::StateFrame;

namespace {

Imitator::Uniform script(QList<double> values)
{
    auto v = std::make_shared<QList<double>>(std::move(values));
    auto i = std::make_shared<int>(0);
    return [v, i]() { return *i < v->size() ? v->at((*i)++) : 0.0; };
}

class StateImitation : public pim::test::StateTestBase {
protected:
    void TearDown() override
    {
        imitator().setUniform([] { return QRandomGenerator::global()->generateDouble(); });
        StateTestBase::TearDown();
    }
};

TEST_F(StateImitation, U128StateReplyLayout)
{
    // modification 2^floor(0.9·3) = 4; per channel round(u·100) pulses
    // (halves to even: 12.5 → 12, 37.5 → 38) and weight number floor(u·4).
    Imitator im(script({0.9, 0.125, 0.0, 0.625, 0.99, 0.5, 0.5, 0.375, 0.3}));
    StateCodec128 c;
    Tab reply;
    ASSERT_EQ(c.ImitState(StateFrame(6, 128, 0x1234, 1).tab(), im, reply), QString());
    const Tab expected = StateFrame(31, 0, 0, 0)
                             .u16(5, 0x1234)
                             .i32(7, 12).i32(11, 62).i32(15, 50).i32(19, 38)
                             .u8(23, 0).u8(24, 3).u8(25, 2).u8(26, 1)
                             .u8(27, 4).u8(28, 0).u8(29, 255)
                             .raw();
    EXPECT_EQ(reply.toHex(), expected.toHex());
    EXPECT_EQ(c.rec().modification, 4); // the record is not touched
    EXPECT_EQ(c.rec().ch[0].pulses, 0);
}

TEST_F(StateImitation, U128AnswersItsWriteAndRefusesOtherCommands)
{
    // Write: modification 2, weight numbers 1, 2, 3, 0 packed as 1 + 4·2 + 16·3.
    Imitator im(script({0.25, 0.75}));
    StateCodec128 c;
    Tab reply;
    const Tab write = StateFrame(8, 128, 0x1234, 255).u8(5, 2).u8(6, 1 + 8 + 48).tab();
    ASSERT_EQ(c.ImitState(write, im, reply), QString());
    EXPECT_EQ(reply.size(), 31);
    EXPECT_EQ(reply.at(7), 25);
    EXPECT_EQ(reply.at(11), 75);
    EXPECT_EQ(reply.at(15), 0);
    EXPECT_EQ(reply.mid(23, 5).toHex(), "01 02 03 00 02");

    Tab untouched = Tab{1, 2, 3};
    EXPECT_EQ(c.ImitState(StateFrame(6, 128, 0x1234, 3).tab(), im, untouched),
              QStringLiteral("unit U128:function ImitState: CMD erundec"));
    EXPECT_EQ(untouched, (Tab{1, 2, 3}));
}

// With every uniform value 0.5 each NormRand(σ, μ) gives μ.
TEST_F(StateImitation, U25AndU27GeneratorsThroughTheImitator)
{
    registerImitationGenerators();
    imitator().setUniform([] { return 0.5; });

    const Tab r25 = imitator().ImitReply(StateFrame(6, 225, 0x1234, 1).tab(), Identity{225, 0x1234}).reply;
    const Tab e25 = StateFrame(41, 225, 0x1234)
                        .f32(5, 2000.0f) // (100·10000 − 100·8000) / 100
                        .u16(9, 10000).u16(11, 8000).u16(13, 10000)
                        .f32(15, 100).f32(19, 100).f32(23, 100)
                        .f32(27, 0).f32(31, 70000).f32(35, 70000).u8(39, 0)
                        .tab();
    EXPECT_EQ(r25.toHex(), e25.toHex());

    const Tab r27 = imitator().ImitReply(StateFrame(6, 227, 0x1234, 1).tab(), Identity{227, 0x1234}).reply;
    const Tab e27 = StateFrame(33, 227, 0x1234)
                        .f32(5, 2000.0f)
                        .u16(9, 10000).u16(11, 8000).u16(13, 10000)
                        .f32(15, 100).f32(19, 100).f32(23, 100).f32(27, 100).u8(31, 0)
                        .tab();
    EXPECT_EQ(r27.toHex(), e27.toHex());
}

TEST_F(StateImitation, ImitatedRepliesPassTheirOwnDecoder)
{
    registerImitationGenerators();
    for (int type : ServedTypes()) {
        identify(type);
        const auto m = std::make_unique<DeviceModule>(typeInfo(type)->module);
        for (int i = 0; i < 20; ++i) {
            const Tab reply = imitator().ImitReply(StateFrame(6, type, 0x1234, 1).tab(), m_dev).reply;
            ASSERT_EQ(m->state().DecState(reply, m_dev), QString()) << type;
        }
    }
}

// The newest modules have no generator of their own in the protocol: their
// replies are written from their state layout, both systems, with values a
// heating system shows.
TEST_F(StateImitation, LayoutGeneratedStateIsPlausibleInBothSystems)
{
    registerImitationGenerators();
    for (int type : {234, 235, 236, 237, 238, 239}) {
        identify(type);
        StateCodec2 c(typeInfo(type)->module);
        for (int i = 0; i < 50; ++i) {
            const Tab reply = imitator().ImitReply(StateFrame(6, type, 0x1234, 1).tab(), m_dev).reply;
            ASSERT_EQ(c.DecState(reply, m_dev), QString()) << type;
            const auto &sys = c.rec().sys;
            EXPECT_EQ(sys[0].deviceError, sys[1].deviceError) << type;
            for (const StateHalf &h : sys) {
                EXPECT_GE(h.tSupply, h.tReturn) << type;
                EXPECT_TRUE(h.tSupply > 0 && h.tSupply < 150) << type << " " << h.tSupply;
                // MPa: a heating network runs below 2.
                EXPECT_TRUE(h.pressure1 >= 0 && h.pressure1 < 2) << type << " " << h.pressure1;
                EXPECT_TRUE(h.pressure2 >= 0 && h.pressure2 < 2) << type << " " << h.pressure2;
                EXPECT_GE(h.flow1, h.flow2) << type;
                EXPECT_GE(h.volume1, h.volume2) << type;
                EXPECT_GE(h.heat, 0) << type;
                // A cubic metre of water weighs about a tonne.
                for (auto [v, mass] : {std::pair{h.volume1, h.mass1}, std::pair{h.volume2, h.mass2}, std::pair{h.volume3, h.mass3}})
                    EXPECT_NEAR(mass, v * 0.98, v * 0.02 + 0.01) << type;
            }
        }
        // Another command is not the state's.
        Tab untouched{1, 2, 3};
        EXPECT_EQ(c.ImitState(StateFrame(6, type, 0x1234, 3).tab(), imitator(), untouched),
                  QStringLiteral("unit %1:function ImitState: CMD erundec").arg(moduleName(c.module())));
        EXPECT_EQ(untouched, (Tab{1, 2, 3}));
    }
}

} // namespace

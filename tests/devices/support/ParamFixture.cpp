#include "devices/support/ParamFixture.h"

#include <cstring>

namespace pim::test {

ParamFrame::ParamFrame(int length, int type, int number, int code) : m_b(length, '\0')
{
    u8(0, length).u8(1, type).u16(2, number).u8(4, code);
}

ParamFrame &ParamFrame::u8(int off, int v)
{
    if (off >= 0 && off < m_b.size())
        m_b[off] = char(v & 0xFF);
    return *this;
}

ParamFrame &ParamFrame::u16(int off, int v)
{
    return u8(off, v).u8(off + 1, v >> 8);
}

ParamFrame &ParamFrame::f32(int off, float v)
{
    quint32 raw;
    std::memcpy(&raw, &v, 4);
    return u16(off, int(raw & 0xFFFF)).u16(off + 2, int(raw >> 16));
}

pim::Tab ParamFrame::raw() const
{
    return pim::Tab::fromBytes(m_b);
}

pim::Tab ParamFrame::tab() const
{
    QByteArray b = m_b;
    int sum = 0;
    for (int i = 0; i + 1 < b.size(); ++i)
        sum += quint8(b[i]);
    if (!b.isEmpty())
        b[b.size() - 1] = char((256 - sum % 256) % 256);
    return pim::Tab::fromBytes(b);
}

// U34/U38 (100 bytes). System 1: weights 1000 (100.0 л/имп), 0x8000+250
// (2.50 имп/л), 500; type byte 2 (open); flows 0.5 / 1500; contractual T
// 90, 70, 5 and P 1.6, 1.2, 0.3. System 2: weights 2000, 1500,
// 0x8000+1000; type byte 0; flows 123.456 (more digits than the page
// shows) / 1.25; contractual 95.5, 65.25, 10, 1.6 ×3. Device-wide: cold
// water 5 and 15, second period 29.02 .. 15.04, flags 0x0105 (s1: Tп, Tх,
// Pп) | 0x0830 (s2: Tо, Tх, Pп) | 0x4000 (a bit outside both masks),
// words 0x1234 at 91 and 0xBEEF at 93, report day 15, sum flag 1, use 1.
pim::Tab reply34(int type)
{
    return ParamFrame(100, type, kNumber)
        .u16(5, 1000).u16(7, 0x8000 + 250).u16(9, 500)
        .u16(11, 2000).u16(13, 1500).u16(15, 0x8000 + 1000)
        .u8(17, 2).u8(18, 0)
        .u8(19, 5).u8(20, 15).u8(21, 29).u8(22, 2).u8(23, 15).u8(24, 4)
        .f32(25, 0.5f).f32(29, 123.456f).f32(33, 1500.0f).f32(37, 1.25f)
        .u16(41, 0x0105 | 0x0830 | 0x4000)
        .f32(43, 90.0f).f32(47, 70.0f).f32(51, 5.0f)
        .f32(55, 95.5f).f32(59, 65.25f).f32(63, 10.0f)
        .f32(67, 1.6f).f32(71, 1.2f).f32(75, 0.3f)
        .f32(79, 1.6f).f32(83, 1.6f).f32(87, 1.6f)
        .u16(91, 0x1234).u16(93, 0xBEEF)
        .u8(95, 15).u8(96, 1).u8(97, 1)
        .tab();
}

// U29 (46 bytes): weights 1000, 250, 12345 / 40000 (above 0x7FFF: no unit
// bit here), 10, 0; type bytes 3 and 1; cold water 4 and 12; period 1.10 ..
// 31.03; flows 0.1 / 2.5 and 800 / 99.9; report day 31, sum 0, use 0;
// byte 44 = 0 (unused).
pim::Tab reply29(int type)
{
    return ParamFrame(46, type, kNumber)
        .u16(5, 1000).u16(7, 250).u16(9, 12345)
        .u16(11, 40000).u16(13, 10).u16(15, 0)
        .u8(17, 3).u8(18, 1)
        .u8(19, 4).u8(20, 12).u8(21, 1).u8(22, 10).u8(23, 31).u8(24, 3)
        .f32(25, 0.1f).f32(29, 2.5f).f32(33, 800.0f).f32(37, 99.9f)
        .u8(41, 31).u8(42, 0).u8(43, 0)
        .tab();
}

// U28: as U29 but type 228 and use-second set.
pim::Tab reply28()
{
    Tab t = ParamFrame(46, 228, kNumber)
        .u16(5, 1000).u16(7, 1000).u16(9, 1000)
        .u16(11, 20).u16(13, 30).u16(15, 40)
        .u8(17, 0).u8(18, 2)
        .u8(19, 3).u8(20, 9).u8(21, 15).u8(22, 5).u8(23, 15).u8(24, 9)
        .f32(25, 0.0f).f32(29, 0.0f).f32(33, 1500.0f).f32(37, 1500.0f)
        .u8(41, 1).u8(42, 1).u8(43, 1)
        .tab();
    return t;
}

// U25 (23 bytes): weights 100, 250, 1000; electricity 3600; two tariffs;
// tariff starts 07:30 (450) and 23:00 (1380); type 3; cold water 5; limit
// used, 45.
pim::Tab reply25()
{
    return ParamFrame(23, 225, kNumber)
        .u16(5, 100).u16(7, 250).u16(9, 1000).u16(11, 3600)
        .u8(13, 1).u16(14, 450).u16(16, 1380)
        .u8(18, 3).u8(19, 5).u8(20, 1).u8(21, 45)
        .tab();
}

// U27 (16 bytes): weights 1, 2, 3, 65535; type 4; cold water 7.
pim::Tab reply27()
{
    return ParamFrame(16, 227, kNumber)
        .u16(5, 1).u16(7, 2).u16(9, 3).u16(11, 65535)
        .u8(13, 4).u8(14, 7)
        .tab();
}

// U128 state reply (31 bytes, command 1): number at 5, pulses at 7..22,
// weight numbers 1, 2, 3, 0 at 23..26, modification 4 at 27, 0 at 28, 255
// at 29.
pim::Tab reply128()
{
    return ParamFrame(31, 128, kNumber, 1)
        .u16(5, kNumber).u16(7, 10).u16(11, 20).u16(15, 30).u16(19, 40)
        .u8(23, 1).u8(24, 2).u8(25, 3).u8(26, 0).u8(27, 4).u8(28, 0).u8(29, 255)
        .tab();
}

void ParamTestBase::SetUp()
{
    m_saved = formatSettings();
    FormatSettings s = FormatSettings::russian();
    s.decimalSeparator = QLatin1Char('.');
    setFormatSettings(s);
}

void ParamTestBase::TearDown()
{
    setFormatSettings(m_saved);
}

std::unique_ptr<pim::ParamCodec> ParamTestBase::codec(pim::ModuleId id, int type)
{
    m_dev = Identity{type, kNumber};
    auto c = makeParamCodec(id);
    c->setValueFormat(&m_format);
    c->setToday(fixedToday);
    return c;
}

} // namespace pim::test

#include "devices/support/ArhFixture.h"

#include <QDate>
#include <QtEndian>

#include <cstring>

namespace pim::test {

ArhFrame::ArhFrame(int length, int type, int number, int code) : m_b(length, '\0')
{
    u8(0, length);
    u8(1, type);
    u16(2, number);
    u8(4, code);
}

ArhFrame &ArhFrame::u8(int off, int v)
{
    if (off >= 0 && off < m_b.size())
        m_b[off] = char(v & 0xFF);
    return *this;
}

ArhFrame &ArhFrame::u16(int off, int v)
{
    u8(off, v);
    return u8(off + 1, v >> 8);
}

ArhFrame &ArhFrame::f32(int off, float v)
{
    quint32 bits;
    std::memcpy(&bits, &v, 4);
    for (int i = 0; i < 4; ++i)
        u8(off + i, int(bits >> (8 * i)));
    return *this;
}

pim::Tab ArhFrame::tab() const
{
    QByteArray b = m_b;
    if (!b.isEmpty()) {
        int sum = 0;
        for (int i = 0; i + 1 < b.size(); ++i)
            sum += quint8(b[i]);
        b[b.size() - 1] = char((256 - (sum & 0xFF)) & 0xFF);
    }
    return pim::Tab::fromBytes(b);
}

pim::Tab ArhFrame::raw() const
{
    return pim::Tab::fromBytes(m_b);
}

ArhImage::ArhImage(int halfSize, int halves) : m_half(halfSize), m_b(halfSize * halves, '\0') {}

ArhImage &ArhImage::i32(int sys, int off, qint32 v)
{
    qToLittleEndian<qint32>(v, m_b.data() + sys * m_half + off);
    return *this;
}

ArhImage &ArhImage::f64(int sys, int off, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, 8);
    qToLittleEndian<quint64>(bits, m_b.data() + sys * m_half + off);
    return *this;
}

int arhDay(int y, int m, int d)
{
    return int(QDate(1999, 12, 31).daysTo(QDate(y, m, d)));
}

void ArhTestBase::SetUp()
{
    m_saved = pim::formatSettings();
    pim::FormatSettings s = pim::FormatSettings::russian();
    s.decimalSeparator = QLatin1Char('.');
    s.longMonthNames = {QStringLiteral("января"),  QStringLiteral("февраля"), QStringLiteral("марта"),
                        QStringLiteral("апреля"),  QStringLiteral("мая"),     QStringLiteral("июня"),
                        QStringLiteral("июля"),    QStringLiteral("августа"), QStringLiteral("сентября"),
                        QStringLiteral("октября"), QStringLiteral("ноября"),  QStringLiteral("декабря")};
    pim::setFormatSettings(s);
}

void ArhTestBase::TearDown()
{
    pim::setFormatSettings(m_saved);
}

} // namespace pim::test

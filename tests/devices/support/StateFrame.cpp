#include "support/StateFrame.h"

#include <cstring>
#include <stdexcept>

namespace pim::test {

StateFrame::StateFrame(int length, int type, int number, int code) : m_b(length, '\0')
{
    u8(0, length).u8(1, type).u16(2, number).u8(4, code);
}

StateFrame &StateFrame::u8(int off, int v)
{
    if (off >= 0 && off < m_b.size())
        m_b[off] = char(v & 0xFF);
    return *this;
}

StateFrame &StateFrame::u16(int off, int v)
{
    return u8(off, v).u8(off + 1, v >> 8);
}

StateFrame &StateFrame::i32(int off, qint32 v)
{
    const auto u = quint32(v);
    return u8(off, int(u)).u8(off + 1, int(u >> 8)).u8(off + 2, int(u >> 16)).u8(off + 3, int(u >> 24));
}

StateFrame &StateFrame::f32(int off, float v)
{
    quint32 u;
    std::memcpy(&u, &v, 4);
    return i32(off, qint32(u));
}

Tab StateFrame::raw() const
{
    return Tab::fromBytes(m_b);
}

Tab StateFrame::tab() const
{
    QByteArray b = m_b;
    if (!b.isEmpty()) {
        unsigned sum = 0;
        for (int i = 0; i + 1 < b.size(); ++i)
            sum += quint8(b[i]);
        b[b.size() - 1] = char((256 - sum % 256) % 256);
    }
    return Tab::fromBytes(b);
}

Tab hexTab(const char *hex)
{
    QByteArray b;
    int nibble = -1;
    for (const char *p = hex; *p; ++p) {
        int v;
        if (*p >= '0' && *p <= '9') v = *p - '0';
        else if (*p >= 'A' && *p <= 'F') v = *p - 'A' + 10;
        else if (*p >= 'a' && *p <= 'f') v = *p - 'a' + 10;
        else continue;
        if (nibble < 0) nibble = v;
        else { b.append(char(nibble * 16 + v)); nibble = -1; }
    }
    if (nibble >= 0)
        throw std::invalid_argument("odd hex fixture");
    return Tab::fromBytes(b);
}

} // namespace pim::test

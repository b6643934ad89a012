#include "protocol/Tab.h"

namespace pim {

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

bool Tab::fromHex(QStringView hex, Tab &out)
{
    out.clear();
    Tab result;
    int pending = -1; // high nibble waiting for its low one
    for (QChar c : hex) {
        const int v = hexValue(c);
        if (v >= 0) {
            if (pending < 0) {
                pending = v;
            } else {
                result.append(pending * 16 + v);
                pending = -1;
            }
            continue;
        }
        // A letter or digit that is not hex is a typing mistake, not a
        // separator: refuse rather than guess.
        if (c.isLetterOrNumber())
            return false;
        if (pending >= 0)
            return false; // odd number of digits in a group
    }
    if (pending >= 0)
        return false;
    out = result;
    return true;
}

Tab Tab::mid(int pos, int len) const
{
    if (pos < 0) {
        if (len >= 0)
            len = qMax(0, len + pos);
        pos = 0;
    }
    if (pos >= size())
        return Tab();
    if (len < 0 || len > size() - pos)
        len = size() - pos;
    Tab t;
    t.m_b = m_b.mid(pos, len);
    return t;
}

QString Tab::toHex() const
{
    return QString::fromLatin1(m_b.toHex(' ').toUpper());
}

} // namespace pim

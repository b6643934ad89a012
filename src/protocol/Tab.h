#pragma once
// Tab: a counted, 0-based array of bytes that owns its storage: every frame
// and data block. Reads outside the array give 0 and writes outside it are
// dropped, so no input, however short or long, can make a decoder read or
// write past its frame; callers still check lengths first and report.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <initializer_list>

namespace pim {

class Tab {
public:
    Tab() = default;
    explicit Tab(int size) : m_b(qMax(0, size), '\0') {}
    Tab(std::initializer_list<int> bytes)
    {
        m_b.reserve(qsizetype(bytes.size()));
        for (int b : bytes)
            m_b.append(static_cast<char>(b & 0xFF));
    }
    static Tab fromBytes(QByteArrayView b) { Tab t; t.m_b = b.toByteArray(); return t; }
    // "06 E5 34 12" or "06e53412"; blanks and punctuation separate groups,
    // each group is read two digits a byte. False (and an empty Tab) on a
    // group with an odd number of digits or a letter or digit that is not hex.
    static bool fromHex(QStringView hex, Tab &out);
    static Tab fromHex(QStringView hex) { Tab t; fromHex(hex, t); return t; }

    int size() const { return int(m_b.size()); }
    bool isEmpty() const { return m_b.isEmpty(); }
    bool inside(int i, int width = 1) const { return i >= 0 && width >= 0 && qsizetype(i) + width <= m_b.size(); }

    quint8 at(int i) const { return inside(i) ? static_cast<quint8>(m_b[i]) : 0; }
    quint8 operator[](int i) const { return at(i); }
    void set(int i, int value)
    {
        if (inside(i))
            m_b[i] = static_cast<char>(value & 0xFF);
    }

    void resize(int n) { m_b.resize(qMax(0, n), '\0'); }
    void truncate(int n) { if (n >= 0 && n < size()) m_b.truncate(n); }
    void append(int byte) { m_b.append(static_cast<char>(byte & 0xFF)); }
    void append(const Tab &t) { m_b.append(t.m_b); }
    void clear() { m_b.clear(); }
    Tab mid(int pos, int len = -1) const;

    const QByteArray &bytes() const { return m_b; }
    QByteArray &bytes() { return m_b; }
    // Upper-case hex bytes separated by single blanks: "06 E5 34 12 01 CE".
    QString toHex() const;

    friend bool operator==(const Tab &a, const Tab &b) { return a.m_b == b.m_b; }
    friend bool operator!=(const Tab &a, const Tab &b) { return a.m_b != b.m_b; }

private:
    QByteArray m_b;
};

using Tas = QStringList;

} // namespace pim

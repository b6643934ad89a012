#pragma once
// Fixtures of the archive tests: reply frames and record images written
// field by field at the offsets of the layout tables, by hand, without the
// protocol's packing and checksum code or the decoder under test.

#include "base/FormatSettings.h"
#include "devices/ArhCodec.h"
#include "devices/ValueFormat.h"
#include "protocol/Frame.h"
#include "protocol/Tab.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <ostream>

// Readable QString and QStringList values in failure messages (local to each
// test file that includes this header).
[[maybe_unused]] static void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
[[maybe_unused]] static void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[';
    for (const QString &s : l)
        *os << '"' << s.toStdString() << "\", ";
    *os << ']';
}

namespace pim::test {

// A reply to command 3: byte 0 = length, type, number (low byte first), code.
class ArhFrame {
public:
    ArhFrame(int length, int type, int number, int code = 3);
    ArhFrame &u8(int off, int v);
    ArhFrame &u16(int off, int v);
    ArhFrame &f32(int off, float v);
    pim::Tab tab() const; // with the checksum in the last byte
    pim::Tab raw() const; // checksum byte as it stands

private:
    QByteArray m_b;
};

// A record image: `halves` halves of `halfSize` bytes, zero-filled.
class ArhImage {
public:
    ArhImage(int halfSize, int halves = 1);
    ArhImage &i32(int sys, int off, qint32 v);
    ArhImage &f64(int sys, int off, double v);
    const QByteArray &bytes() const { return m_b; }
    QByteArray half(int sys) const { return m_b.mid(sys * m_half, m_half); }

private:
    int m_half;
    QByteArray m_b;
};

// Day number of a calendar date (day 1 = 1 January 2000), written out
// independently of the code under test.
int arhDay(int y, int m, int d);

// '.' decimals, known month names, "%f" reals and device 0x1234.
class ArhTestBase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The device the replies are checked against.
    pim::Identity m_dev{238, 0x1234};

private:
    pim::FormatSettings m_saved;
};

} // namespace pim::test

#pragma once
// Builds reply fixtures field by field at the offsets of the frame tables,
// independently of the protocol's own packing and checksum code, so a
// mistake there or in a decoder shows.

#include "protocol/Tab.h"

#include <QString>

namespace pim::test {

class StateFrame {
public:
    // length bytes, byte 0 = length, type, number, code; checksum on tab().
    StateFrame(int length, int type, int number, int code = 1);

    StateFrame &u8(int off, int v);
    StateFrame &u16(int off, int v);
    StateFrame &i32(int off, qint32 v);
    StateFrame &f32(int off, float v);

    // The frame with its checksum in the last byte.
    pim::Tab tab() const;
    // The frame as it stands, checksum byte untouched.
    pim::Tab raw() const;

private:
    QByteArray m_b;
};

// "06 E5 34 12 01 CE" style hex to bytes (test data only: asserts on junk).
pim::Tab hexTab(const char *hex);

} // namespace pim::test

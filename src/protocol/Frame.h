#pragma once
// Request and reply frames of the calculators, their checksum, addressing by
// type code and serial number, the identity request and the reply checks.
//
// Frame: [0] length (6..255, checksum included) [1] type [2..3] number, low
// byte first [4] code [5..] data, [length-1] checksum making the byte sum 0.

#include "protocol/Tab.h"

#include <QString>

namespace pim {

// Command codes.
enum : quint8 {
    Q_NoTu = 0,
    Q_State = 1,
    Q_ClrArh = 2,
    Q_Arhiv = 3,
    Q_SetParam = 4,
    Q_Param = 5,
    Q_ZeroTime = 6,
    Q_Init = 9,
    Q_SetTime = 11,
    Q_Chang = 12,
    Q_Cal = 13,
    Q_ArhBegin = 20,
    Q_ArhNo = 21,
    Q_SetNo = 240,
    Q_ArhEnd = 254,
    Q_SetParam128 = 255,
};

inline constexpr int kMaxFrame = 255;
inline constexpr int kMaxRequestData = 249;
inline constexpr int kMinTypeCode = 128;
inline constexpr int kMaxTypeCode = 239;
// A reply to Q_Chang: one change-log record, the same on every type that
// keeps a change log.
inline constexpr int kChangReplyLength = 46;

// The identity of a device; -1 = unknown. Every request built by SQ carries
// it and every reply is checked against it. The device session keeps the
// identity of the device it serves.
struct Identity {
    int type = -1;
    int number = -1;
    bool known() const { return type >= 0 && number >= 0; }
    void reset() { type = -1; number = -1; }
    friend bool operator==(const Identity &a, const Identity &b) { return a.type == b.type && a.number == b.number; }
};

// The device a request is addressed to: its type byte and number word
// (0 where the request is too short to hold them).
Identity addressee(const Tab &request);

// 06 00 00 00 00 FA: asks whatever device is on the line for its identity.
Tab IdentityTemplate();

quint8 CalcCS(const Tab &bytes);
bool TestCS(const Tab &frame);

// A request for the given device; data is cut to 249 bytes, type and number
// to their byte and word.
Tab SQ(const Identity &id, int code, const Tab &data = Tab());
// The identity request: addressed when the device is known, else the template.
Tab SQNoTu(const Identity &id);
// The fixed 8-byte request of type 128. Bytes 5-6 carry value5 + 256 *
// value6, little-endian, for code 2 (the new number, given whole as value5
// or as its low and high byte) and code 255 (value5 = modification, value6 =
// n1 + 4*n2 + 16*n3 + 64*n4); other codes carry zeros.
Tab SQ128(const Identity &id, int code, int value5 = 0, int value6 = 0);

bool TestNoTu(int number, int type);

// Identity reply: sets number and type (-1 on failure) and returns the error
// text, empty when accepted.
QString DecNoTu(const Tab &reply, int &number, int &type);

// The check of every reply: format, checksum, type, number, all four always
// run, messages joined by carriage returns.
QString TestAnswer(const Tab &reply, int expectedLength, int code, const Identity &id);

} // namespace pim

#pragma once
// The calculators' frame layouts as the simulated device writes them: reply
// lengths, ring depths and, per family, where each value sits in the state,
// archive and configuration frames. Written from the device side; nothing
// here comes from the program's decoders.

#include <QByteArray>
#include <QList>

namespace pimsim {

enum class Family { T128, T225, T227, T228, T229, T234, T238 };

// Values a frame can carry. Per heating system unless noted.
enum class Field {
    Heat, V1, V2, V3, V4, VRed, El1, El2,     // cumulative counters
    Q4, Q5, Q6,                                // further cumulative quantities
    TSup, TRet, TAdd, P1, P2,                  // averages / instantaneous
    Flow1, Flow2, Flow3, Mass1, Mass2, Mass3,  // instantaneous flows, masses
    SysErr, DevErr,                            // error codes
    OpHours, ErrHours,                         // operating time, with error
    UnitMinutes,                               // unit running time in the period
    PHeat, PV1, PV2, PV3, PQ4, PQ5, PQ6,       // values of the report period
    ErrMinutes, ErrA, ErrB, ErrC,              // error times, minutes
    ErrPeriod,                                 // period with error
    Word1, Word2,                              // device words, kept at 0
    EnA, EnB, EnC,                             // energies under error
    Hour, Date,                                // record stamp
    Count
};

enum class Enc {
    U8,   // one byte
    U16,  // 16-bit little-endian
    T100, // 16-bit little-endian, hundredths (temperatures of 225 and 227)
    F32,  // IEEE single little-endian
};

struct Slot {
    int offset;
    Enc enc;
    Field field;
    int sys; // 0 or 1
};

using Layout = QList<Slot>;

struct TypeInfo {
    int type = 0;
    Family family = Family::T229;
    bool twoSystems = false;
    int stateLength = 0;
    int paramLength = 0;
    int arhLength = 0;
    int dailyDepth = 0;  // ring slots
    int hourlyDepth = 0;
    bool pressureMPa = false;
    bool hasChangeLog = false;
    bool hasArhBeginEnd = false;
    bool hasStatusByte = true; // 225 answers its write commands without one
    bool leavesCarrierFiles = false; // its archives can be copied to a data carrier
};

// Served type codes, ascending.
const QList<int> &servedTypes();
bool typeInfo(int type, TypeInfo &info);

const Layout &stateLayout(Family f);
const Layout &archiveLayout(Family f);

// The configuration data block of a factory-fresh device: frame bytes 5 ..
// length - 2 of the configuration reply (empty for type 128).
QByteArray defaultConfig(Family f);

// Little-endian helpers on a frame under construction; writes outside the
// frame are dropped.
void putU8(QByteArray &f, int i, int v);
void putU16(QByteArray &f, int i, int v);
void putF32(QByteArray &f, int i, double v);
void putI32(QByteArray &f, int i, qint32 v);
int getU8(const QByteArray &f, int i);
int getU16(const QByteArray &f, int i);
float getF32(const QByteArray &f, int i);

// Sets byte 0 to the length and the last byte to the frame checksum.
void seal(QByteArray &frame);
bool checksumOk(const QByteArray &frame);

} // namespace pimsim
